// Test helper, run under Wine beside Cor2Tavik.exe:
//   WineProbe CAPTION   the id and text of each control of the top-level
//                       window with that caption, one per line in UTF-8;
//                       exit status 1 when there is no such window
//   WineProbe           the same for the foreground window, after a line
//                       with its caption
#include <windows.h>

#include <cstdio>
#include <string>

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
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
