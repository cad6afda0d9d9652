// The Win32 backend of Dialog: a real Windows dialog, made by the system's
// dialog manager from the template resource in the executable. No Windows
// header here: its macros (LoadString, MessageBox, ...) would rename the
// methods the program classes call.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "dialogkit/DialogBase.h"
#include "dialogkit/DialogUnits.h"
#include "dialogkit/JobProgress.h"
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

class Dialog : public DialogBase {
public:
    explicit Dialog(int templateId, Dialog* parent = nullptr) : templateId_(templateId), parent_(parent) {}

    // Runs the dialog modally; returns the EndDialog result, -1 when it
    // could not be created.
    int DoModal();
    void EndDialog(int result) override;

    HWND__* GetSafeHwnd() const { return hwnd_; }
    HWND__* GetDlgItem(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    std::string GetWindowText() const;
    // Moves the focus to control `id` (WM_NEXTDLGCTL): an edit box gets its
    // text selected.
    void GotoDlgCtrl(int id);

    // The window's own system menu; null without WS_SYSMENU.
    SystemMenu* GetSystemMenu();

    // Whether files dropped on the dialog (WM_DROPFILES) go to OnDropFiles.
    void DragAcceptFiles(bool accept = true);

    void SetIcon(Icon icon, bool bigIcon);
    bool IsIconic() const;
    Size GetClientSize() const;

    // Runs `job` on a worker thread. Meanwhile the dialog is disabled, shows
    // the wait cursor and keeps painting, and its caption and taskbar button
    // show what the job reports through its argument; returns when the job
    // is done.
    void RunJob(const std::function<void(const JobProgress&)>& job);

    virtual void OnSysCommand(unsigned id, long param);  // the base passes it on to the system
    virtual void OnPaint();                               // the base lets the system paint
    virtual Icon OnQueryDragIcon() const { return nullptr; }

protected:
    // Leaves the message being handled to the system's default handling.
    void Default() { passedOn_ = true; }

private:
    friend struct DialogMessages;

    int templateId_;
    Dialog* parent_;
    HWND__* hwnd_ = nullptr;
    bool busy_ = false;
    bool passedOn_ = false;
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
