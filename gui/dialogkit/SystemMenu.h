// The window's system menu. On Windows it is the window's own menu
// (GetSystemMenu) and appended entries go into it; the system opens it on
// Alt+Space, and the dialog on a right click in its body. A Linux window
// manager owns the menu of the caption, so there a dialog carries this list
// and pops it up itself on Alt+Space or a right click. Either way its
// commands go to the dialog's OnSysCommand.
#pragma once

#include <string>
#include <vector>

namespace dialogkit {

inline constexpr unsigned SC_CLOSE = 0xF060;

enum MenuFlags : unsigned { MF_STRING = 0x0, MF_SEPARATOR = 0x800 };

class SystemMenu {
public:
    struct Item {
        unsigned flags;
        unsigned id;       // 0 for a separator
        std::string text;  // UTF-8; "&" marks the mnemonic, "\t" starts the shortcut text
    };

    // Linux: starts with the entries the platform puts in a dialog's menu.
    SystemMenu();
    // Windows: the window's own menu, whose entries the system made.
    explicit SystemMenu(void* nativeMenu) : native_(nativeMenu) {}

    void AppendMenu(unsigned flags, unsigned id = 0, const std::string& text = std::string());
    // The entries known here: on Windows only the appended ones.
    const std::vector<Item>& items() const { return items_; }

private:
    std::vector<Item> items_;
    void* native_ = nullptr;
};

}  // namespace dialogkit
