#include "dialogkit/Dialog.h"

#include <thread>
#include <vector>

#include "cor2tavik/Utf16.h"
#include "dialogkit/win32/WinApi.h"

namespace dialogkit {

using cor2tavik::Narrow;
using cor2tavik::Widen;

namespace {

// Posted by the worker thread of RunJob: the job is done; the job reports
// its progress (wParam: the percentage).
constexpr UINT kJobDone = WM_APP + 1;
constexpr UINT kJobProgress = WM_APP + 2;

// The progress bar in the window's taskbar button, where the system offers
// one; nothing otherwise.
class TaskbarProgress {
public:
    explicit TaskbarProgress(HWND window) : window_(window) {}
    ~TaskbarProgress() {
        if (list_) {
            list_->SetProgressState(window_, TBPF_NOPROGRESS);
            list_->Release();
        }
        if (com_) CoUninitialize();
    }
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;

    void Show(int percent) {
        if (!tried_) {
            tried_ = true;
            com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
            if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                        reinterpret_cast<void**>(&list_))) ||
                FAILED(list_->HrInit())) {
                if (list_) list_->Release();
                list_ = nullptr;
            }
        }
        if (list_) list_->SetProgressValue(window_, static_cast<ULONGLONG>(percent), 100);
    }

private:
    HWND window_;
    bool tried_ = false;
    bool com_ = false;
    ITaskbarList3* list_ = nullptr;
};

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

// In the middle of the work area of the owner's monitor (of the dialog's
// own when unowned): a dialog program has no other place to start from.
void Centre(HWND dialog) {
    RECT window{};
    GetWindowRect(dialog, &window);
    HWND owner = GetWindow(dialog, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT& area = monitor.rcWork;
    const int x = area.left + (area.right - area.left - (window.right - window.left)) / 2;
    const int y = area.top + (area.bottom - area.top - (window.bottom - window.top)) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The system menu at `screen` (the window's top left corner when the menu
// was asked for from the keyboard), its command sent as the system's own.
void PopUpSystemMenu(HWND dialog, POINT screen, bool fromKeyboard) {
    HMENU menu = ::GetSystemMenu(dialog, FALSE);
    if (!menu) return;
    if (fromKeyboard) {
        RECT window{};
        GetWindowRect(dialog, &window);
        screen = POINT{window.left, window.top};
    }
    const UINT command = static_cast<UINT>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, screen.x, screen.y, 0, dialog, nullptr));
    if (command) PostMessageW(dialog, WM_SYSCOMMAND, command, 0);
}

// The full paths of the files in a drop, which is then released.
std::vector<std::string> DroppedFiles(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(static_cast<std::size_t>(DragQueryFileW(drop, i, nullptr, 0)) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        if (!path.empty()) paths.push_back(Narrow(path));
    }
    DragFinish(drop);
    return paths;
}

}  // namespace

std::string LoadString(int id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(Module(), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? Narrow(std::wstring_view(text, static_cast<std::size_t>(length))) : std::string();
}

Icon LoadIcon(int id) { return LoadIconW(Module(), MAKEINTRESOURCEW(id)); }

Size SystemIconSize() { return Size{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}; }

SystemMenu::SystemMenu() = default;

void SystemMenu::AppendMenu(unsigned flags, unsigned id, const std::string& text) {
    const bool separator = flags & MF_SEPARATOR;
    items_.push_back(Item{separator ? MF_SEPARATOR : flags, separator ? 0 : id, separator ? std::string() : text});
    if (!native_) return;
    if (separator)
        AppendMenuW(static_cast<HMENU>(native_), MF_SEPARATOR, 0, nullptr);
    else
        AppendMenuW(static_cast<HMENU>(native_), flags, id, Widen(text).c_str());
}

// The dialog procedure: Windows messages to the handlers.
struct DialogMessages {
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            auto* dialog = reinterpret_cast<Dialog*>(lParam);
            SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
            dialog->hwnd_ = hwnd;
            if (HMENU menu = ::GetSystemMenu(hwnd, FALSE)) dialog->systemMenu_.emplace(menu);
            Centre(hwnd);
            return dialog->OnInitDialog() ? TRUE : FALSE;
        }
        auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
        if (!dialog) return FALSE;
        switch (message) {
        case WM_COMMAND:
            // Clicks, Enter and Esc; edit box notifications carry a code.
            if (HIWORD(wParam) != BN_CLICKED || dialog->busy_) return FALSE;
            dialog->OnCommand(LOWORD(wParam));
            return TRUE;
        case WM_SYSCOMMAND:
            dialog->passedOn_ = false;
            dialog->OnSysCommand(static_cast<unsigned>(wParam), static_cast<long>(lParam));
            return dialog->passedOn_ ? FALSE : TRUE;
        case WM_PAINT:
            dialog->passedOn_ = false;
            dialog->OnPaint();
            return dialog->passedOn_ ? FALSE : TRUE;
        case WM_CONTEXTMENU: {
            // A right click on the body or a static text (the edit box has
            // its own menu), as a right click on the caption.
            if (dialog->busy_) return TRUE;
            // Signed: a screen left of or above the primary one has negative coordinates.
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            PopUpSystemMenu(hwnd, at, lParam == -1);
            return TRUE;
        }
        case WM_DROPFILES: {
            auto drop = reinterpret_cast<HDROP>(wParam);
            if (dialog->busy_) {
                DragFinish(drop);
                return TRUE;
            }
            const std::vector<std::string> paths = DroppedFiles(drop);
            if (!paths.empty()) dialog->OnDropFiles(paths);
            return TRUE;
        }
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(dialog->OnQueryDragIcon());
        case WM_SETCURSOR:
            if (!dialog->busy_) return FALSE;
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
            return TRUE;
        default:
            return FALSE;
        }
    }
};

int Dialog::DoModal() {
    // An unowned dialog is owned by the active window, if any.
    HWND owner = parent_ ? parent_->hwnd_ : GetActiveWindow();
    const INT_PTR result = DialogBoxParamW(Module(), MAKEINTRESOURCEW(templateId_), owner, DialogMessages::Procedure,
                                           reinterpret_cast<LPARAM>(this));
    hwnd_ = nullptr;
    systemMenu_.reset();
    return static_cast<int>(result);
}

void Dialog::EndDialog(int result) { ::EndDialog(hwnd_, result); }

HWND Dialog::GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }

void Dialog::SetDlgItemText(int id, const std::string& text) { SetDlgItemTextW(hwnd_, id, Widen(text).c_str()); }

namespace {
std::string WindowText(HWND window) {
    if (!window) return std::string();
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}
}  // namespace

std::string Dialog::GetDlgItemText(int id) const { return WindowText(GetDlgItem(id)); }
std::string Dialog::GetWindowText() const { return WindowText(hwnd_); }

void Dialog::GotoDlgCtrl(int id) {
    if (HWND control = GetDlgItem(id)) SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

SystemMenu* Dialog::GetSystemMenu() { return systemMenu_ ? &*systemMenu_ : nullptr; }

void Dialog::DragAcceptFiles(bool accept) { ::DragAcceptFiles(hwnd_, accept ? TRUE : FALSE); }

void Dialog::SetIcon(Icon icon, bool bigIcon) {
    SendMessageW(hwnd_, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool Dialog::IsIconic() const { return ::IsIconic(hwnd_); }

Size Dialog::GetClientSize() const {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return Size{r.right - r.left, r.bottom - r.top};
}

void Dialog::RunJob(const std::function<void(const JobProgress&)>& job) {
    HWND focus = GetFocus();
    busy_ = true;
    EnableWindow(hwnd_, FALSE);
    HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const std::string caption = GetWindowText();
    TaskbarProgress taskbar(hwnd_);
    ProgressFilter filter;
    // Posted messages arrive in order, all of them before kJobDone.
    const JobProgress progress = [&](double fraction) {
        if (std::optional<int> percent = filter.Next(fraction))
            PostMessageW(hwnd_, kJobProgress, static_cast<WPARAM>(*percent), 0);
    };
    // Without a thread to be had, the job runs here, unpainted.
    std::thread worker;
    try {
        worker = std::thread([&] {
            job(progress);
            PostMessageW(hwnd_, kJobDone, 0, 0);
        });
    } catch (const std::exception&) {
        job(progress);
        PostMessageW(hwnd_, kJobDone, 0, 0);
    }
    // Painting and the other windows' messages go on while the job runs.
    MSG msg;
    bool quit = false;
    while (true) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (msg.hwnd == hwnd_ && msg.message == kJobDone) break;
        if (msg.hwnd == hwnd_ && msg.message == kJobProgress) {
            const int percent = static_cast<int>(msg.wParam);
            SetWindowTextW(hwnd_, Widen(CaptionWithPercent(caption, percent)).c_str());
            taskbar.Show(percent);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (worker.joinable()) worker.join();
    SetWindowTextW(hwnd_, Widen(caption).c_str());
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
    EnableWindow(hwnd_, TRUE);
    busy_ = false;
    SetCursor(before);
    if (focus) SetFocus(focus);
}

void Dialog::OnSysCommand(unsigned, long) { Default(); }
void Dialog::OnPaint() { Default(); }

PaintDC::PaintDC(Dialog* window) : hwnd_(window->GetSafeHwnd()) {
    static_assert(sizeof(PAINTSTRUCT) <= sizeof(paint_));
    dc_ = BeginPaint(hwnd_, reinterpret_cast<PAINTSTRUCT*>(paint_));
}

PaintDC::~PaintDC() { EndPaint(hwnd_, reinterpret_cast<PAINTSTRUCT*>(paint_)); }

void PaintDC::EraseBackground() { SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc_), 0); }

void PaintDC::DrawIcon(int x, int y, Icon icon) { ::DrawIcon(dc_, x, y, icon); }

}  // namespace dialogkit
