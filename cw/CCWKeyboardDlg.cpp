#include "cw/CCWKeyboardDlg.h"

#include "controls/CColorButton.h"
#include "controls/CShadedButton.h"
#include "controls/CStaticEx.h"
#include "controls/ControlSupport.h"
#include "controls/PanelKeys.h"
#include "controls/ToolPlacement.h"
#include "cw/CCWTypeInEdit.h"
#include "cw/CMemoryKeyPanelDlg.h"
#include "cw/CwDialogs.h"
#include "settings/CRigControlRegistry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace tamrel {

namespace {

const QColor kRed(255, 0, 0);
const QColor kGrey(192, 192, 192);
const QColor kOrange(255, 128, 0);

cw::CwKeyboard::Texts memoryFrom(CRigControlRegistry& registry) {
    MemoryKeyTexts texts;
    registry.GetTransmitMemoryKeys(texts);
    cw::CwKeyboard::Texts t;
    // What is shown and sent never holds what would break the KY command.
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] = cw::KeyableText(texts[i]);
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

void CCWKeyboardDlg::Services::QueueText(const std::string& text) {
    thread_.Post(CwText{text});
}

void CCWKeyboardDlg::Services::AbortQueue() {
    thread_.Post(CwAbort{});
}

cw::MacroVariables CCWKeyboardDlg::Services::Variables() {
    cw::MacroVariables v;
    for (int id = 1; id <= int(v.size()); ++id)
        v[std::size_t(id - 1)] = registry_.GetMacroVariable(id).value_or("");
    return v;
}

cw::SerialCounter CCWKeyboardDlg::Services::Counter() {
    CounterSettings c{1, 0};
    registry_.GetCounterSettings(c);
    return {c.counter, c.outputMode};
}

void CCWKeyboardDlg::Services::StoreCounter(const cw::SerialCounter& counter) {
    registry_.SetCounterSettings({counter.value, counter.outputMode});
}

void CCWKeyboardDlg::Services::Refused(const std::string& text) {
    QApplication::beep();
    panel_.ShowStatus(text, true);
}

CCWKeyboardDlg::CCWKeyboardDlg(CRigControlRegistry& registry, CwQueue& cwThread,
                               PanelCommands& panel, QWidget* parent)
    : QDialog(parent), registry_(registry), thread_(cwThread), commands_(panel),
      services_(registry, cwThread, panel), logic_(services_, memoryFrom(registry)),
      slide_(*this, panel, {DockSide::Below, DockSide::Right, DockSide::Left}, false,
             [this] { Q_EMIT closed(); }),
      inbox_([this](cw::CwProgress&& progress) { OnProgress(progress); }) {
    setWindowTitle(kKeyboardTitle);
    setAccessibleName(kKeyboardTitle);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    StandAlone(*this);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    pending_ = new QPlainTextEdit(this);
    setControlId(*pending_, 1223, "Pending text");
    pending_->setReadOnly(true);
    pending_->setFocusPolicy(Qt::NoFocus);
    pending_->setMinimumHeight(pending_->fontMetrics().lineSpacing() * 2 + 12);
    layout->addWidget(pending_, 1);

    typeIn_ = new CCWTypeInEdit(
        [this](const std::string& piece) {
            if (!logic_.TakeTyped(piece))
                return false;
            Show();
            return true;
        },
        this);
    setControlId(*typeIn_, 1010, "Type-in line");
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
    // The popup's "Set New Serial No", where it can be seen.
    auto* serial = flat(*this, kSerialButton, "Serial No");
    connect(serial, &QAbstractButton::clicked, this, [this] {
        CSetCounterDlg dlg(registry_, this);
        dlg.exec();
    });
    indicator_ = new CStaticEx("AutoPlay", this);
    setControlId(*indicator_, 1097, "AutoPlay lamp");
    indicator_->setAlignment(Qt::AlignCenter);
    indicator_->setMinimumWidth(70);
    indicator_->setFixedHeight(24);
    for (QWidget* w : std::initializer_list<QWidget*>{abort_, define_, autoplayButton_, repeat_,
                                                      serial, indicator_})
        row->addWidget(w);
    layout->addLayout(row);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("timer%1").arg(kAutoplayTimer));
    timer_->setSingleShot(true); // armed again when the next play has gone out
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
    connect(&registry_, &CRigControlRegistry::memoryKeyChanged, this,
            [this](int key) { OnMemoryKeyChanged(key); });
    InstallPanelKeys(*this, commands_, PanelKey::Memory | PanelKey::Windows);
    // F1..F11 send the stored texts and Esc aborts, wherever the focus is in
    // this window (and in the memory key panel, a tool window of this one).
    for (int i = 0; i <= cw::kMemoryKeys; ++i) {
        const bool esc = i == cw::kMemoryKeys;
        auto* key =
            new QShortcut(esc ? QKeySequence(Qt::Key_Escape) : QKeySequence(Qt::Key_F1 + i), this);
        key->setAutoRepeat(false);
        connect(key, &QShortcut::activated, this,
                [this, i, esc] { OnKey(esc ? cw::kKeyAbort : uint64_t(i)); });
    }
    thread_.Post(CwEchoTo{inbox_.address()});
}

CCWKeyboardDlg::~CCWKeyboardDlg() {
    thread_.Post(CwEchoTo{}); // the inbox closes with the window anyway
    timer_->stop();
}

void CCWKeyboardDlg::Open() {
    closing_ = false;
    if (isHidden())
        adjustSize();
    slide_.Out();
    typeIn_->setFocus();
    activateWindow();
}

void CCWKeyboardDlg::CloseWindow() {
    closing_ = true;
    // The memory panel slides in first; this window follows once it is in.
    if (panel_)
        panel_->CloseWindow();
    else
        slide_.In();
}

void CCWKeyboardDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (!closing_)
        CloseWindow();
}

void CCWKeyboardDlg::OnMemoryPanelClosed() {
    if (!panel_ || !panel_->Closing() || !panel_->isHidden())
        return; // opened again meanwhile
    panel_.reset();
    if (closing_)
        slide_.In();
}

void CCWKeyboardDlg::Follow() {
    slide_.Follow();
    if (panel_)
        panel_->Follow();
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

void CCWKeyboardDlg::OnMemoryKeyChanged(int key) {
    if (key < 0 || key >= cw::kMemoryKeys)
        return;
    MemoryKeyTexts texts;
    registry_.GetTransmitMemoryKeys(texts);
    logic_.ReplaceMemory(key, cw::KeyableText(texts[std::size_t(key)]));
    ShowMemory(key);
}

void CCWKeyboardDlg::OnProgress(const cw::CwProgress& progress) {
    logic_.Progress(progress);
    ArmAutoplayTimer();
    Show();
}

void CCWKeyboardDlg::ArmAutoplayTimer() {
    if (!logic_.TimerWanted())
        timer_->stop();
    else if (!timer_->isActive())
        timer_->start(logic_.Autoplay().interval * 1000);
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
    ArmAutoplayTimer();
    for (int i = 0; i < cw::kMemoryKeys; ++i)
        ShowMemory(i);
    typeIn_->setEnabled(!running);
    autoplayButton_->setEnabled(!running);
    repeat_->setEnabled(!running);
    indicator_->setBackgroundColour(running ? kOrange : kGrey);
    Show();
}

void CCWKeyboardDlg::ToggleMemoryPanel() {
    if (panel_ && !panel_->Closing()) {
        panel_->CloseWindow();
        return;
    }
    if (!panel_) {
        panel_ = std::make_unique<CMemoryKeyPanelDlg>(registry_, *this, commands_);
        // Queued: the panel announces from inside its slide's timer.
        connect(
            panel_.get(), &CMemoryKeyPanelDlg::closed, this, [this] { OnMemoryPanelClosed(); },
            Qt::QueuedConnection);
    }
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
        menu_
            ->addAction("Set My RST", this,
                        [this] {
                            CMySignalReportDlg dlg(registry_, this);
                            dlg.exec();
                        })
            ->setData(140);
        menu_->addAction("QSO Logging", this, [this] { commands_.OpenQsoLogging(); })->setData(141);
        menu_
            ->addAction("Set New Serial No", this,
                        [this] {
                            CSetCounterDlg dlg(registry_, this);
                            dlg.exec();
                        })
            ->setData(156);
    }
    menu_->popup(globalPos);
}

} // namespace tamrel
