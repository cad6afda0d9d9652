#include "dialogkit/CommonDialogs.h"

#include <algorithm>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include "dialogkit/ResourceModule.h"

namespace dialogkit {

namespace {

MessageBoxHandler gMessageBoxHandler;
FileDialogHandler gFileDialogHandler;

// Windows lets the system pick the owner of an unowned dialog: the active window.
QWidget* OwnerOrActive(QWidget* owner) { return owner ? owner : QApplication::activeWindow(); }

}  // namespace

int MessageBox(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon) {
    const MessageBoxRequest request{OwnerOrActive(owner), caption, text, icon};
    if (gMessageBoxHandler) {
        gMessageBoxHandler(request);
        return IDOK;
    }
    static constexpr QMessageBox::Icon kIcons[] = {QMessageBox::Information, QMessageBox::Warning,
                                                   QMessageBox::Critical};
    QMessageBox box(kIcons[static_cast<int>(icon)], caption, text, QMessageBox::Ok, request.owner);
    // QMessageBox wraps at 500 pixels; let lines of a list keep to one line
    // as far as the screen allows.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        int widest = 0;
        for (const QString& line : text.split(QLatin1Char('\n')))
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(line) + 1);
        const QScreen* screen = request.owner ? request.owner->screen() : QGuiApplication::primaryScreen();
        const int room = screen ? screen->availableGeometry().width() * 3 / 4 : widest;
        label->setMinimumWidth(std::min(widest, room));
    }
    box.exec();
    return IDOK;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(gMessageBoxHandler, std::move(handler));
}

std::vector<FileFilter> ParseFilter(const QString& filter) {
    std::vector<FileFilter> filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    // The list ends at the first empty name: that is the closing "||". The
    // blanks after a bar are padding; a name keeps its trailing ones.
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QString name = parts[i];
        qsizetype padding = 0;
        while (padding < name.size() && name[padding].isSpace()) ++padding;
        name.remove(0, padding);
        QString pattern = parts[i + 1].trimmed();
        if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        filters.push_back(FileFilter{name, pattern});
    }
    return filters;
}

FileDialog::FileDialog(unsigned flags, const QString& filter, QWidget* owner)
    : flags_(flags), filters_(ParseFilter(filter)), owner_(owner) {}

int FileDialog::DoModal() {
    std::optional<QString> chosen = gFileDialogHandler ? gFileDialogHandler(*this) : RunQtDialog();
    if (!chosen) return IDCANCEL;
    path_ = *chosen;
    return IDOK;
}

std::optional<QString> FileDialog::RunQtDialog() const {
    QFileDialog dialog(OwnerOrActive(owner_), title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((flags_ & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // Qt reads the patterns from the last parentheses of each entry; hiding
    // them again leaves the display name as given.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList nameFilters;
    for (const FileFilter& f : filters_)
        nameFilters << f.displayName + QStringLiteral(" (") + f.pattern + QLatin1Char(')');
    dialog.setNameFilters(nameFilters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

FileDialogHandler FileDialog::SetHandler(FileDialogHandler handler) {
    return std::exchange(gFileDialogHandler, std::move(handler));
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace dialogkit
