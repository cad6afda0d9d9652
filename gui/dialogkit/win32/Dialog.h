// The Win32 backend of Dialog: a real Windows dialog, made from the
// template in memory and run by the system's dialog manager. No Windows
// header here: its macros (LoadString, MessageBox, ...) would rename the
// methods the program classes call.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "dialogkit/DialogUnits.h"
#include "dialogkit/ResourceModule.h"
#include "dialogkit/SystemMenu.h"

struct HWND__;
struct HICON__;
struct HDC__;

namespace dialogkit {

using Icon = HICON__*;

// The icon resource `id` at the system icon size; null when there is none.
Icon LoadIcon(int id);

// SM_CXICON, SM_CYICON.
Size SystemIconSize();

class Dialog {
public:
    explicit Dialog(int templateId, Dialog* parent = nullptr);
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally; returns the EndDialog result, -1 when it
    // could not be created.
    int DoModal();
    void EndDialog(int result);

    HWND__* GetSafeHwnd() const { return hwnd_; }
    HWND__* GetDlgItem(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    std::string GetWindowText() const;

    // The window's own system menu; null without WS_SYSMENU.
    SystemMenu* GetSystemMenu();

    void SetIcon(Icon icon, bool bigIcon);
    bool IsIconic() const;
    Size GetClientSize() const;

    // Runs `job` on a worker thread. Meanwhile the dialog is disabled, shows
    // the wait cursor and keeps painting; returns when the job is done.
    void RunJob(const std::function<void()>& job);

    // Handlers, overridden by the dialogs.
    virtual bool OnInitDialog();  // true: the first tab stop gets the focus
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnSysCommand(unsigned id, long param);  // the base passes it on to the system
    virtual void OnPaint();                               // the base lets the system paint
    virtual Icon OnQueryDragIcon() const { return nullptr; }

protected:
    // The message map: a click on button `id` runs `handler`.
    template <class D>
    void OnClicked(int id, void (D::*handler)()) {
        commands_[id] = [this, handler] { (static_cast<D*>(this)->*handler)(); };
    }
    void OnCommand(int id);
    // Leaves the message being handled to the system's default handling.
    void Default() { passedOn_ = true; }

private:
    friend struct DialogMessages;

    const DialogTemplate* template_;
    Dialog* parent_;
    HWND__* hwnd_ = nullptr;
    bool busy_ = false;
    bool passedOn_ = false;
    std::map<int, std::function<void()>> commands_;
    std::optional<SystemMenu> systemMenu_;
};

// Painting in OnPaint: BeginPaint / EndPaint for as long as it lives.
class PaintDC {
public:
    explicit PaintDC(Dialog* window);
    ~PaintDC();
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    // Sends WM_ICONERASEBKGND, as Windows does before drawing a minimized window.
    void EraseBackground();
    void DrawIcon(int x, int y, Icon icon);

private:
    HWND__* hwnd_;
    HDC__* dc_;
    alignas(8) unsigned char paint_[72];  // PAINTSTRUCT, kept opaque here
};

}  // namespace dialogkit
