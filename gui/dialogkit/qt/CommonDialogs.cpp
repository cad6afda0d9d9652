// Qt's message box and file chooser.
#include "dialogkit/CommonDialogs.h"

#include <algorithm>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include "dialogkit/Dialog.h"

namespace dialogkit {

namespace {

// Windows lets the system pick the owner of an unowned dialog: the active window.
QWidget* OwnerOrActive(Dialog* owner) { return owner ? owner : QApplication::activeWindow(); }

}  // namespace

int ShowSystemMessageBox(const MessageBoxRequest& request) {
    static constexpr QMessageBox::Icon kIcons[] = {QMessageBox::Information, QMessageBox::Warning,
                                                   QMessageBox::Critical};
    QWidget* owner = OwnerOrActive(request.owner);
    const QString text = QString::fromStdString(request.text);
    QMessageBox box(kIcons[static_cast<int>(request.icon)], QString::fromStdString(request.caption), text,
                    QMessageBox::Ok, owner);
    // QMessageBox wraps at 500 pixels; let lines of a list keep to one line
    // as far as the screen allows.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        int widest = 0;
        for (const QString& line : text.split(QLatin1Char('\n')))
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(line) + 1);
        const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
        const int room = screen ? screen->availableGeometry().width() * 3 / 4 : widest;
        label->setMinimumWidth(std::min(widest, room));
    }
    box.exec();
    return IDOK;
}

std::optional<std::string> FileDialog::RunSystemDialog() const {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((flags_ & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // Qt reads the patterns from the last parentheses of each entry; hiding
    // them again leaves the display name as given.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList nameFilters;
    for (const FileFilter& f : filters_)
        nameFilters << QString::fromStdString(f.displayName + " (" + f.pattern + ')');
    dialog.setNameFilters(nameFilters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

}  // namespace dialogkit
