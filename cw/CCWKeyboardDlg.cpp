#include "cw/CCWKeyboardDlg.h"

#include "controls/CColorButton.h"
#include "controls/CShadedButton.h"
#include "controls/CStaticEx.h"
#include "controls/ControlSupport.h"
#include "cw/CCWTypeInEdit.h"
#include "cw/CMemoryKeyPanelDlg.h"
#include "cw/CwDialogs.h"
#include "settings/CRigControlRegistry.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace tamrel {

namespace {

const QColor kRed(255, 0, 0);
const QColor kGrey(192, 192, 192);
const QColor kOrange(255, 128, 0);

CounterSettings counterFrom(CRigControlRegistry& registry) {
    CounterSettings c{1, 0};
    registry.GetCounterSettings(c);
    return c;
}

MemoryKeyTexts memoryFrom(CRigControlRegistry& registry) {
    MemoryKeyTexts texts;
    registry.GetTransmitMemoryKeys(texts);
    // What is shown and sent never holds what would break the KY command.
    for (std::string& t : texts)
        t = cw::KeyableText(t);
    return texts;
}

cw::CwKeyboard::Texts asTexts(const MemoryKeyTexts& m) {
    cw::CwKeyboard::Texts t;
    std::copy(m.begin(), m.end(), t.begin());
    return t;
}

CShadedButton* flat(QWidget& parent, int id, const QString& caption) {
    auto* b = new CShadedButton(caption, &parent);
    setControlId(*b, id, caption);
    b->setFlat(true);
    b->setMinimumHeight(24);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

CCWKeyboardDlg::CCWKeyboardDlg(CRigControlRegistry& registry, Handle cwThread, CwKeyboardHost host,
                               QWidget* parent)
    : QDialog(parent), registry_(registry), thread_(cwThread), host_(std::move(host)),
      logic_(cw::CwKeyboardHooks{[this](Message m) { Mailboxes::post(thread_, std::move(m)); },
                                 [this] {
                                     cw::MacroVariables v;
                                     for (int id = 1; id <= 8; ++id)
                                         v[std::size_t(id - 1)] =
                                             registry_.GetMacroVariable(id).value_or("");
                                     return v;
                                 },
                                 [this](int32_t counter, uint8_t mode) {
                                     registry_.SetCounterSettings({counter, mode});
                                 },
                                 [this](const std::string& text) {
                                     QApplication::beep();
                                     if (host_.refused)
                                         host_.refused(text);
                                 }},
             asTexts(memoryFrom(registry)), counterFrom(registry).counter,
             counterFrom(registry).outputMode),
      mailbox_([this](Message&& m) { OnMessage(std::move(m)); }) {
    setWindowTitle(kKeyboardTitle);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    pending_ = new QPlainTextEdit(this);
    setControlId(*pending_, 1223);
    pending_->setReadOnly(true);
    pending_->setFocusPolicy(Qt::NoFocus);
    pending_->setMinimumHeight(pending_->fontMetrics().lineSpacing() * 2 + 12);
    layout->addWidget(pending_, 1);

    typeIn_ = new CCWTypeInEdit(this);
    setControlId(*typeIn_, 1010);
    typeIn_->SetThread(thread_);
    typeIn_->SetEcho([this](const std::string& piece) {
        if (!logic_.TakeTyped(piece))
            return false;
        Show();
        return true;
    });
    layout->addWidget(typeIn_);

    auto* keys = new QHBoxLayout;
    keys->setSpacing(2);
    for (int i = 0; i < cw::kMemoryKeys; ++i) {
        auto* b = new QPushButton(QStringLiteral("F%1").arg(i + 1), this);
        setControlId(*b, kCwButtonIds[i], b->text());
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
        b->setMinimumWidth(36);
        connect(b, &QPushButton::clicked, this, [this, i] {
            logic_.SendMemory(i);
            Show();
        });
        keys_[std::size_t(i)] = b;
        keys->addWidget(b);
    }
    layout->addLayout(keys);

    auto* row = new QHBoxLayout;
    abort_ = new CColorButton("Abort TX!", this);
    setControlId(*abort_, 1213, "Abort TX!");
    abort_->setAutoDefault(false);
    abort_->setMinimumHeight(24);
    connect(abort_, &QPushButton::clicked, this, [this] { Abort(); });
    define_ = flat(*this, 1017, "Define Memory Keys");
    connect(define_, &QAbstractButton::clicked, this, [this] { ToggleMemoryPanel(); });
    autoplayButton_ = flat(*this, 1021, "AutoPlay");
    connect(autoplayButton_, &QAbstractButton::clicked, this, [this] { OnAutoplay(); });
    repeat_ = flat(*this, 1025, "AutoPlay Repeat");
    connect(repeat_, &QAbstractButton::clicked, this, [this] { OnAutoplayRepeat(); });
    indicator_ = new CStaticEx("AutoPlay", this);
    setControlId(*indicator_, 1097, "AutoPlay");
    indicator_->setAlignment(Qt::AlignCenter);
    indicator_->setMinimumWidth(70);
    indicator_->setFixedHeight(24);
    for (QWidget* w :
         std::initializer_list<QWidget*>{abort_, define_, autoplayButton_, repeat_, indicator_})
        row->addWidget(w);
    layout->addLayout(row);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("timer%1").arg(kAutoplayTimer));
    connect(timer_, &QTimer::timeout, this, [this] {
        logic_.Tick();
        AutoplayChanged();
    });

    autoplayDialog =
        [this](const std::array<bool, cw::kMemoryKeys>& notEmpty,
               const cw::AutoplaySettings& current) -> std::optional<cw::AutoplaySettings> {
        CMemoryKeyAutoplayDlg dlg(notEmpty, current, this);
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return dlg.Result();
    };

    for (int i = 0; i < cw::kMemoryKeys; ++i)
        ShowMemory(i);
    Show();
    AutoplayChanged();
    qApp->installEventFilter(this);
    Mailboxes::post(thread_, {msg::WM_K2_SET_PEER, 0, Payload::of(WindowHandle())});
}

CCWKeyboardDlg::~CCWKeyboardDlg() {
    qApp->removeEventFilter(this);
    // The thread must not post to a window that is gone.
    Mailboxes::post(thread_, {msg::WM_K2_SET_PEER, 0, Payload::of(Handle{0})});
    timer_->stop();
    SaveCounter();
}

void CCWKeyboardDlg::SaveCounter() {
    registry_.SetCounterSettings({logic_.Counter(), logic_.OutputMode()});
}

void CCWKeyboardDlg::Open() {
    adjustSize();
    show();
    Slide(true);
    typeIn_->setFocus();
    activateWindow();
}

void CCWKeyboardDlg::CloseWindow() {
    if (panel_) {
        panel_->CloseWindow();
        panel_.reset();
    }
    if (isVisible())
        Slide(false);
    hide();
}

void CCWKeyboardDlg::Follow() {
    if (!host_.panel || !isVisible())
        return;
    PlaceFrame(*this,
               DockRect(host_.panel->frameGeometry(), frameGeometry().width(), side_, false));
    if (panel_)
        panel_->Follow();
}

void CCWKeyboardDlg::Slide(bool out) {
    if (!host_.panel)
        return;
    const QRect frame = host_.panel->frameGeometry();
    const QRect target =
        DockRect(frame, sizeHint().width() + frameGeometry().width() - width(), side_, false);
    std::vector<QRect> steps = SlideSteps(target, side_);
    if (!out) {
        std::reverse(steps.begin(), steps.end());
        steps.erase(steps.begin());
    }
    for (const QRect& r : steps) {
        PlaceFrame(*this, r);
        if (slideDelay_ > 0)
            QThread::msleep(ulong(slideDelay_));
    }
}

void CCWKeyboardDlg::OnMessage(Message&& m) {
    switch (m.id) {
    case msg::WM_K2_CW_NOTIFY:
        OnNotify(m.wParam, m.payload.get<std::string>());
        break;
    case msg::WM_K2_CW_KEY:
        OnKey(m.wParam);
        break;
    case msg::WM_K2_CW_TEXT:
        if (const std::string* text = m.payload.get<std::string>())
            OnCwText(*text);
        break;
    case msg::WM_K2_MEMKEY_CHANGED:
        if (const std::string* text = m.payload.get<std::string>())
            OnMemoryChanged(int(m.wParam), *text);
        break;
    case msg::WM_K2_BRING_TO_FRONT:
        raise();
        activateWindow();
        break;
    default:
        break;
    }
}

void CCWKeyboardDlg::OnKey(uint64_t code) {
    if (code == cw::kKeyAbort) {
        Abort();
        return;
    }
    if (code < uint64_t(cw::kMemoryKeys)) {
        logic_.SendKey(int(code));
        Show();
    }
}

void CCWKeyboardDlg::OnCwText(const std::string& text) {
    logic_.SendText(text);
    Show();
}

void CCWKeyboardDlg::OnMemoryChanged(int index, const std::string& text) {
    logic_.ReplaceMemory(index, cw::KeyableText(text));
    if (index >= 0 && index < cw::kMemoryKeys)
        ShowMemory(index);
}

void CCWKeyboardDlg::OnNotify(uint64_t code, const std::string* chunk) {
    logic_.Progress(code, chunk);
    Show();
}

void CCWKeyboardDlg::Abort() {
    const bool wasRunning = logic_.AutoplayRunning();
    logic_.Abort();
    typeIn_->Reset();
    if (wasRunning)
        AutoplayChanged();
    Show();
}

void CCWKeyboardDlg::Show() {
    const QString pending = QString::fromLatin1(logic_.Pending());
    if (pending_->toPlainText() != pending) {
        pending_->setPlainText(pending);
        pending_->moveCursor(QTextCursor::End);
    }
    abort_->setColours(Qt::black, logic_.AbortRed() ? kRed : kGrey);
}

void CCWKeyboardDlg::ShowMemory(int i) {
    QPushButton* b = keys_[std::size_t(i)];
    const bool empty = logic_.MemoryEmpty(i);
    b->setToolTip(empty ? QString() : QString::fromLatin1(logic_.Memory(i)));
    b->setEnabled(!empty && !logic_.AutoplayRunning());
}

void CCWKeyboardDlg::OnAutoplay() {
    if (!logic_.AnyMemory())
        return;
    std::array<bool, cw::kMemoryKeys> notEmpty{};
    for (int i = 0; i < cw::kMemoryKeys; ++i)
        notEmpty[std::size_t(i)] = !logic_.MemoryEmpty(i);
    if (std::optional<cw::AutoplaySettings> s = autoplayDialog(notEmpty, logic_.Autoplay())) {
        logic_.ConfigureAutoplay(*s);
        StartAutoplay();
    }
}

void CCWKeyboardDlg::OnAutoplayRepeat() {
    if (!logic_.AutoplayConfigured()) {
        OnAutoplay();
        return;
    }
    StartAutoplay();
}

void CCWKeyboardDlg::StartAutoplay() {
    if (logic_.AutoplayRunning())
        return;
    logic_.StartAutoplay();
    AutoplayChanged();
    Show();
}

void CCWKeyboardDlg::AutoplayChanged() {
    const bool running = logic_.AutoplayRunning();
    if (running && !timer_->isActive())
        timer_->start(logic_.Autoplay().interval * 1000);
    else if (!running)
        timer_->stop();
    for (int i = 0; i < cw::kMemoryKeys; ++i)
        ShowMemory(i);
    typeIn_->setEnabled(!running);
    autoplayButton_->setEnabled(!running);
    repeat_->setEnabled(!running);
    indicator_->setBackgroundColour(running ? kOrange : kGrey);
    Show();
}

void CCWKeyboardDlg::ToggleMemoryPanel() {
    if (panel_) {
        panel_->CloseWindow();
        panel_.reset();
        return;
    }
    panel_ = std::make_unique<CMemoryKeyPanelDlg>(registry_, *this, host_, this);
    panel_->SetSlideDelay(3);
    panel_->Open();
}

void CCWKeyboardDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        ShowMenu(event->globalPosition().toPoint());
        return;
    }
    QDialog::mousePressEvent(event);
}

void CCWKeyboardDlg::ShowMenu(const QPoint& globalPos) {
    if (!menu_) {
        menu_ = std::make_unique<QMenu>(this);
        QAction* rst = menu_->addAction("Set My RST", this, [this] {
            CMySignalReportDlg dlg(registry_, this);
            dlg.exec();
        });
        rst->setData(140);
        if (host_.openLogging)
            menu_->addAction("QSO Logging", this, [this] { host_.openLogging(); })->setData(141);
        menu_
            ->addAction("Set New Serial No", this,
                        [this] {
                            CSetCounterDlg dlg(registry_, logic_.Counter(), logic_.OutputMode(),
                                               this);
                            if (dlg.exec() == QDialog::Accepted)
                                logic_.SetCounter(dlg.Counter(), dlg.OutputMode());
                        })
            ->setData(156);
    }
    menu_->popup(globalPos);
}

bool CCWKeyboardDlg::OurKey(QObject* watched) const {
    auto* w = qobject_cast<QWidget*>(watched);
    return w && (w == this || isAncestorOf(w));
}

bool CCWKeyboardDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !OurKey(watched))
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();
    const bool alt = key->modifiers() & Qt::AltModifier;
    if (alt && k >= Qt::Key_F1 && k <= Qt::Key_F4) {
        if (host_.panelCommand)
            host_.panelCommand(146 + (k - Qt::Key_F1));
        return true;
    }
    if (alt && (k == Qt::Key_T || k == Qt::Key_X)) {
        // The front panel acts on these once this handler has returned.
        if (host_.panelCommand)
            host_.panelCommand(k == Qt::Key_T ? 1015 : 1);
        return true;
    }
    if (k >= Qt::Key_F1 && k <= Qt::Key_F11 && !key->isAutoRepeat()) {
        OnKey(uint64_t(k - Qt::Key_F1));
        return true;
    }
    if (k == Qt::Key_Escape) {
        OnKey(cw::kKeyAbort);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tamrel
