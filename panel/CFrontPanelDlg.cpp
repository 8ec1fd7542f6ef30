#include "CFrontPanelDlg.h"

#include "controls/CColorButton.h"
#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "panel/FrontPanelView.h"
#include "platform/ControlServer.h"
#include "platform/Prompter.h"
#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
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
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>

#include <thread>

namespace tamrel {

using namespace std::chrono_literals;

namespace {

BandTable loadBands(CRigControlRegistry& registry) {
    BandTable bands = defaultBandTable();
    registry.LoadBandInfo(bands);
    return bands;
}

VfoMemory loadVfoMemory(CRigControlRegistry& registry) {
    VfoMemory memory = defaultVfoMemory();
    registry.GetVfoFrequencies(memory);
    return memory;
}

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

int64_t numberOf(const Payload& p) {
    if (const int64_t* v = p.get<int64_t>())
        return *v;
    return 0;
}

} // namespace

CFrontPanelDlg::CFrontPanelDlg(CRigControlRegistry& registry, Prompter& prompter, QWidget* parent)
    : QDialog(parent), registry_(registry), prompter_(prompter),
      model_(loadBands(registry), loadVfoMemory(registry), loadTuningRange(registry)),
      controls_(model_, nullptr), mailbox_([this](Message&& m) { OnMessage(std::move(m)); }) {
    uint8_t together = 1;
    registry_.GetWindowsMoveTogether(together);
    windowsMoveTogether_ = together != 0;
    CommPortSettings port;
    registry_.GetCommPort(port);
    model_.SetPortNumber(port.port);
    controls_.SetPaOption(registry_.GetPaOption() != 0);
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
    ShowView(w_, model_.View(), kChangeAll);
    model_.TakeChanges();
    qApp->installEventFilter(this);
}

CFrontPanelDlg::~CFrontPanelDlg() {
    qApp->removeEventFilter(this);
    Shutdown();
}

void CFrontPanelDlg::SetChannel(CK2CommChannel* channel) {
    channel_ = channel;
    model_.SetChannel(channel);
    controls_.SetChannel(channel);
}

void CFrontPanelDlg::SetPortLabel(const std::string& label) {
    model_.SetPortLabel(label);
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
    onClick(w_.initialQuery, [this] {
        model_.ClearStatus();
        SendInitialQuery();
    });
    onClick(w_.exit, [this] { ConfirmExit(); });

    for (int v = 0; v < 2; ++v) {
        CEditEx* edit = v == 0 ? w_.vfoA : w_.vfoB;
        onClick(w_.enter[v],
                [this, v, edit] { controls_.OnEnterFrequency(v, edit->text().toStdString()); });
        connect(edit, &QLineEdit::returnPressed, this, [this, v] {
            if (w_.enter[v]->isEnabled())
                w_.enter[v]->click();
        });
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
    if (uint32_t changes = model_.TakeChanges())
        ShowView(w_, model_.View(), changes);
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
    HookReceiveThread();
}

void CFrontPanelDlg::PlaceWindow() {
    WindowRect saved;
    registry_.GetWindowRect(saved);
    QSize need = sizeHint();
    QRect r(saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top);
    // A place on a screen that is gone (a second monitor unplugged) is no place.
    if (r.width() >= need.width() && r.height() >= need.height() &&
        QGuiApplication::screenAt(r.center())) {
        SetFrameRect(r);
    } else if (QScreen* s = screen()) {
        resize(need);
        move(s->availableGeometry().center() - rect().center());
    }
    QRect placed = frameGeometry();
    registry_.SetFirstLayoutRect(
        {placed.left(), placed.top(), placed.right() + 1, placed.bottom() + 1});
}

// The settings keep the window's outer rectangle, frame included.
void CFrontPanelDlg::SetFrameRect(const QRect& frame) {
    QMargins m(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
               frameGeometry().right() - geometry().right(),
               frameGeometry().bottom() - geometry().bottom());
    setGeometry(frame.marginsRemoved(m));
}

void CFrontPanelDlg::HookReceiveThread() {
    if (!channel_)
        return;
    Handle recv = channel_->GetReceiveThreadId();
    Handle self = WindowHandle();
    hookSequence_.start({[recv, self] { Mailboxes::post(recv, recvmsg::deliverTo(self)); },
                         [recv] { Mailboxes::post(recv, recvmsg::purge()); },
                         [this, recv] {
                             Mailboxes::post(recv, recvmsg::startReading());
                             SendInitialQuery();
                         }},
                        100ms);
}

void CFrontPanelDlg::SendInitialQuery() {
    if (!channel_)
        return;
    model_.ShowStatus("Querying Info From Radio...");
    Refresh();
    CK2CommChannel* ch = channel_;
    std::vector<PacedSequence::Step> steps = {[ch] { ch->CmdK2(K2_SET, 2); },
                                              [ch] { ch->CmdAI(K2_SET, 3); }};
    for (const char* query :
         {"IF", "FA", "FB", "PA", "RA", "FW", "GT", "KS", "PC", "SQ", "AN", "NB", "LK"})
        steps.push_back([ch, query] { ch->SendCommand(query); });
    querySequence_.start(std::move(steps), 100ms);
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
    model_.ApplyReply(id, text);
    Refresh();
    for (const auto& observer : replyObservers_)
        observer(id);
}

void CFrontPanelDlg::OnStateRequest(uint64_t how, const Payload& target) {
    K2RadioState state = model_.Snapshot();
    if (how == 1) {
        if (const Handle* thread = target.get<Handle>(); thread && *thread != 0)
            Mailboxes::post(*thread, {msg::WM_K2_STATE_REPLY, 4, Payload::of(state)});
    } else if (how == 2) {
        auto bytes = state.toBytes();
        if (const Handle* window = target.get<Handle>(); window && *window != 0)
            Mailboxes::post(*window, {0x4a, 2, Payload::of(bytes)});
        else if (server_)
            server_->SendToPeer(peerTitle_, control::OP_STATE, bytes);
    }
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
        controls_.SetPaOption(numberOf(argument) != 0);
        break;
    case msg::REQ_SWITCH_TAP:
        if (channel_)
            channel_->CmdSwitch(int16_t(numberOf(argument)));
        break;
    case msg::REQ_BAND_RECORD:
        if (const Handle* to = argument.get<Handle>(); to && *to != 0)
            Mailboxes::post(*to, {msg::WM_K2_PANEL_REQUEST, msg::REQ_BAND_RECORD,
                                  Payload::of(model_.CurrentBand())});
        break;
    case msg::REQ_SCAN:
        if (const ScanRequest* scan = argument.get<ScanRequest>(); scan && channel_)
            channel_->CmdScanSetup(scan->lowHz, scan->highHz);
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
            model_.SetCwSpeed(int(value()));
            channel_->CmdKS(K2_SET, uint16_t(value()));
            Refresh();
        }
        break;
    case control::OP_POWER:
        if (channel_) {
            model_.SetPower(int(value()));
            channel_->CmdPC(K2_SET, uint16_t(value()), 0);
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
    model_.ClearStatus();
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
    hookSequence_.stop();
    querySequence_.stop();
    registry_.SetVfoFrequencies(model_.VfoMemoryTable());
    if (!channel_)
        return;
    channel_->CmdAI(K2_SET, 0);
    Handle recv = channel_->GetReceiveThreadId();
    Mailboxes::post(recv, recvmsg::noDelivery());
    std::this_thread::sleep_for(100ms);
    Mailboxes::post(recv, recvmsg::purge());
    std::this_thread::sleep_for(100ms);
    Mailboxes::post(recv, recvmsg::stopReading());
    std::this_thread::sleep_for(100ms);
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
                SetFrameRect(QRect(first.left, first.top, first.right - first.left,
                                   first.bottom - first.top));
            },
            Qt::QueuedConnection);
    }
}

void CFrontPanelDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        model_.ClearStatus();
        Refresh();
        ShowPopupMenu(event->globalPosition().toPoint());
        return;
    }
    QDialog::mousePressEvent(event);
}

void CFrontPanelDlg::ShowPopupMenu(const QPoint& globalPos) {
    if (!popup_) {
        // Memories, stacking registers and logging join this menu when they exist.
        popup_ = std::make_unique<QMenu>(this);
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
    return false;
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
            controls_.OnTuneStep(static_cast<QWheelEvent*>(event)->angleDelta().y() >= 0, 1);
            Refresh();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (ours() && HandleShortcut(static_cast<QKeyEvent*>(event)))
            return true;
        break;
    case QEvent::MouseButtonPress:
        if (watched == w_.tuning && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            Mailboxes::post(WindowHandle(),
                            {msg::WM_K2_PANEL_REQUEST, msg::REQ_RELEASE_TUNING, {}});
            return true;
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        for (int v = 0; v < 2; ++v) {
            if (watched != (v == 0 ? w_.vfoA : w_.vfoB))
                continue;
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
