#include "dialogkit/CommonDialogs.h"

#include <utility>

#include "dialogkit/ResourceModule.h"

namespace dialogkit {

namespace {
MessageBoxHandler gMessageBoxHandler;
FileDialogHandler gFileDialogHandler;

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string Trimmed(const std::string& s) {
    std::size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}
}  // namespace

int MessageBox(Dialog* owner, const std::string& text, const std::string& caption, MessageIcon icon) {
    const MessageBoxRequest request{owner, caption, text, icon};
    if (!gMessageBoxHandler) return ShowSystemMessageBox(request);
    gMessageBoxHandler(request);
    return IDOK;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(gMessageBoxHandler, std::move(handler));
}

std::vector<FileFilter> ParseFilter(const std::string& filter) {
    std::vector<std::string> parts;
    for (std::size_t begin = 0;;) {
        const std::size_t bar = filter.find('|', begin);
        parts.push_back(filter.substr(begin, bar == std::string::npos ? std::string::npos : bar - begin));
        if (bar == std::string::npos) break;
        begin = bar + 1;
    }
    std::vector<FileFilter> filters;
    // The list ends at the first empty name: that is the closing "||". The
    // blanks after a bar are padding; a name keeps its trailing ones.
    for (std::size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2) {
        std::string name = parts[i];
        std::size_t padding = 0;
        while (padding < name.size() && IsBlank(name[padding])) ++padding;
        name.erase(0, padding);
        std::string pattern = Trimmed(parts[i + 1]);
        if (pattern == "*.*") pattern = "*";
        filters.push_back(FileFilter{name, pattern});
    }
    return filters;
}

FileDialog::FileDialog(const std::string& defaultExtension, unsigned flags, const std::string& filter)
    : defaultExtension_(defaultExtension), flags_(flags), filters_(ParseFilter(filter)) {}

int FileDialog::DoModal() {
    std::optional<std::string> chosen = gFileDialogHandler ? gFileDialogHandler(*this) : RunSystemDialog();
    if (!chosen) return IDCANCEL;
    path_ = *chosen;
    return IDOK;
}

FileDialogHandler FileDialog::SetHandler(FileDialogHandler handler) {
    return std::exchange(gFileDialogHandler, std::move(handler));
}

}  // namespace dialogkit
