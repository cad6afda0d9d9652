// The system's message box and open-file chooser.
#include "dialogkit/CommonDialogs.h"

#include "cor2tavik/Utf16.h"
#include "dialogkit/Dialog.h"
#include "dialogkit/win32/WinApi.h"

namespace dialogkit {

using cor2tavik::Narrow;
using cor2tavik::Widen;

namespace {

HWND OwnerOrActive(Dialog* owner) { return owner ? owner->GetSafeHwnd() : GetActiveWindow(); }

// The folder a chooser starts in for a typed path: the path itself when it
// is a folder, else what comes before its last separator. Empty for a bare
// name.
std::wstring FolderOf(const std::string& path) {
    const std::wstring wide = Widen(path);
    if (wide.empty()) return wide;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return wide;
    const std::size_t separator = wide.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return std::wstring();
    // "C:\model.dat3" starts in "C:\", not in the drive's current folder.
    return wide.substr(0, separator == 2 && wide[1] == L':' ? 3 : separator);
}

}  // namespace

int ShowSystemMessageBox(const MessageBoxRequest& request) {
    static constexpr UINT kIcons[] = {MB_ICONINFORMATION, MB_ICONWARNING, MB_ICONERROR};
    MessageBoxW(OwnerOrActive(request.owner), Widen(request.text).c_str(), Widen(request.caption).c_str(),
                MB_OK | kIcons[static_cast<int>(request.icon)]);
    return IDOK;
}

std::optional<std::string> FileDialog::RunSystemDialog() const {
    // "name\0pattern\0...\0\0"; the chooser's own "all files" pattern is "*.*".
    std::wstring filter;
    for (const FileFilter& f : filters_) {
        filter += Widen(f.displayName) + L'\0';
        filter += (f.pattern == "*" ? std::wstring(L"*.*") : Widen(f.pattern)) + L'\0';
    }
    filter += L'\0';
    std::wstring file(32768, L'\0');  // the longest path the wide calls take
    const std::wstring caption = Widen(title);
    const std::wstring extension = Widen(defaultExtension_);
    const std::wstring folder = FolderOf(initialPath);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = flags_ | OFN_EXPLORER;
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    return Narrow(file.c_str());
}

}  // namespace dialogkit
