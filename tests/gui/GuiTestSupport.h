// Helpers for driving the dialogs without blocking.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QString>
#include <QTimer>

#include "dialogkit/CommonDialogs.h"
#include "dialogkit/Dialog.h"

#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace guitest {

// Records message boxes instead of showing them.
class MessageBoxes {
public:
    MessageBoxes() {
        previous_ =
            dialogkit::SetMessageBoxHandler([this](const dialogkit::MessageBoxRequest& r) { shown.push_back(r); });
    }
    ~MessageBoxes() { dialogkit::SetMessageBoxHandler(previous_); }
    std::vector<dialogkit::MessageBoxRequest> shown;

private:
    dialogkit::MessageBoxHandler previous_;
};

// Answers the file chooser with `answer` (nothing = cancel) and records what
// each chooser was set up with.
class Chooser {
public:
    struct Seen {
        std::string defaultExtension;
        std::string title;
        std::string initialPath;
        std::vector<dialogkit::FileFilter> filters;
        unsigned flags;
    };
    Chooser() {
        previous_ = dialogkit::FileDialog::SetHandler([this](const dialogkit::FileDialog& d) {
            seen.push_back(Seen{d.defaultExtension(), d.title, d.initialPath, d.filters(), d.flags()});
            return answer;
        });
    }
    ~Chooser() { dialogkit::FileDialog::SetHandler(previous_); }
    std::optional<std::string> answer;
    std::vector<Seen> seen;

private:
    dialogkit::FileDialogHandler previous_;
};

// Calls `inspect` with the modal dialog that opens during the next call of
// the event loop, then rejects that dialog. Counts how often it ran; a timer
// that never fired is dropped with this object.
class OnModal {
public:
    explicit OnModal(std::function<void(QWidget*)> inspect) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this, inspect] {
            ++runs;
            QWidget* modal = QApplication::activeModalWidget();
            inspect(modal);
            if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible()) dialog->reject();
        });
        timer_.start(0);
    }
    int runs = 0;

private:
    QTimer timer_;
};

inline bool Contains(const std::string& text, const QString& part) {
    return text.find(part.toStdString()) != std::string::npos;
}

}  // namespace guitest
