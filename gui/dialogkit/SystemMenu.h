// The window's own system menu. A Linux window manager owns the menu of the
// caption, so a dialog carries this one and pops it up on Alt+Space or a
// right click; its commands go to the dialog's OnSysCommand.
#pragma once

#include <functional>
#include <vector>

#include <QString>

class QMenu;

namespace dialogkit {

inline constexpr unsigned SC_CLOSE = 0xF060;

enum MenuFlags : unsigned { MF_STRING = 0x0, MF_SEPARATOR = 0x800 };

class SystemMenu {
public:
    struct Item {
        unsigned flags;
        unsigned id;    // 0 for a separator
        QString text;   // "&" marks the mnemonic, "\t" starts the shortcut text
    };

    // Starts with the entries the platform puts in a dialog's menu.
    SystemMenu();

    void AppendMenu(unsigned flags, unsigned id = 0, const QString& text = QString());
    const std::vector<Item>& items() const { return items_; }

    // Replaces the entries of `menu` with these; choosing one calls `command`
    // with its id.
    void Fill(QMenu& menu, const std::function<void(unsigned)>& command) const;

private:
    std::vector<Item> items_;
};

}  // namespace dialogkit
