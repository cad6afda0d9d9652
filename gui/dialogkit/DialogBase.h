// What the dialogs of both backends share: the message map of button
// clicks and the default handlers. Each backend's Dialog derives from it and
// supplies the window.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace dialogkit {

class DialogBase {
public:
    DialogBase() = default;
    virtual ~DialogBase() = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    virtual void EndDialog(int result) = 0;

    // Handlers, overridden by the dialogs.
    virtual bool OnInitDialog();  // true: the first tab stop gets the focus
    virtual void OnOK();          // ends the dialog with IDOK
    virtual void OnCancel();      // ends the dialog with IDCANCEL
    // Files dropped on a dialog that accepts them (DragAcceptFiles): their
    // full paths in UTF-8, at least one. The base ignores them.
    virtual void OnDropFiles(const std::vector<std::string>& paths);

protected:
    // The message map: a click on button `id` runs `handler`.
    template <class D>
    void OnClicked(int id, void (D::*handler)()) {
        commands_[id] = [this, handler] { (static_cast<D*>(this)->*handler)(); };
    }
    // A click, Enter (IDOK) or Esc (IDCANCEL): to OnOK, OnCancel or the map.
    void OnCommand(int id);

private:
    std::map<int, std::function<void()>> commands_;
};

}  // namespace dialogkit
