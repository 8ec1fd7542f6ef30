#include "CFrontPanelDlg.h"

#include "controls/CColorButton.h"
#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "controls/PanelCommands.h"
#include "cw/CCWKeyboardDlg.h"
#include "memory/MemoryCommands.h"
#include "memory/MemoryDialogRunner.h"
#include "panel/FrontPanelView.h"
#include "panel/KeyboardTuning.h"
#include "platform/Prompter.h"
#include "qsolog/QsoLoggingWindows.h"
#include "qsolog/QtQsoDialogs.h"
#include "radio/CK2CommChannel.h"
#include "radio/K2Commands.h"
#include "remote/ControlServer.h"
#include "resources/Artwork.h"
#include "settings/CRigControlRegistry.h"
#include "settings/CTamrelCfg.h"
#include "switchpanel/CKeySwitchEmulationPanelsPropSheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>

#include <array>
#include <cstdio>

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

constexpr int kCmdQsoLogging = 155;

bool IsEnterKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
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
                               RadioOperations& radio, Clock& clock, QWidget* parent)
    : QDialog(parent), registry_(registry), prompter_(prompter), radio_(radio),
      commands_(std::make_unique<ToolCommands>(*this)),
      memoryHost_(std::make_unique<MemoryHost>(*this)),
      presenter_(radio.Model(), loadTuningRange(registry)),
      controls_(presenter_, radio, [this](int index) { registry_.SetTuningRange(uint8_t(index)); }),
      link_(radio.Model(), clock, [this] { SendInitialQuery(); }), cwThread_(clock),
      inbox_([this](LinkEvent&& e) { OnLinkEvent(std::move(e)); }) {
    FollowSettings();
    CommPortSettings port;
    registry_.GetCommPort(port);
    presenter_.SetPortNumber(port.port);
    cwThread_.start();
    modelWatch_ = radio_.Model().Observe([this](uint32_t changes) { OnModelChanged(changes); });

    setWindowTitle(kFrontPanelTitle);
    setWindowIcon(artwork::appIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    w_ = BuildFrontPanel(*this, fromColorRef(registry_.GetAppColor()));
    ConnectControls();
    // Enter is the Exit button's (the dialog's OK); no other button may take
    // it for itself by having the focus.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    ShowView(w_, presenter_.View(), kChangeAll);
    presenter_.TakeChanges();
    focusRing_ = std::make_unique<FocusRing>(*this);
    qApp->installEventFilter(this);
}

CFrontPanelDlg::~CFrontPanelDlg() {
    qApp->removeEventFilter(this);
    Shutdown();
}

// The settings the panel acts on: read now, and again whenever the store
// announces a change of them.
void CFrontPanelDlg::FollowSettings() {
    auto moveTogether = [this] {
        uint8_t together = 1;
        registry_.GetWindowsMoveTogether(together);
        windowsMoveTogether_ = together != 0;
    };
    auto paOption = [this] { radio_.SetPaOption(registry_.GetPaOption() != 0); };
    moveTogether();
    paOption();
    connect(&registry_, &CRigControlRegistry::placementChanged, this, moveTogether);
    connect(&registry_, &CRigControlRegistry::paOptionChanged, this, paOption);
    connect(&registry_, &CRigControlRegistry::bandTableChanged, this, [this] {
        BandTable bands = radio_.Model().Bands();
        registry_.LoadBandInfo(bands);
        radio_.Model().SetBandTable(bands);
    });
}

// The panel as the tool windows see it. Commands that can close the asking
// window run once its event has been handled.
// What the memory commands use of the panel: the radio and the status line.
class CFrontPanelDlg::MemoryHost final : public MemoryCommandsHost {
public:
    explicit MemoryHost(CFrontPanelDlg& panel) : panel_(panel) {}
    K2RadioState Snapshot() const override { return panel_.radio_.Model().Snapshot(); }
    void Recall(const K2RadioState& state) override { panel_.radio_.ApplyState(state); }
    void Status(const std::string& text, MemoryStatusStyle style) override {
        panel_.presenter_.ShowStatus(text, StatusStyle(int(style)));
        panel_.Refresh();
    }
    std::string BandLabel(int band) const override { return panel_.registry_.GetBandLabel(band); }

private:
    CFrontPanelDlg& panel_;
};

class CFrontPanelDlg::ToolCommands final : public PanelCommands {
public:
    explicit ToolCommands(CFrontPanelDlg& panel) : panel_(panel) {}
    void RunMemoryCommand(MemoryCommand command) override;
    void ToggleKeyboard() override;
    void ConfirmExit() override;
    void OpenQsoLogging() override;
    void CwKey(int key) override;
    void ShowStatus(const std::string& text, bool error) override;
    QRect PanelFrame() const override { return panel_.frameGeometry(); }

private:
    void Later(std::function<void()> action);
    CFrontPanelDlg& panel_;
};

PanelCommands& CFrontPanelDlg::Commands() {
    return *commands_;
}

void CFrontPanelDlg::ToolCommands::Later(std::function<void()> action) {
    QMetaObject::invokeMethod(&panel_, std::move(action), Qt::QueuedConnection);
}

void CFrontPanelDlg::ToolCommands::RunMemoryCommand(MemoryCommand command) {
    static constexpr std::array<int, 4> kIds = {
        kCmdSaveStackingRegister, kCmdRecallStackingRegister, kCmdSaveMemory, kCmdRecallMemory};
    // After the key event: a dialog opened from inside it would see the key.
    Later([this, id = kIds[std::size_t(command)]] {
        if (panel_.memoryCommands_)
            panel_.memoryCommands_->Run(id);
    });
}

void CFrontPanelDlg::ToolCommands::ToggleKeyboard() {
    Later([this] { panel_.ToggleKeyboard(); });
}

void CFrontPanelDlg::ToolCommands::ConfirmExit() {
    Later([this] { panel_.ConfirmExit(); });
}

void CFrontPanelDlg::ToolCommands::OpenQsoLogging() {
    Later([this] { panel_.OpenQsoLogging(); });
}

void CFrontPanelDlg::ToolCommands::CwKey(int key) {
    panel_.OpenKeyboard();
    if (panel_.keyboard_) // not during the shutdown
        panel_.keyboard_->OnKey(uint64_t(key));
}

void CFrontPanelDlg::ToolCommands::ShowStatus(const std::string& text, bool error) {
    panel_.presenter_.ShowStatus(text, error ? StatusStyle::Error : StatusStyle::Normal);
    panel_.Refresh();
}

void CFrontPanelDlg::SetChannel(CK2CommChannel* channel) {
    channel_ = channel;
    radio_.SetChannel(channel);
    // The CW thread takes its link once, at initialisation.
    if (channel && !initialised_)
        keyerLink_ = std::make_unique<ChannelKeyerLink>(*channel);
    link_.SetChannel(channel);
}

void CFrontPanelDlg::SetOpenFailure(const std::string& device, int error) {
    link_.SetOpenFailure(device, error);
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
    memoryCommands_ =
        std::make_unique<MemoryCommands>(*store, prompter_, *memoryDialogs_, *memoryHost_);
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

void CFrontPanelDlg::OnModelChanged(uint32_t changes) {
    presenter_.Present(changes);
    if (changes & radio_change::kKeyer)
        cwThread_.post(CwKeyerState{radio_.Model().Fields().keyerState});
    Refresh();
}

void CFrontPanelDlg::SetPortLabel(const std::string& label) {
    presenter_.SetPortLabel(label);
}

void CFrontPanelDlg::SetControlServer(ControlServer* server) {
    server_ = server;
    if (server_)
        connect(server_, &ControlServer::frameReceived, this,
                [this](ControlServer::ConnectionId id, quint32 dwData, const QByteArray& data) {
                    OnControlFrame(id, dwData, data);
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
    onClick(w_.switchPanel, [this] { OpenSwitchPanel(); });
    onClick(w_.keyboardCw, [this] { ToggleKeyboard(); });

    for (int v = 0; v < 2; ++v) {
        CEditEx* edit = v == 0 ? w_.vfoA : w_.vfoB;
        onClick(w_.enter[v],
                [this, v, edit] { controls_.OnEnterFrequency(v, edit->text().toStdString()); });
        connect(edit, &QLineEdit::textEdited, this, [this, v] {
            controls_.OnFrequencyEdited(v);
            Refresh();
        });
        edit->installEventFilter(this);
    }
    connect(w_.band, &QComboBox::activated, this, [this](int index) {
        controls_.OnBandSelected(index);
        Refresh();
    });
    connect(w_.tuneStep, &QComboBox::activated, this, [this](int index) {
        controls_.OnTuneStepSelected(index);
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
    cwThread_.post(CwSetup{keyerLink_.get(), std::chrono::milliseconds(100)});
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
    // A port that did not open answers nothing: no endless "querying".
    if (!channel_ || !channel_->IsOpen())
        return;
    link_.Start();
    presenter_.ShowStatus(kQueryingStatus);
    Refresh();
    radio_.HookReceiveThread(LinkEvents());
}

void CFrontPanelDlg::SendInitialQuery() {
    if (!channel_ || !channel_->IsOpen())
        return;
    // The first reply to the query clears the status line, as at start.
    presenter_.ShowStatus(kQueryingStatus);
    radio_.Model().ExpectFirstReply();
    Refresh();
    radio_.SendInitialQuery();
}

void CFrontPanelDlg::OnLinkEvent(LinkEvent&& event) {
    std::visit(Overloaded{[this](ReplyReceived& r) { OnReply(r.id, r.text); },
                          [this](LinkLost& l) { link_.OnLinkLost(l.error); },
                          [this](LinkReopened&) { link_.OnLinkReopened(); }},
               event);
}

void CFrontPanelDlg::OnReply(int id, const std::string& text) {
    const uint32_t changes = radio_.ApplyReply(id, text);
    // The first reply clears "Querying..."; a settings problem then stays.
    if ((changes & radio_change::kFirstReply) && !settingsProblem_.empty())
        presenter_.ShowStatus(std::exchange(settingsProblem_, {}), StatusStyle::Error);
    Refresh();
    for (const auto& observer : replyObservers_)
        observer(id);
}

void CFrontPanelDlg::OnControlFrame(quint64 connection, quint32 dwData, const QByteArray& data) {
    auto value = [&data] {
        return control::valueOf(
            {reinterpret_cast<const uint8_t*>(data.data()), std::size_t(data.size())});
    };
    switch (dwData) {
    case control::OP_REGISTER:
        peerTitle_ = control::titleOf(
            {reinterpret_cast<const uint8_t*>(data.data()), std::size_t(data.size())});
        OpenKeyboard();
        break;
    case control::OP_STATE:
        if (server_)
            server_->SendToPeer(peerTitle_, control::OP_STATE, radio_.Model().Snapshot().toBytes());
        break;
    case control::OP_CW_SPEED:
        if (channel_)
            radio_.SetCwSpeed(int(value()));
        break;
    case control::OP_POWER:
        if (channel_) // other programs give the power in the radio's normal range
            radio_.SetPower(int(value()), false);
        break;
    case control::OP_CW_TEXT:
        // Only for the open keyboard window; at most 254 characters.
        if (keyboard_ && !keyboard_->Closing() && !data.isEmpty())
            keyboard_->OnCwText(
                std::string(data.constData(), std::size_t(std::min<qsizetype>(data.size(), 254))));
        break;
    case control::OP_UNREGISTER:
        peerTitle_.clear();
        break;
    case control::OP_LINK_STATE:
        if (server_)
            server_->SendTo(connection, control::OP_LINK_STATE, LinkStateBytes(radio_.Model()));
        break;
    case control::OP_BRING_TO_FRONT:
        // A second copy was started: this one is the one to use.
        std::fprintf(stderr, "tamrel: another copy was started; coming to the front\n");
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
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
    CloseKeyboard();
    if (qso_)
        qso_->Shutdown();
    accept();
}

void CFrontPanelDlg::ToggleKeyboard() {
    if (keyboard_ && !keyboard_->Closing())
        CloseKeyboard();
    else
        OpenKeyboard();
}

void CFrontPanelDlg::OpenKeyboard() {
    // An open window keeps its place and the focus stays where the key was.
    if (shutDown_ || (keyboard_ && !keyboard_->Closing()))
        return;
    if (!keyboard_) {
        keyboard_ = std::make_unique<CCWKeyboardDlg>(registry_, cwThread_, Commands(), this);
        // Queued: the window announces from inside its slide's timer.
        connect(
            keyboard_.get(), &CCWKeyboardDlg::closed, this,
            [this] {
                if (keyboard_ && keyboard_->Closing() && keyboard_->isHidden())
                    keyboard_.reset();
            },
            Qt::QueuedConnection);
    }
    keyboard_->Open(); // a window on its way in turns round
}

void CFrontPanelDlg::CloseKeyboard() {
    if (!keyboard_)
        return;
    // An ending panel takes it along at once; otherwise it slides in first.
    if (shutDown_)
        keyboard_.reset();
    else
        keyboard_->CloseWindow();
}

bool CFrontPanelDlg::ForwardCwKey(QKeyEvent* key) {
    if (!keyboard_ || keyboard_->Closing() || key->isAutoRepeat())
        return false;
    const int k = key->key();
    if (k >= Qt::Key_F1 && k <= Qt::Key_F11 && !(key->modifiers() & Qt::AltModifier)) {
        keyboard_->OnKey(uint64_t(k - Qt::Key_F1));
        return true;
    }
    if (k == Qt::Key_Escape) {
        keyboard_->OnKey(cw::kKeyAbort);
        return true;
    }
    return false;
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
    CloseKeyboard();
    if (qso_)
        qso_->Shutdown();
    registry_.SetVfoFrequencies(radio_.Model().VfoMemoryTable());
    // Paced on the runner; closing the channel lets it finish.
    if (channel_)
        radio_.Shutdown();
    modelWatch_.reset();
    cwThread_.quitAndJoin();
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
    if (windowsMoveTogether_ && switchPanel_)
        switchPanel_->PlaceUnderMainWindow();
    if (keyboard_)
        keyboard_->Follow();
    if (windowsMoveTogether_ && qso_)
        qso_->FollowMove();
}

void CFrontPanelDlg::OpenQsoLogging() {
    if (!qso_) {
        std::string home;
        registry_.GetHomeDir(home);
        // Owned by the panel: it runs modally and would block windows of their own.
        qso_ = std::make_unique<QsoLoggingWindows>(registry_, prompter_, radio_.Model(), Commands(),
                                                   std::make_unique<QtQsoDialogs>(prompter_, this),
                                                   home, this);
    }
    qso_->Open();
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
        popup_ = std::make_unique<QMenu>(this);
        if (memoryCommands_)
            for (const MemoryMenuEntry& entry : kMemoryMenuEntries)
                popup_->addAction(entry.label, this,
                                  [this, id = entry.id] { memoryCommands_->Run(id); });
        popup_->addAction("QSO Logging (ALT+L)", this, [this] { OpenQsoLogging(); })
            ->setData(kCmdQsoLogging);
        popup_->addAction("Keyboard Shortcuts...", this, [this] { ShowShortcuts(); });
        // The system menu's two entries, which Linux has no menu for.
        popup_->addSeparator();
        popup_->addAction("System Config", this, [this] { ShowSystemConfig(); });
        popup_->addSeparator();
        popup_->addAction("&About Tamrel...", this, [this] { ShowAbout(); });
    }
    popup_->popup(globalPos);
}

void CFrontPanelDlg::ShowSystemConfig() {
    CTamrelCfg sheet(registry_, prompter_, this);
    // An exit while the sheet is open (SIGTERM, request 9) discards it, so
    // that the panel's own loop can end.
    connect(this, &QDialog::finished, &sheet, &QDialog::reject);
    sheet.exec();
}

void CFrontPanelDlg::ShowAbout() {
    QMessageBox::about(
        this, "About Tamrel",
        QStringLiteral("<b>Tamrel</b><br>Version %1<br><br>A front panel for the Elecraft K2 "
                       "transceiver, driven over its serial line.")
            .arg(TAMREL_VERSION));
}

void CFrontPanelDlg::OpenSwitchPanel() {
    presenter_.ClearStatus();
    if (!switchPanel_)
        switchPanel_ = std::make_unique<CKeySwitchEmulationPanelsPropSheet>(registry_, radio_,
                                                                            *commands_, this);
    switchPanel_->ShowPanel();
}

void CFrontPanelDlg::ShowShortcuts() {
    QString rows;
    for (const Shortcut& s : KeyboardShortcuts())
        rows += QStringLiteral("<tr><td><b>%1</b></td><td>&nbsp;&nbsp;%2</td></tr>")
                    .arg(QString::fromStdString(s.keys).toHtmlEscaped(),
                         QString::fromStdString(s.action).toHtmlEscaped());
    QMessageBox box(QMessageBox::NoIcon, "Keyboard Shortcuts",
                    QStringLiteral("<table>%1</table>").arg(rows), QMessageBox::Ok, this);
    box.setObjectName("keyboardShortcuts");
    box.exec();
}

bool CFrontPanelDlg::HandleTuningKey(QWidget* widget, QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier && mods != Qt::ShiftModifier)
        return false;
    const int64_t delta = KeyTuningDelta(key->key(), mods == Qt::ShiftModifier,
                                         TuneStepHz(presenter_.TuneStepIndex()));
    if (delta == 0)
        return false;
    // Lists, other sliders and edits being typed in keep their keys; the
    // panel, its buttons and the tuning slider tune.
    if (widget != this && widget != w_.tuning &&
        (qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSlider*>(widget) ||
         (qobject_cast<QLineEdit*>(widget) && !static_cast<QLineEdit*>(widget)->isReadOnly())))
        return false;
    controls_.OnTuneBy(delta);
    Refresh();
    return true;
}

bool CFrontPanelDlg::HandleShortcut(QKeyEvent* key) {
    if (key->modifiers() != Qt::AltModifier)
        return false;
    if (key->key() == Qt::Key_X) {
        QMetaObject::invokeMethod(
            this, [this] { ConfirmExit(); }, Qt::QueuedConnection);
        return true;
    }
    if (key->key() == Qt::Key_L) {
        QMetaObject::invokeMethod(
            this, [this] { OpenQsoLogging(); }, Qt::QueuedConnection);
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
    if (key->key() == Qt::Key_T) {
        ToggleKeyboard();
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
    // Asked only for the few events the panel looks at. The windows it owns
    // (QSO windows, memory dialogs) are not the panel: their keys and wheel are theirs.
    auto ours = [&] { return widget && widget->window() == this; };
    switch (event->type()) {
    case QEvent::Wheel:
        // Over the panel the wheel is the tuning knob: every notch tunes one
        // step, wherever the pointer is, and moves nothing else (a slider or a
        // band list under the pointer would otherwise change too).
        if (ours() && widget->window() == this) {
            const int stepHz = TuneStepHz(presenter_.TuneStepIndex());
            for (int step = wheel_.Turn(static_cast<QWheelEvent*>(event)->angleDelta()); step != 0;
                 step -= step > 0 ? 1 : -1)
                controls_.OnTuneBy(step > 0 ? stepHz : -stepHz);
            Refresh();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (ours() && (HandleShortcut(static_cast<QKeyEvent*>(event)) ||
                       ForwardCwKey(static_cast<QKeyEvent*>(event))))
            return true;
        if (ours() && widget->window() == this &&
            HandleTuningKey(widget, static_cast<QKeyEvent*>(event)))
            return true;
        if (int v = EditIndex(watched); v >= 0) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (IsEnterKey(key)) {
                // Enter in a frequency edit only sets that frequency.
                if (w_.enter[v]->isEnabled())
                    w_.enter[v]->click();
                return true;
            }
            if (key->key() == Qt::Key_Escape && presenter_.View().editing[v]) {
                controls_.OnFrequencyEditCancelled(v);
                Refresh();
                return true;
            }
        }
        break;
    case QEvent::MouseButtonPress:
        if (watched == w_.tuning && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            controls_.ToggleReleaseTuning();
            Refresh();
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
