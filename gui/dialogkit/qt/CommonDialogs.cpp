// Qt's message box and file chooser.
#include "dialogkit/CommonDialogs.h"

#include <algorithm>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTreeView>

#include "dialogkit/Dialog.h"

namespace dialogkit {

namespace {

// Windows lets the system pick the owner of an unowned dialog: the active window.
QWidget* OwnerOrActive(Dialog* owner) { return owner ? owner : QApplication::activeWindow(); }

// As on Windows, the owner of a box that has closed has the keyboard again;
// without a window manager nobody else would give it back.
void Reactivate(QWidget* owner) {
    if (owner && owner->isVisible()) owner->activateWindow();
}

// The folder a chooser starts in for a typed path; empty when there is none.
QString FolderOf(const std::string& path) {
    if (path.empty()) return QString();
    const QFileInfo typed(QString::fromStdString(path));
    const QFileInfo folder(typed.isDir() ? typed.absoluteFilePath() : typed.absolutePath());
    return folder.isDir() ? folder.absoluteFilePath() : QString();
}

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
    Reactivate(owner);
    return IDOK;
}

std::optional<std::string> FileDialog::RunSystemDialog() const {
    QWidget* owner = QApplication::activeWindow();
    QFileDialog dialog(owner, QString::fromStdString(title));
    if (const QString folder = FolderOf(initialPath); !folder.isEmpty()) dialog.setDirectory(folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((flags_ & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // Qt reads the patterns from the last parentheses of each entry; hiding
    // them again leaves the display name as given.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList nameFilters;
    for (const FileFilter& f : filters_)
        nameFilters << QString::fromStdString(f.displayName + " (" + f.pattern + ')');
    dialog.setNameFilters(nameFilters);
    // The detail view's size, type and date columns as wide as what they
    // show (Japanese type names are long), the name taking what is left.
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    const int result = dialog.exec();
    Reactivate(owner);
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

}  // namespace dialogkit
