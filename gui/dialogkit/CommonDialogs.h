// Message box, open-file chooser and wait cursor. The first two can be
// replaced by a handler, so that tests drive them without a modal loop.
#pragma once

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include <QString>

class QWidget;

namespace dialogkit {

enum class MessageIcon { Information, Warning, Error };

struct MessageBoxRequest {
    QWidget* owner;
    QString caption;
    QString text;
    MessageIcon icon;
};

using MessageBoxHandler = std::function<void(const MessageBoxRequest&)>;

// Shows an OK-only message box, modal over `owner` (the active window when
// null). Returns IDOK.
int MessageBox(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon);

// Replaces the message box with `handler` (an empty one restores it);
// returns the previous handler.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// One entry of a chooser's file-type list.
struct FileFilter {
    QString displayName;  // shown as given
    QString pattern;      // "*" for all files
};

// Splits a filter in the Windows form "name|pattern|name|pattern||". The
// Windows "*.*" matches every file, so it becomes "*".
std::vector<FileFilter> ParseFilter(const QString& filter);

class FileDialog;
// Returns the chosen path, or nothing when the chooser was cancelled.
using FileDialogHandler = std::function<std::optional<QString>(const FileDialog&)>;

// An open-file chooser in the Windows manner: build one, set its title,
// DoModal, then GetPathName when it returned IDOK.
class FileDialog {
public:
    // Only OFN_FILEMUSTEXIST changes Qt's chooser: it has no read-only box,
    // and an open chooser never overwrites.
    enum Flags : unsigned {
        OFN_OVERWRITEPROMPT = 0x2,
        OFN_HIDEREADONLY = 0x4,
        OFN_FILEMUSTEXIST = 0x1000,
    };

    FileDialog(unsigned flags, const QString& filter, QWidget* owner = nullptr);

    QString title;

    // IDOK when a file was chosen, IDCANCEL otherwise.
    int DoModal();
    QString GetPathName() const { return path_; }

    unsigned flags() const { return flags_; }
    const std::vector<FileFilter>& filters() const { return filters_; }

    static FileDialogHandler SetHandler(FileDialogHandler handler);

private:
    std::optional<QString> RunQtDialog() const;

    unsigned flags_;
    std::vector<FileFilter> filters_;
    QWidget* owner_;
    QString path_;
};

// Shows the wait cursor for as long as it lives.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace dialogkit
