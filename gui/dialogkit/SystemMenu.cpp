#include "dialogkit/SystemMenu.h"

#include <QMenu>

namespace dialogkit {

SystemMenu::SystemMenu() { AppendMenu(MF_STRING, SC_CLOSE, QStringLiteral("閉じる(&C)\tAlt+F4")); }

void SystemMenu::AppendMenu(unsigned flags, unsigned id, const QString& text) {
    if (flags & MF_SEPARATOR)
        items_.push_back(Item{MF_SEPARATOR, 0, QString()});
    else
        items_.push_back(Item{flags, id, text});
}

void SystemMenu::Fill(QMenu& menu, const std::function<void(unsigned)>& command) const {
    menu.clear();
    for (const Item& item : items_) {
        if (item.flags & MF_SEPARATOR) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(item.text);
        const unsigned id = item.id;
        QObject::connect(action, &QAction::triggered, &menu, [command, id] { command(id); });
    }
}

}  // namespace dialogkit
