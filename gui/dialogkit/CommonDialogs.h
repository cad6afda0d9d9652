// Message box and open-file chooser. Both can be replaced by a handler, so
// that tests drive them without a modal loop.
// Texts are UTF-8.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dialogkit {

class Dialog;

enum class MessageIcon { Information, Warning, Error };

struct MessageBoxRequest {
    Dialog* owner;
    std::string caption;
    std::string text;
    MessageIcon icon;
};

using MessageBoxHandler = std::function<void(const MessageBoxRequest&)>;

// Shows an OK-only message box, modal over `owner` (the active window when
// null). Returns IDOK.
int MessageBox(Dialog* owner, const std::string& text, const std::string& caption, MessageIcon icon);

// Replaces the message box with `handler` (an empty one restores it);
// returns the previous handler.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// One entry of a chooser's file-type list.
struct FileFilter {
    std::string displayName;  // shown as given
    std::string pattern;      // "*" for all files
};

// Splits a filter in the Windows form "name|pattern|name|pattern||". The
// Windows "*.*" matches every file, so it becomes "*".
std::vector<FileFilter> ParseFilter(const std::string& filter);

class FileDialog;
// Returns the chosen path, or nothing when the chooser was cancelled.
using FileDialogHandler = std::function<std::optional<std::string>(const FileDialog&)>;

// An open-file chooser in the Windows manner: build one, set its title,
// DoModal, then GetPathName when it returned IDOK.
class FileDialog {
public:
    // The values of the Windows flags, which the Windows backend passes on.
    // Only OFN_FILEMUSTEXIST changes Qt's chooser: it has no read-only box,
    // and an open chooser never overwrites.
    enum Flags : unsigned {
        OFN_OVERWRITEPROMPT = 0x2,
        OFN_HIDEREADONLY = 0x4,
        OFN_FILEMUSTEXIST = 0x1000,
    };

    // Unowned: the chooser is modal over the active window. `defaultExtension`
    // (without the dot) is what the Windows chooser appends to a name typed
    // without one; Qt's has no such rule.
    FileDialog(const std::string& defaultExtension, unsigned flags, const std::string& filter);

    std::string title;
    // A path typed before (UTF-8): the chooser starts in its folder, or in the
    // path itself when that is a folder. Empty or not there: where the system
    // starts.
    std::string initialPath;

    // IDOK when a file was chosen, IDCANCEL otherwise.
    int DoModal();
    std::string GetPathName() const { return path_; }

    const std::string& defaultExtension() const { return defaultExtension_; }
    unsigned flags() const { return flags_; }
    const std::vector<FileFilter>& filters() const { return filters_; }

    static FileDialogHandler SetHandler(FileDialogHandler handler);

private:
    // The system's chooser; defined by the backend.
    std::optional<std::string> RunSystemDialog() const;

    std::string defaultExtension_;
    unsigned flags_;
    std::vector<FileFilter> filters_;
    std::string path_;
};

// The system's message box, for MessageBox when no handler is set; defined
// by the backend.
int ShowSystemMessageBox(const MessageBoxRequest& request);

}  // namespace dialogkit
