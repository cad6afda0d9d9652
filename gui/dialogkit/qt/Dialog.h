// The Qt backend of Dialog: a QDialog whose controls come from the template.
// Beyond the common interface it offers the widgets themselves, for tests.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QDialog>
#include <QIcon>
#include <QPainter>

#include "dialogkit/DialogBase.h"
#include "dialogkit/DialogUnits.h"
#include "dialogkit/JobProgress.h"
#include "dialogkit/ResourceModule.h"
#include "dialogkit/SystemMenu.h"

class QLabel;
class QMenu;

namespace dialogkit {

using Icon = QIcon;

// A null icon when the module has no such icon.
Icon LoadIcon(int id);

// The system icon size (SM_CXICON, SM_CYICON).
inline constexpr int kIconSize = 32;
inline Size SystemIconSize() { return Size{kIconSize, kIconSize}; }

inline QRect ToQRect(Rect r) { return QRect(r.x, r.y, r.cx, r.cy); }

class Dialog : public QDialog, public DialogBase {
public:
    // Looks the template up in the current resources.
    explicit Dialog(int templateId, Dialog* parent = nullptr);

    // Builds the controls from the template and runs OnInitDialog, once.
    // DoModal does it itself; tests call it to look at a dialog without
    // running its modal loop. False when there is no such template.
    bool Create();
    // Runs the dialog modally; returns the EndDialog result, -1 when it
    // could not be created.
    int DoModal();
    void EndDialog(int result) override;

    // The control with this id; the first one for IDC_STATIC. Null if none.
    QWidget* GetDlgItem(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    std::string GetWindowText() const { return windowTitle().toStdString(); }
    // Moves the focus to control `id`, selecting all the text of an edit box,
    // as the Windows dialog manager does.
    void GotoDlgCtrl(int id);

    // Null when the template has no system menu.
    SystemMenu* GetSystemMenu();
    // Pops the system menu up: at the window's top left corner for
    // Alt+Space, at the mouse for a right click. Null without a system menu.
    QMenu* ShowSystemMenu(const QPoint& globalPos);

    // Whether files dropped on the dialog go to OnDropFiles, as local paths.
    // Until then a drop is the controls' own business.
    void DragAcceptFiles(bool accept = true) { acceptFiles_ = accept; setAcceptDrops(accept); }

    void SetIcon(const Icon& icon, bool bigIcon);
    bool IsIconic() const { return isMinimized(); }
    Size GetClientSize() const { return Size{width(), height()}; }

    // Runs `job` on a worker thread. Meanwhile the dialog is disabled, shows
    // the wait cursor and keeps painting, and its caption shows what the job
    // reports through its argument; returns when the job is done.
    void RunJob(const std::function<void(const JobProgress&)>& job);

    BaseUnits baseUnits() const { return units_; }

    virtual void OnSysCommand(unsigned id, long param);
    virtual void OnPaint();
    // The picture shown while the minimized window is dragged; null: the system's.
    virtual Icon OnQueryDragIcon() const { return Icon(); }

protected:
    void accept() override { OnCommand(IDOK); }
    void reject() override { OnCommand(IDCANCEL); }
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Alt+Space and dropped files, for the dialog and each of its controls.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateControl(const ControlTemplate& control);
    // Places a static control at its template rectangle, grown to the width
    // of its text: Linux substitutes for the Windows fonts may run wider, and
    // a text is never to be clipped. It stops at the dialog's right edge.
    void FitStatic(QLabel* label, QRect templateRect);

    const DialogTemplate* template_;
    BaseUnits units_{};
    bool created_ = false;
    bool busy_ = false;
    bool acceptFiles_ = false;
    std::vector<std::pair<int, QWidget*>> controls_;  // template order
    std::optional<SystemMenu> systemMenu_;
    QMenu* systemMenuPopup_ = nullptr;
};

// Painting in the Windows manner, for OnPaint.
class PaintDC {
public:
    explicit PaintDC(Dialog* window) : window_(window), painter_(window) {}
    // What WM_ICONERASEBKGND does: fill the client area with the window colour.
    void EraseBackground();
    void DrawIcon(int x, int y, const Icon& icon);

private:
    QWidget* window_;
    QPainter painter_;
};

}  // namespace dialogkit
