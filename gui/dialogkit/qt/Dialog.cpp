#include "dialogkit/Dialog.h"

#include <algorithm>
#include <thread>

#include <QApplication>
#include <QEventLoop>
#include <QPixmap>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "dialogkit/Styles.h"
#include "dialogkit/qt/DialogFont.h"

namespace dialogkit {

namespace {

// The wait cursor over the whole application for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

bool IsAltSpace(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Space && (key->modifiers() & Qt::AltModifier);
}

// The local files a drag carries; empty for anything else (text, remote URLs).
std::vector<std::string> LocalFiles(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

}  // namespace

std::string LoadString(int id) {
    const auto& strings = CurrentResources().strings;
    auto it = strings.find(id);
    return it == strings.end() ? std::string() : it->second;
}

Icon LoadIcon(int id) {
    QIcon icon;
    for (const IconResource& resource : CurrentResources().icons) {
        if (resource.id != id) continue;
        for (const char* const* xpm : resource.images) icon.addPixmap(QPixmap(xpm));
    }
    return icon;
}

SystemMenu::SystemMenu() { items_.push_back(Item{MF_STRING, SC_CLOSE, "閉じる(&C)\tAlt+F4"}); }

void SystemMenu::AppendMenu(unsigned flags, unsigned id, const std::string& text) {
    if (flags & MF_SEPARATOR)
        items_.push_back(Item{MF_SEPARATOR, 0, std::string()});
    else
        items_.push_back(Item{flags, id, text});
}

Dialog::Dialog(int templateId, Dialog* parent) : QDialog(parent), template_(FindDialogTemplate(templateId)) {}

bool Dialog::Create() {
    if (!template_) return false;
    if (created_) return true;
    created_ = true;

    const DialogTemplate& t = *template_;
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (t.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    setWindowTitle(QString::fromStdString(t.caption));
    setFont(DialogFont(t.fontFace, t.fontPointSize));
    units_ = BaseUnitsOf(fontMetrics());
    setFixedSize(ToQRect(MapDialogRect(units_, 0, 0, t.cx, t.cy)).size());

    if (t.style & WS_SYSMENU) systemMenu_.emplace();

    // Qt's focus chain follows creation order, so template order is tab order.
    for (const ControlTemplate& control : t.controls) controls_.emplace_back(control.id, CreateControl(control));
    // Alt+Space is taken from the key events themselves rather than through
    // a shortcut: a shortcut fires only while Qt counts the window active,
    // which after another window closes without a window manager it may not,
    // and the Space would then press the focused button.
    installEventFilter(this);
    for (const auto& [id, widget] : controls_) widget->installEventFilter(this);

    if (OnInitDialog()) {
        auto first = std::find_if(t.controls.begin(), t.controls.end(),
                                  [](const ControlTemplate& c) { return c.style & WS_TABSTOP; });
        if (first != t.controls.end()) controls_[first - t.controls.begin()].second->setFocus(Qt::TabFocusReason);
    }
    return true;
}

QWidget* Dialog::CreateControl(const ControlTemplate& control) {
    const QString text = QString::fromStdString(control.text);
    const QRect rect = ToQRect(MapDialogRect(units_, control.x, control.y, control.cx, control.cy));
    const Qt::FocusPolicy focus = (control.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus;
    QWidget* widget = nullptr;
    switch (control.kind) {
    case ControlKind::PushButton: {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(true);
        button->setDefault((control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        button->setFocusPolicy(focus);
        const int id = control.id;
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        widget = button;
        break;
    }
    case ControlKind::Static: {
        if ((control.style & SS_TYPEMASK) == SS_ICON) {
            // Like the Windows icon control, it takes the icon's own size.
            auto* icon = new QLabel(this);
            icon->setPixmap(LoadIcon(control.iconId).pixmap(kIconSize, kIconSize));
            icon->setGeometry(QRect(rect.topLeft(), QSize(kIconSize, kIconSize)));
            return icon;
        }
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(text, this);
        edit->setFrame(control.style & WS_BORDER);
        edit->setFocusPolicy(focus);
        widget = edit;
        break;
    }
    }
    widget->setGeometry(rect);
    if (auto* label = qobject_cast<QLabel*>(widget)) FitStatic(label, rect);
    return widget;
}

void Dialog::FitStatic(QLabel* label, QRect r) {
    const QFontMetrics metrics = label->fontMetrics();
    const int textWidth = metrics.horizontalAdvance(label->text());
    const int room = width() - r.x();
    r.setWidth(std::max(r.width(), std::min(textWidth, room)));
    r.setHeight(std::max(r.height(), metrics.height()));
    label->setGeometry(r);
}

int Dialog::DoModal() {
    // An unowned dialog is owned by the active window, as on Windows.
    if (!parentWidget())
        if (QWidget* owner = QApplication::activeWindow(); owner && owner != this) setParent(owner, windowFlags());
    if (!Create()) return -1;
    const int result = exec();
    // As on Windows, the owner has the keyboard again; without a window
    // manager nobody else would give it back.
    if (QWidget* owner = parentWidget(); owner && owner->isVisible()) owner->activateWindow();
    return result;
}

void Dialog::EndDialog(int result) { done(result); }

QWidget* Dialog::GetDlgItem(int id) const {
    for (const auto& [controlId, widget] : controls_)
        if (controlId == id) return widget;
    return nullptr;
}

void Dialog::SetDlgItemText(int id, const std::string& utf8) {
    const QString text = QString::fromStdString(utf8);
    QWidget* widget = GetDlgItem(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
        // controls_ runs parallel to the template's controls.
        for (std::size_t i = 0; i < controls_.size(); ++i) {
            if (controls_[i].second != label) continue;
            const ControlTemplate& c = template_->controls[i];
            FitStatic(label, ToQRect(MapDialogRect(units_, c.x, c.y, c.cx, c.cy)));
        }
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    }
}

void Dialog::GotoDlgCtrl(int id) {
    QWidget* widget = GetDlgItem(id);
    if (!widget) return;
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
}

std::string Dialog::GetDlgItemText(int id) const {
    QWidget* widget = GetDlgItem(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
    if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text().toStdString();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
    return std::string();
}

SystemMenu* Dialog::GetSystemMenu() { return systemMenu_ ? &*systemMenu_ : nullptr; }

QMenu* Dialog::ShowSystemMenu(const QPoint& globalPos) {
    if (!systemMenu_) return nullptr;
    if (!systemMenuPopup_) systemMenuPopup_ = new QMenu(this);
    systemMenuPopup_->clear();
    for (const SystemMenu::Item& item : systemMenu_->items()) {
        if (item.flags & MF_SEPARATOR) {
            systemMenuPopup_->addSeparator();
            continue;
        }
        QAction* action = systemMenuPopup_->addAction(QString::fromStdString(item.text));
        const unsigned id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { OnSysCommand(id, 0); });
    }
    systemMenuPopup_->popup(globalPos);
    return systemMenuPopup_;
}

void Dialog::RunJob(const std::function<void(const JobProgress&)>& job) {
    setEnabled(false);
    busy_ = true;
    WaitCursor wait;
    QEventLoop loop;
    const QString caption = windowTitle();
    ProgressFilter filter;
    // Shown by the dialog's thread, in the order reported, before the quit.
    const JobProgress progress = [&](double fraction) {
        if (std::optional<int> percent = filter.Next(fraction)) {
            const QString text = QString::fromStdString(CaptionWithPercent(caption.toStdString(), *percent));
            QMetaObject::invokeMethod(this, [this, text] { setWindowTitle(text); }, Qt::QueuedConnection);
        }
    };
    // A quit posted before exec() starts waits in the queue, so it is never
    // lost. Without a thread to be had, the job runs here, unpainted.
    std::thread worker;
    try {
        worker = std::thread([&] {
            job(progress);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::exception&) {
    }
    if (worker.joinable()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        worker.join();
    } else {
        job(progress);
    }
    setWindowTitle(caption);
    busy_ = false;
    setEnabled(true);
}

void Dialog::SetIcon(const Icon& icon, bool /*bigIcon: one QIcon holds both sizes*/) { setWindowIcon(icon); }

void Dialog::OnSysCommand(unsigned id, long /*param*/) {
    if ((id & 0xFFF0) == SC_CLOSE) OnCommand(IDCANCEL);
}

void Dialog::OnPaint() {}

void Dialog::closeEvent(QCloseEvent* event) {
    // The close box is the system menu's Close; whether the dialog really
    // ends is up to the handlers.
    event->ignore();
    if (!busy_) OnSysCommand(SC_CLOSE, 0);
}

void Dialog::paintEvent(QPaintEvent*) { OnPaint(); }

void Dialog::contextMenuEvent(QContextMenuEvent* event) {
    if (ShowSystemMenu(event->globalPos())) event->accept();
}

bool Dialog::eventFilter(QObject* watched, QEvent* event) {
    if (systemMenu_ && IsAltSpace(event)) {
        // The press opens the menu; neither it nor the release reaches a button.
        if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->isAutoRepeat() && !busy_)
            ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
        return true;
    }
    // Files dropped anywhere on the dialog, the edit box included (which
    // would otherwise insert their URLs as text), go to OnDropFiles.
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        if (!acceptFiles_) break;
        auto* drop = static_cast<QDropEvent*>(event);
        const std::vector<std::string> paths = LocalFiles(drop->mimeData());
        if (paths.empty() || busy_) {
            // Text and other data is for the control under the mouse.
            if (watched != this) break;
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop) OnDropFiles(paths);
        return true;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void PaintDC::EraseBackground() { painter_.fillRect(window_->rect(), window_->palette().window()); }

void PaintDC::DrawIcon(int x, int y, const Icon& icon) {
    painter_.drawPixmap(x, y, icon.pixmap(kIconSize, kIconSize));
}

}  // namespace dialogkit
