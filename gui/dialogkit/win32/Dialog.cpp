#include "dialogkit/Dialog.h"

#include <thread>
#include <vector>

// The template's own style bits, named before the Windows header takes the names.
namespace {
constexpr unsigned kTemplateTabStop = dialogkit::WS_TABSTOP;
constexpr unsigned kTemplateDefault = dialogkit::BS_DEFPUSHBUTTON;
constexpr unsigned kTemplateBorder = dialogkit::WS_BORDER;
}  // namespace

#include "dialogkit/win32/Utf16.h"
#include "dialogkit/win32/WinApi.h"

namespace dialogkit {

namespace {

// Posted by the worker thread of RunJob when the job is done.
constexpr UINT kJobDone = WM_APP + 1;

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

// An in-memory DLGTEMPLATEEX: a header, then one DWORD-aligned item per control.
class TemplateWriter {
public:
    void Word(WORD w) { words_.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const std::string& utf8) {
        for (wchar_t c : Widen(utf8)) Word(static_cast<WORD>(c));
        Word(0);
    }
    void Ordinal(WORD ordinal) {
        Word(0xFFFF);
        Word(ordinal);
    }
    void AlignDword() {
        if (words_.size() % 2) Word(0);
    }
    const DLGTEMPLATE* data() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<WORD> words_;
};

DWORD ControlStyle(const ControlTemplate& c) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    if (c.style & kTemplateTabStop) style |= WS_TABSTOP;
    switch (c.kind) {
    case ControlKind::PushButton:
        return style | ((c.style & kTemplateDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    case ControlKind::Static:
        return style | SS_LEFT | WS_GROUP;
    case ControlKind::Edit:
        // Scrolls sideways, so that a path longer than the box can be typed.
        return style | ES_LEFT | ES_AUTOHSCROLL | ((c.style & kTemplateBorder) ? WS_BORDER : 0);
    case ControlKind::Icon:
        return style | SS_ICON;
    }
    return style;
}

void BuildTemplate(const DialogTemplate& t, bool ownWindow, TemplateWriter& w) {
    w.Word(1);       // dlgVer
    w.Word(0xFFFF);  // signature: the extended form
    w.Dword(0);      // helpID
    // An unowned dialog is the program's window: on the taskbar.
    w.Dword(ownWindow ? WS_EX_APPWINDOW : 0);
    // Centred: a dialog program has no other place to start from.
    w.Dword(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_CENTER | (t.systemMenu ? WS_SYSMENU : 0));
    w.Word(static_cast<WORD>(t.controls.size()));
    w.Word(0);
    w.Word(0);
    w.Word(static_cast<WORD>(t.cx));
    w.Word(static_cast<WORD>(t.cy));
    w.Word(0);  // no menu
    w.Word(0);  // the dialog class
    w.Text(t.caption);
    w.Word(static_cast<WORD>(t.fontPointSize));
    w.Word(FW_NORMAL);
    w.Word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, charset
    w.Text(t.fontFace);
    for (const ControlTemplate& c : t.controls) {
        w.AlignDword();
        w.Dword(0);  // helpID
        w.Dword(0);  // exStyle
        w.Dword(ControlStyle(c));
        w.Word(static_cast<WORD>(c.x));
        w.Word(static_cast<WORD>(c.y));
        w.Word(static_cast<WORD>(c.cx));
        w.Word(static_cast<WORD>(c.cy));
        w.Dword(static_cast<DWORD>(c.id));
        static constexpr WORD kClasses[] = {0x0080, 0x0082, 0x0081, 0x0082};  // button, static, edit, static
        w.Ordinal(kClasses[static_cast<int>(c.kind)]);
        if (c.kind == ControlKind::Icon)
            w.Ordinal(static_cast<WORD>(c.iconId));  // the system loads it from the module
        else
            w.Text(c.text);
        w.Word(0);  // no creation data
    }
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
            if (dialog->template_->systemMenu) dialog->systemMenu_.emplace(::GetSystemMenu(hwnd, FALSE));
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

Dialog::Dialog(int templateId, Dialog* parent) : template_(FindDialogTemplate(templateId)), parent_(parent) {}

int Dialog::DoModal() {
    if (!template_) return -1;
    // An unowned dialog is owned by the active window, if any.
    HWND owner = parent_ ? parent_->hwnd_ : GetActiveWindow();
    TemplateWriter writer;
    BuildTemplate(*template_, owner == nullptr, writer);
    const INT_PTR result = DialogBoxIndirectParamW(Module(), writer.data(), owner, DialogMessages::Procedure,
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

SystemMenu* Dialog::GetSystemMenu() { return systemMenu_ ? &*systemMenu_ : nullptr; }

void Dialog::SetIcon(Icon icon, bool bigIcon) {
    SendMessageW(hwnd_, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool Dialog::IsIconic() const { return ::IsIconic(hwnd_); }

Size Dialog::GetClientSize() const {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return Size{r.right - r.left, r.bottom - r.top};
}

void Dialog::RunJob(const std::function<void()>& job) {
    HWND focus = GetFocus();
    busy_ = true;
    EnableWindow(hwnd_, FALSE);
    HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    std::thread worker([&] {
        job();
        PostMessageW(hwnd_, kJobDone, 0, 0);
    });
    // Painting and the other windows' messages go on while the job runs.
    MSG msg;
    bool quit = false;
    while (true) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (msg.hwnd == hwnd_ && msg.message == kJobDone) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    worker.join();
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
    EnableWindow(hwnd_, TRUE);
    busy_ = false;
    SetCursor(before);
    if (focus) SetFocus(focus);
}

bool Dialog::OnInitDialog() { return true; }
void Dialog::OnOK() { EndDialog(IDOK); }
void Dialog::OnCancel() { EndDialog(IDCANCEL); }
void Dialog::OnSysCommand(unsigned, long) { Default(); }
void Dialog::OnPaint() { Default(); }

void Dialog::OnCommand(int id) {
    if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    } else if (auto it = commands_.find(id); it != commands_.end()) {
        it->second();
    }
}

PaintDC::PaintDC(Dialog* window) : hwnd_(window->GetSafeHwnd()) {
    static_assert(sizeof(PAINTSTRUCT) <= sizeof(paint_));
    dc_ = BeginPaint(hwnd_, reinterpret_cast<PAINTSTRUCT*>(paint_));
}

PaintDC::~PaintDC() { EndPaint(hwnd_, reinterpret_cast<PAINTSTRUCT*>(paint_)); }

void PaintDC::EraseBackground() { SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc_), 0); }

void PaintDC::DrawIcon(int x, int y, Icon icon) { ::DrawIcon(dc_, x, y, icon); }

}  // namespace dialogkit
