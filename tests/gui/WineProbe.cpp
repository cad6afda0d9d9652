// Test helper, run under Wine beside Cor2Tavik.exe:
//   WineProbe CAPTION   the id and text of each control of the top-level
//                       window with that caption, one per line in UTF-8;
//                       exit status 1 when there is no such window
//   WineProbe           the same for the foreground window, after a line
//                       with its caption
//   WineProbe --drop CAPTION PATH
//                       drops PATH on that window as Explorer would
//                       (WM_DROPFILES); exit status 3 when the window does
//                       not take dropped files
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
    // WM_GETTEXT reaches into the other process; GetWindowText would not for an edit box.
    wchar_t text[1024] = L"";
    DWORD_PTR ignored;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &ignored);
    std::printf("%d\t%s\n", GetDlgCtrlID(control), Utf8(text).c_str());
    return TRUE;
}

// The drop's DROPFILES block is written into the window's process: a
// memory handle means nothing in another one.
int Drop(const wchar_t* caption, const std::wstring& path) {
    HWND window = FindWindowW(nullptr, caption);
    if (!window) return 1;
    if (!(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) return 3;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, id);
    if (!process) return 1;
    // The names end with an empty one.
    std::vector<char> block(sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t), 0);
    auto* files = reinterpret_cast<DROPFILES*>(block.data());
    files->pFiles = sizeof(DROPFILES);
    files->pt = POINT{20, 20};
    files->fWide = TRUE;
    std::memcpy(block.data() + sizeof(DROPFILES), path.c_str(), path.size() * sizeof(wchar_t));
    void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const bool written = remote && WriteProcessMemory(process, remote, block.data(), block.size(), nullptr);
    CloseHandle(process);
    return written && PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"--drop") == 0) return Drop(argv[2], argv[3]);
    if (argc > 2) return 2;
    HWND window = argc == 2 ? FindWindowW(nullptr, argv[1]) : GetForegroundWindow();
    if (!window) return 1;
    if (argc == 1) {
        wchar_t caption[256] = L"";
        GetWindowTextW(window, caption, 256);
        std::printf("%s\n", Utf8(caption).c_str());
    }
    EnumChildWindows(window, PrintControl, 0);
    return 0;
}
