#include "CFrontPanelDlg.h"

#include "controls/AccessibleControls.h"
#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "controls/PanelCommands.h"
#include "cw/CCWKeyboardDlg.h"
#include "memory/MemoryCommands.h"
#include "memory/MemoryDialogRunner.h"
#include "panel/FrontPanelServices.h"
#include "panel/FrontPanelView.h"
#include "panel/KeyboardTuning.h"
#include "platform/Prompter.h"
#include "qsolog/QsoLoggingWindows.h"
#include "qsolog/QtQsoDialogs.h"
#include "radio/CK2CommChannel.h"
#include "radio/K2Commands.h"
#include "resources/Artwork.h"
#include "settings/CRigControlRegistry.h"
#include "settings/CTamrelCfg.h"
#include "switchpanel/CKeySwitchEmulationPanelsPropSheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
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
#include <QWindow>

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

} // namespace

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
      controlWindow_(std::make_unique<ControlWindowImpl>(*this)),
      presenter_(radio.Model(), loadTuningRange(registry)),
      controls_(presenter_, radio, [this](int index) { registry_.SetTuningRange(uint8_t(index)); }),
      link_(
          radio.Model(), clock, [this] { SendInitialQuery(); }, [this] { radio_.RefreshState(); }),
      cwThread_(clock), inbox_([this](LinkEvent&& e) { OnLinkEvent(std::move(e)); }) {
    // Before the title, which makes the window's accessible interface.
    InstallAccessibleControls();
    setProperty(kReadOut, QString());
    FollowSettings();
    CommPortSettings port;
    registry_.GetCommPort(port);
    presenter_.SetPortNumber(port.port);
    cwThread_.start();
    modelWatch_ = radio_.Model().Observe([this](uint32_t changes) { OnModelChanged(changes); });
    refusalWatch_ = radio_.ObserveRefusals([this](uint32_t code) {
        char text[96];
        std::snprintf(text, sizeof text, "Not sent to the radio: %s (0x%08x)",
                      code == K2_ERR_LINE_STALLED ? "the line takes nothing"
                                                  : "a value the radio does not take",
                      code);
        presenter_.ShowStatus(text, StatusStyle::Error);
        Refresh();
    });

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
    spoken_ = std::make_unique<SpokenValues>(clock);
    FollowSpokenValues(*spoken_, w_, presenter_.View());
    // The panel's keys and its wheel, wherever in this window the focus or
    // the pointer is; other windows keep theirs.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

CFrontPanelDlg::~CFrontPanelDlg() {
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

void CFrontPanelDlg::Refresh() {
    if (uint32_t changes = presenter_.TakeChanges()) {
        ShowView(w_, presenter_.View(), changes);
        spoken_->Check();
    }
}

void CFrontPanelDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (initialised_)
        return;
    initialised_ = true;
    PlaceWindow();
    SettlePlacement(8);
    activateWindow();
    cwThread_.post(CwSetup{keyerLink_.get(), std::chrono::milliseconds(100)});
    QTimer::singleShot(0, this, [this] { PrepareQsoLogging(); });
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
    // ... once the frame is known: a window manager that frames the window
    // after it is mapped puts the inside's corner there first.
    wantedFrame_ = frameTopLeft;
    KeepWantedFrame();
}

// The placing moves are over once the window is framed where it should be,
// or after `tries` quarter seconds: only then are moves the operator's.
void CFrontPanelDlg::SettlePlacement(int tries) {
    QTimer::singleShot(250, this, [this, tries] {
        KeepWantedFrame();
        if (wantedFrame_ && tries > 1)
            return SettlePlacement(tries - 1);
        placementSettled_ = true;
        if (wantedFrame_ && !Framed())
            AwaitLateFrame(80);
        else
            wantedFrame_.reset(); // the window manager holds it elsewhere: its choice
    });
}

// A window manager slow on a loaded machine (or started after the panel)
// frames the window after the placing moves, around the inside where it
// stands: the title bar would be off the top of the screen. Placing it then
// starts again.
void CFrontPanelDlg::AwaitLateFrame(int tries) {
    QTimer::singleShot(250, this, [this, tries] {
        if (!wantedFrame_ || !placementSettled_)
            return;
        if (Framed())
            ResumePlacement();
        else if (tries > 1)
            AwaitLateFrame(tries - 1);
        else
            wantedFrame_.reset();
    });
}

void CFrontPanelDlg::ResumePlacement() {
    placementSettled_ = false;
    KeepWantedFrame();
    SettlePlacement(8);
}

// The window's own margins: the widget learns its frame only from a move,
// and a late frame around the inside where it stands moves nothing.
bool CFrontPanelDlg::Framed() const {
    const QWindow* window = windowHandle();
    return window && !window->frameMargins().isNull();
}

// move() places the frame by the margins the widget last learnt (none before
// its first move once framed); this places it by the window's own.
void CFrontPanelDlg::MoveFrameTo(QPoint frame) {
    const QMargins margins = windowHandle()->frameMargins();
    const QPoint learnt = geometry().topLeft() - pos();
    move(frame + QPoint(margins.left(), margins.top()) - learnt);
}

void CFrontPanelDlg::KeepWantedFrame() {
    if (!wantedFrame_ || !isVisible() || !Framed())
        return;
    if (windowHandle()->framePosition() == *wantedFrame_)
        wantedFrame_.reset();
    else
        MoveFrameTo(*wantedFrame_);
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

int CFrontPanelDlg::Run() {
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::exit);
    show();
    return loop.exec();
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
    // Asked only on a confirmed exit; any other end leaves this trace.
    if (const std::size_t n = UnsavedQsos(); n > 0)
        std::fprintf(stderr, "tamrel: %zu QSO%s of the log window %s not in the log file\n", n,
                     n == 1 ? "" : "s", n == 1 ? "was" : "were");
    if (qso_)
        qso_->Shutdown();
    // Paced on the runner; closing the channel lets it finish.
    if (channel_)
        radio_.Shutdown();
    // The window is going: the reason goes where a terminal or the journal keeps it.
    if (!registry_.SetVfoFrequencies(radio_.Model().VfoMemoryTable()))
        std::fprintf(stderr, "tamrel: the frequencies of each band could not be saved to %s\n",
                     registry_.settingsFile().c_str());
    modelWatch_.reset();
    refusalWatch_.reset();
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
    if (placementSettled_ && wantedFrame_ && Framed())
        ResumePlacement(); // framed only now
    else if (!placementSettled_)
        KeepWantedFrame();
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

} // namespace tamrel
