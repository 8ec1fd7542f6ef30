#include "CFrontPanelDlg.h"

#include "controls/CColorButton.h"
#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "memory/MemoryCommands.h"
#include "memory/MemoryDialogRunner.h"
#include "panel/FrontPanelView.h"
#include "platform/Prompter.h"
#include "radio/CK2CommChannel.h"
#include "radio/K2Commands.h"
#include "remote/ControlServer.h"
#include "resources/Artwork.h"
#include "settings/CRigControlRegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>

namespace tamrel {

using namespace std::chrono_literals;

namespace {

int loadTuningRange(CRigControlRegistry& registry) {
    uint8_t range = 0;
    registry.GetTuningRange(range);
    return range;
}

QColor fromColorRef(uint32_t ref) {
    return QColor(int(ref & 0xff), int((ref >> 8) & 0xff), int((ref >> 16) & 0xff));
}

// Trackbar notification of a slider action: what the radio's panel logic
// expects to see for keys, clicks on the groove and the wheel.
int sliderCode(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        return kLineUp;
    case QAbstractSlider::SliderSingleStepAdd:
        return kLineDown;
    case QAbstractSlider::SliderPageStepSub:
        return kPageUp;
    case QAbstractSlider::SliderPageStepAdd:
        return kPageDown;
    case QAbstractSlider::SliderMove:
        return kThumbTrack;
    case QAbstractSlider::SliderToMinimum:
        return kTop;
    case QAbstractSlider::SliderToMaximum:
        return kBottom;
    default:
        return -1;
    }
}

bool IsEnterKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

int64_t numberOf(const Payload& p) {
    if (const int64_t* v = p.get<int64_t>())
        return *v;
    return 0;
}

} // namespace

int WheelNotches::Turn(QPoint angleDelta) {
    // A mostly horizontal movement (a tilt wheel, a touchpad's sideways swipe)
    // is no turn of the knob.
    if (angleDelta.y() == 0 || std::abs(angleDelta.x()) > std::abs(angleDelta.y()))
        return 0;
    pending_ += angleDelta.y();
    const int notches = pending_ / QWheelEvent::DefaultDeltasPerStep;
    pending_ -= notches * QWheelEvent::DefaultDeltasPerStep;
    return notches;
}

K2RadioModel RadioModelFromSettings(CRigControlRegistry& registry) {
    BandTable bands = defaultBandTable();
    registry.LoadBandInfo(bands);
    VfoMemory memory = defaultVfoMemory();
    registry.GetVfoFrequencies(memory);
    return K2RadioModel(bands, memory);
}

CFrontPanelDlg::CFrontPanelDlg(CRigControlRegistry& registry, Prompter& prompter,
                               RadioOperations& radio, QWidget* parent)
    : QDialog(parent), registry_(registry), prompter_(prompter), radio_(radio),
      presenter_(radio.Model(), loadTuningRange(registry)), controls_(presenter_, radio),
      mailbox_([this](Message&& m) { OnMessage(std::move(m)); }) {
    uint8_t together = 1;
    registry_.GetWindowsMoveTogether(together);
    windowsMoveTogether_ = together != 0;
    CommPortSettings port;
    registry_.GetCommPort(port);
    presenter_.SetPortNumber(port.port);
    radio_.SetPaOption(registry_.GetPaOption() != 0);
    controls_.SetTuningRangeSaver([this](int index) { registry_.SetTuningRange(uint8_t(index)); });
    // The CW transmitting thread will be started here once keyboard CW exists.

    setWindowTitle(kFrontPanelTitle);
    setWindowIcon(artwork::appIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    w_ = BuildFrontPanel(*this, fromColorRef(registry_.GetAppColor()));
    // Tool windows and the configuration sheet come with their own work.
    w_.keyboardCw->setEnabled(false);
    w_.switchPanel->setEnabled(false);
    ConnectControls();
    // Enter is the Exit button's (the dialog's OK); no other button may take
    // it for itself by having the focus.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    ShowView(w_, presenter_.View(), kChangeAll);
    presenter_.TakeChanges();
    qApp->installEventFilter(this);
}

CFrontPanelDlg::~CFrontPanelDlg() {
    qApp->removeEventFilter(this);
    Shutdown();
}

void CFrontPanelDlg::SetChannel(CK2CommChannel* channel) {
    channel_ = channel;
    radio_.SetChannel(channel);
}

void CFrontPanelDlg::SetMemoryStore(CK2MemoryStore* store) {
    memoryCommands_.reset();
    if (!store)
        return;
    memoryDialogs_ = std::make_unique<MemoryDialogRunner>(this, prompter_, [this] {
        WindowRect r;
        registry_.GetWindowRect(r);
        return r;
    });
    MemoryCommandHooks hooks{[this] { return radio_.Model().Snapshot(); },
                             [this](const K2RadioState& s) { radio_.ApplyState(s); },
                             [this](const std::string& text, MemoryStatusStyle style) {
                                 presenter_.ShowStatus(text, StatusStyle(int(style)));
                                 Refresh();
                             },
                             [this](int band) { return registry_.GetBandLabel(band); }};
    memoryCommands_ =
        std::make_unique<MemoryCommands>(*store, prompter_, *memoryDialogs_, std::move(hooks));
    // A damaged memory file is told once the panel is up, not behind the splash.
    QTimer::singleShot(0, this, [this, store] {
        for (const std::string& notice : store->TakeStartupNotices())
            prompter_.tell(notice, PromptIcon::Warning);
    });
}

void CFrontPanelDlg::ShowStatusText(const std::string& text) {
    presenter_.ShowStatus(text);
    Refresh();
}

void CFrontPanelDlg::SetPortLabel(const std::string& label) {
    presenter_.SetPortLabel(label);
}

void CFrontPanelDlg::SetControlServer(ControlServer* server) {
    server_ = server;
    if (server_)
        connect(server_, &ControlServer::frameReceived, this,
                [this](ControlServer::ConnectionId, quint32 dwData, const QByteArray& data) {
                    OnControlFrame(dwData, data);
                });
}

void CFrontPanelDlg::ConnectSlider(QSlider* slider, std::function<void(int, int)> handler) {
    connect(slider, &QAbstractSlider::actionTriggered, this, [this, slider, handler](int action) {
        int code = sliderCode(action);
        if (code < 0)
            return;
        // Keys, clicks and the wheel are whole moves: the radio hears the end
        // of each at once. A drag ends when the thumb is released.
        if (code == kThumbTrack && !slider->isSliderDown())
            code = kThumbPosition;
        handler(code, slider->sliderPosition());
        if (!slider->isSliderDown())
            handler(kEndScroll, slider->sliderPosition());
        Refresh();
    });
    connect(slider, &QAbstractSlider::sliderReleased, this, [this, slider, handler] {
        handler(kThumbPosition, slider->sliderPosition());
        handler(kEndScroll, slider->sliderPosition());
        Refresh();
    });
}

void CFrontPanelDlg::ConnectControls() {
    auto onClick = [this](QAbstractButton* b, std::function<void()> f) {
        connect(b, &QAbstractButton::clicked, this, [this, f] {
            f();
            Refresh();
        });
    };
    for (int up = 0; up < 2; ++up)
        for (int step = 1; step <= 4; ++step)
            onClick(w_.steps[up][step - 1], [this, up, step] { controls_.OnTuneStep(up, step); });
    onClick(w_.bandUp, [this] { controls_.OnBandStep(true); });
    onClick(w_.bandDown, [this] { controls_.OnBandStep(false); });
    onClick(w_.aToB, [this] { controls_.OnCopyAToB(); });
    onClick(w_.bToA, [this] { controls_.OnCopyBToA(); });
    onClick(w_.rxA, [this] { controls_.OnReceiveVfo(0); });
    onClick(w_.txA, [this] { controls_.OnTransmitVfo(0); });
    onClick(w_.rxB, [this] { controls_.OnReceiveVfo(1); });
    onClick(w_.txB, [this] { controls_.OnTransmitVfo(1); });
    onClick(w_.rit, [this] { controls_.OnRit(); });
    onClick(w_.xit, [this] { controls_.OnXit(); });
    onClick(w_.clear, [this] { controls_.OnClearOffset(); });
    onClick(w_.offsetDown, [this] { controls_.OnOffsetStep(false); });
    onClick(w_.offsetUp, [this] { controls_.OnOffsetStep(true); });
    for (std::size_t i = 0; i < w_.modes.size(); ++i)
        onClick(w_.modes[i], [this, i] { controls_.OnMode(kModes[i].code); });
    const int agcCodes[3] = {2, 4, 0};
    for (std::size_t i = 0; i < w_.agc.size(); ++i)
        onClick(w_.agc[i], [this, code = agcCodes[i]] { controls_.OnAgc(code); });
    for (std::size_t i = 0; i < w_.xfil.size(); ++i)
        onClick(w_.xfil[i], [this, i] { controls_.OnCrystalFilter(int(i) + 1); });
    onClick(w_.pre, [this] { controls_.OnPreamp(); });
    onClick(w_.att, [this] { controls_.OnAttenuator(); });
    onClick(w_.afil, [this] { controls_.OnAudioFilter(); });
    onClick(w_.nb, [this] { controls_.OnNoiseBlanker(); });
    onClick(w_.ant, [this] { controls_.OnAntenna(); });
    onClick(w_.tune, [this] { controls_.OnTune(); });
    onClick(w_.vfoLock, [this] { controls_.OnVfoLock(); });
    onClick(w_.initialQuery, [this] { SendInitialQuery(); });
    onClick(w_.exit, [this] { ConfirmExit(); });

    for (int v = 0; v < 2; ++v) {
        CEditEx* edit = v == 0 ? w_.vfoA : w_.vfoB;
        onClick(w_.enter[v],
                [this, v, edit] { controls_.OnEnterFrequency(v, edit->text().toStdString()); });
        edit->installEventFilter(this);
    }
    connect(w_.band, &QComboBox::activated, this, [this](int index) {
        controls_.OnBandSelected(index);
        Refresh();
    });
    connect(w_.tuningRange, &QComboBox::activated, this, [this](int index) {
        controls_.OnTuningRangeSelected(index);
        Refresh();
    });
    ConnectSlider(w_.power, [this](int c, int p) { controls_.OnPowerSlider(c, p); });
    ConnectSlider(w_.speed, [this](int c, int p) { controls_.OnSpeedSlider(c, p); });
    ConnectSlider(w_.squelch, [this](int c, int p) { controls_.OnSquelchSlider(c, p); });
    ConnectSlider(w_.offset, [this](int c, int p) { controls_.OnOffsetSlider(c, p); });
    ConnectSlider(w_.tuning, [this](int c, int p) { controls_.OnTuningSlider(c, p); });
    w_.tuning->installEventFilter(this);
}

void CFrontPanelDlg::Refresh() {
    if (uint32_t changes = presenter_.TakeChanges())
        ShowView(w_, presenter_.View(), changes);
}

void CFrontPanelDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (initialised_)
        return;
    initialised_ = true;
    PlaceWindow();
    QTimer::singleShot(250, this, [this] { placementSettled_ = true; });
    activateWindow();
    // Not a frequency edit: focusing one opens it for typing.
    w_.tuning->setFocus();
    if (std::vector<std::string> problems = registry_.LoadProblems(); !problems.empty())
        settingsProblem_ = problems.front();
    if (!channel_ && !settingsProblem_.empty()) {
        presenter_.ShowStatus(std::exchange(settingsProblem_, {}), StatusStyle::Error);
        Refresh();
    }
    HookReceiveThread();
}

void CFrontPanelDlg::PlaceWindow() {
    WindowRect saved;
    registry_.GetWindowRect(saved);
    const QSize need = sizeHint();
    QRect r(saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top);
    // A place on a screen that is gone (a second monitor unplugged) is no place.
    if (r.width() >= need.width() && r.height() >= need.height() &&
        QGuiApplication::screenAt(r.center())) {
        PlaceFrameAt(r.topLeft());
    } else if (QScreen* s = screen()) {
        resize(need);
        move(s->availableGeometry().center() - rect().center());
    }
    QRect placed = frameGeometry();
    registry_.SetFirstLayoutRect(
        {placed.left(), placed.top(), placed.right() + 1, placed.bottom() + 1});
}

// The settings keep the window's outer rectangle, frame included. The panel
// has one size, so only the frame's corner is restored: taking the saved
// outer size as the inner one would grow the window by its title bar at each
// start, and placing the inner corner there would move it up by as much.
void CFrontPanelDlg::PlaceFrameAt(QPoint frameTopLeft) {
    resize(sizeHint());
    move(frameTopLeft); // a window's position is its frame's
}

void CFrontPanelDlg::HookReceiveThread() {
    if (!channel_)
        return;
    presenter_.ShowStatus(kQueryingStatus);
    Refresh();
    radio_.HookReceiveThread(WindowHandle());
}

void CFrontPanelDlg::SendInitialQuery() {
    if (!channel_)
        return;
    // The first reply to the query clears the status line, as at start.
    presenter_.ShowStatus(kQueryingStatus);
    radio_.Model().ExpectFirstReply();
    Refresh();
    radio_.SendInitialQuery();
}

void CFrontPanelDlg::OnMessage(Message&& m) {
    switch (m.id) {
    case msg::WM_K2_REPLY:
        if (const std::string* text = m.payload.get<std::string>())
            OnReply(int(m.wParam), *text);
        break;
    case msg::WM_K2_STATE_REQUEST:
        OnStateRequest(m.wParam, m.payload);
        break;
    case msg::WM_K2_PANEL_REQUEST:
        OnPanelRequest(m.wParam, m.payload);
        break;
    default:
        break;
    }
}

void CFrontPanelDlg::OnReply(int id, const std::string& text) {
    const uint32_t changes = radio_.ApplyReply(id, text);
    presenter_.Present(changes);
    // The first reply clears "Querying..."; a settings problem then stays.
    if ((changes & radio_change::kFirstReply) && !settingsProblem_.empty())
        presenter_.ShowStatus(std::exchange(settingsProblem_, {}), StatusStyle::Error);
    Refresh();
    for (const auto& observer : replyObservers_)
        observer(id);
}

void CFrontPanelDlg::OnStateRequest(uint64_t how, const Payload& target) {
    const Handle* to = target.get<Handle>();
    if (radio_.AnswerStateRequest(how, to ? *to : 0))
        return;
    // A window request naming nobody comes from the control socket's peer.
    if (how == 2 && server_)
        server_->SendToPeer(peerTitle_, control::OP_STATE, radio_.Model().Snapshot().toBytes());
}

void CFrontPanelDlg::OnPanelRequest(uint64_t code, Payload& argument) {
    if (isMinimized())
        showNormal();
    switch (code) {
    case msg::REQ_EXIT:
        QMetaObject::invokeMethod(
            this, [this] { ConfirmExit(); }, Qt::QueuedConnection);
        break;
    case msg::REQ_PA_OPTION:
        radio_.SetPaOption(numberOf(argument) != 0);
        break;
    case msg::REQ_SWITCH_TAP:
        radio_.TapSwitch(int(numberOf(argument)));
        break;
    case msg::REQ_BAND_RECORD:
        if (const Handle* to = argument.get<Handle>(); to && *to != 0)
            Mailboxes::post(*to, {msg::WM_K2_PANEL_REQUEST, msg::REQ_BAND_RECORD,
                                  Payload::of(radio_.Model().CurrentBand())});
        break;
    case msg::REQ_SCAN:
        if (const ScanRequest* scan = argument.get<ScanRequest>())
            radio_.ScanBetween(scan->lowHz, scan->highHz);
        break;
    case msg::REQ_RELEASE_TUNING:
        controls_.ToggleReleaseTuning();
        Refresh();
        break;
    default:
        break;
    }
}

void CFrontPanelDlg::OnControlFrame(quint32 dwData, const QByteArray& data) {
    auto value = [&data] {
        return control::valueOf(
            {reinterpret_cast<const uint8_t*>(data.data()), std::size_t(data.size())});
    };
    switch (dwData) {
    case control::OP_REGISTER:
        // The keyboard CW window would open here once it exists.
        peerTitle_ = control::titleOf(
            {reinterpret_cast<const uint8_t*>(data.data()), std::size_t(data.size())});
        break;
    case control::OP_STATE:
        Mailboxes::post(WindowHandle(), {msg::WM_K2_STATE_REQUEST, 2, Payload::of(Handle{0})});
        break;
    case control::OP_CW_SPEED:
        if (channel_) {
            radio_.SetCwSpeed(int(value()));
            presenter_.Present(radio_change::kSpeed);
            Refresh();
        }
        break;
    case control::OP_POWER:
        if (channel_) {
            // Other programs give the power in the radio's normal range.
            radio_.SetPower(int(value()), false);
            presenter_.Present(radio_change::kPower);
            Refresh();
        }
        break;
    case control::OP_CW_TEXT:
        // Goes to the keyboard CW window, which is not open: dropped.
        break;
    case control::OP_UNREGISTER:
        peerTitle_.clear();
        break;
    default:
        break;
    }
}

void CFrontPanelDlg::ConfirmExit() {
    presenter_.ClearStatus();
    Refresh();
    if (!prompter_.ask(kExitQuestion, PromptIcon::Information))
        return;
    accept();
}

void CFrontPanelDlg::EndWithoutQuestion() {
    accept();
}

void CFrontPanelDlg::done(int result) {
    QDialog::done(result);
    Shutdown();
}

void CFrontPanelDlg::Shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    registry_.SetVfoFrequencies(radio_.Model().VfoMemoryTable());
    // Paced on the runner; closing the channel lets it finish.
    if (channel_)
        radio_.Shutdown();
}

void CFrontPanelDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    ConfirmExit();
}

void CFrontPanelDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (!initialised_)
        return;
    // The moves that placing the window at start causes are not the
    // operator's: they must not overwrite the saved placement.
    if (placementSettled_) {
        QRect r = frameGeometry();
        registry_.SetWindowRect({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    }
    // The switch panel and the QSO windows follow here once they exist.
}

void CFrontPanelDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMaximized()) {
        // The panel has one size: a maximised panel goes back to its first layout.
        WindowRect first;
        registry_.GetFirstLayoutRect(first);
        QMetaObject::invokeMethod(
            this,
            [this, first] {
                showNormal();
                PlaceFrameAt(QPoint(first.left, first.top));
            },
            Qt::QueuedConnection);
    }
}

void CFrontPanelDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        presenter_.ClearStatus();
        Refresh();
        ShowPopupMenu(event->globalPosition().toPoint());
        return;
    }
    QDialog::mousePressEvent(event);
}

void CFrontPanelDlg::ShowPopupMenu(const QPoint& globalPos) {
    if (!popup_) {
        // Logging joins this menu when it exists.
        popup_ = std::make_unique<QMenu>(this);
        if (memoryCommands_)
            for (const MemoryMenuEntry& entry : kMemoryMenuEntries)
                popup_->addAction(entry.label, this,
                                  [this, id = entry.id] { memoryCommands_->Run(id); });
        popup_->addAction("&About Tamrel...", this, [this] { ShowAbout(); });
    }
    popup_->popup(globalPos);
}

void CFrontPanelDlg::ShowAbout() {
    QMessageBox::about(
        this, "About Tamrel",
        QStringLiteral("<b>Tamrel</b> %1<br>Elecraft K2 Front Panel").arg(TAMREL_VERSION));
}

bool CFrontPanelDlg::HandleShortcut(QKeyEvent* key) {
    if (key->modifiers() != Qt::AltModifier)
        return false;
    if (key->key() == Qt::Key_X) {
        QMetaObject::invokeMethod(
            this, [this] { ConfirmExit(); }, Qt::QueuedConnection);
        return true;
    }
    static constexpr std::array<std::pair<int, int>, 4> kMemoryKeys = {{
        {Qt::Key_F1, kCmdSaveStackingRegister},
        {Qt::Key_F2, kCmdRecallStackingRegister},
        {Qt::Key_F3, kCmdSaveMemory},
        {Qt::Key_F4, kCmdRecallMemory},
    }};
    for (auto [k, command] : kMemoryKeys)
        if (key->key() == k && memoryCommands_) {
            // After the key event: a dialog opened from inside it would see the key.
            QMetaObject::invokeMethod(
                this, [this, command] { memoryCommands_->Run(command); }, Qt::QueuedConnection);
            return true;
        }
    return false;
}

int CFrontPanelDlg::EditIndex(const QObject* watched) const {
    return watched == w_.vfoA ? 0 : watched == w_.vfoB ? 1 : -1;
}

void CFrontPanelDlg::keyPressEvent(QKeyEvent* event) {
    // Enter that no frequency edit took is the dialog's OK: the exit question.
    if (IsEnterKey(event) && event->modifiers() == Qt::NoModifier) {
        ConfirmExit();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CFrontPanelDlg::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    // Asked only for the few events the panel looks at.
    auto ours = [&] { return widget && (widget == this || isAncestorOf(widget)); };
    switch (event->type()) {
    case QEvent::Wheel:
        // Over the panel the wheel is the tuning knob: every notch tunes 10 Hz,
        // wherever the pointer is, and moves nothing else (a slider or a band
        // list under the pointer would otherwise change too).
        if (ours()) {
            for (int step = wheel_.Turn(static_cast<QWheelEvent*>(event)->angleDelta()); step != 0;
                 step -= step > 0 ? 1 : -1)
                controls_.OnTuneStep(step > 0, 1);
            Refresh();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (ours() && HandleShortcut(static_cast<QKeyEvent*>(event)))
            return true;
        if (int v = EditIndex(watched); v >= 0 && IsEnterKey(static_cast<QKeyEvent*>(event))) {
            // Enter in a frequency edit only sets that frequency.
            if (w_.enter[v]->isEnabled())
                w_.enter[v]->click();
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        if (watched == w_.tuning && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            Mailboxes::post(WindowHandle(),
                            {msg::WM_K2_PANEL_REQUEST, msg::REQ_RELEASE_TUNING, {}});
            return true;
        }
        // A click into an edit that already has the focus opens it again
        // after an entry, as the first click did.
        if (int v = EditIndex(watched); v >= 0) {
            controls_.OnFrequencyEditFocus(v);
            Refresh();
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (int v = EditIndex(watched); v >= 0) {
            if (event->type() == QEvent::FocusIn)
                controls_.OnFrequencyEditFocus(v);
            else
                controls_.OnFrequencyEditFocusLost(v);
            Refresh();
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tamrel
