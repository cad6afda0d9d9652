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

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = flags_ | OFN_EXPLORER;
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    return Narrow(file.c_str());
}

}  // namespace dialogkit
