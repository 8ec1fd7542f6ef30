#pragma once
// CFrontPanelDlg: the program's main window, run by the application; its end
// ends the program.
//
// Responsibilities: builds the panel's widgets and shows what the presenter
// makes of the radio model, following the model's change announcements;
// turns clicks into calls on the control handlers; has the radio operations
// hook the receive thread to it and send the initial query; applies the
// replies it receives; makes the tool windows and offers them its commands
// (PanelCommands); passes the operations of other programs arriving on the
// control socket to the radio operations; keeps its placement; asks before
// exiting; and on its end saves the per-band VFO memory and starts the
// shutdown sequence.
//
// Threads: lives on the GUI thread. The receive thread posts each reply and
// each change of the line (LinkEvent) to the panel's inbox; nothing else is
// posted here. Nothing here waits on the radio: paced sequences run on the
// channel's sequence runner. The CW thread and the link watch keep `clock`.

#include "cw/CCWMsgTransmittingThread.h"
#include "panel/FocusRing.h"
#include "panel/FrontPanelControls.h"
#include "panel/FrontPanelLayout.h"
#include "panel/FrontPanelPresenter.h"
#include "panel/LinkWatch.h"
#include "panel/SpokenValues.h"
#include "platform/Clock.h"
#include "platform/Inbox.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "remote/ControlSession.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QMenu;

namespace tamrel {

class CCWKeyboardDlg;
class CK2CommChannel;
class CK2MemoryStore;
class CKeySwitchEmulationPanelsPropSheet;
class CRigControlRegistry;
class MemoryCommands;
class PanelCommands;
class MemoryDialogRunner;
class Prompter;
class QsoLoggingWindows;

// Turns wheel movements into notches: only a vertical turn counts, and a
// high-resolution wheel's partial steps add up to one notch per 120 eighths
// of a degree.
class WheelNotches {
public:
    // Notches of this movement: positive up, negative down.
    int Turn(QPoint angleDelta);

private:
    int pending_ = 0;
};

inline constexpr char kFrontPanelTitle[] = "Elecraft K2 Front Panel - Tamrel";
inline constexpr char kExitQuestion[] = "Exiting Tamrel  - Are You Sure?";
inline constexpr char kQueryingStatus[] = "Querying Info From Radio...";

// The radio model as the settings leave it: band edges and per-band VFO memory.
K2RadioModel RadioModelFromSettings(CRigControlRegistry& registry);

class CFrontPanelDlg final : public QDialog {
public:
    CFrontPanelDlg(CRigControlRegistry& registry, Prompter& prompter, RadioOperations& radio,
                   Clock& clock = SteadyClock(), QWidget* parent = nullptr);
    ~CFrontPanelDlg() override;

    // Set before the window is shown; null runs without a radio.
    void SetChannel(CK2CommChannel* channel);
    // The application could not open this device (the lamp and status line say why).
    void SetOpenFailure(const std::string& device, int error);
    // What the port static shows after the first reply ("COM3", or a device).
    void SetPortLabel(const std::string& label);
    // Memories and stacking registers (optional): the popup menu and
    // ALT+F1..ALT+F4 work on this store.
    void SetMemoryStore(CK2MemoryStore* store);
    // The memory commands once a store is set (tests run them directly).
    MemoryCommands* Memories() const { return memoryCommands_.get(); }
    // A line on the status line from outside the panel (network clients).
    void ShowStatusText(const std::string& text);
    // Called after each reply has been applied and shown (screenshots, tests).
    void AddReplyObserver(std::function<void(int id)> observer) {
        replyObservers_.push_back(std::move(observer));
    }

    // Where the receive thread posts replies and the line's changes.
    Address<LinkEvent> LinkEvents() const { return inbox_.address(); }
    // What the tool windows ask of the panel.
    PanelCommands& Commands();
    const FrontPanelPresenter& Presenter() const { return presenter_; }
    const FrontPanelWidgets& Widgets() const { return w_; }
    // What the control socket's operations ask of the window.
    ControlSession::Window& ControlWindow();
    // The switch panel once "SW Panel" has opened it, else null.
    CKeySwitchEmulationPanelsPropSheet* SwitchPanel() const { return switchPanel_.get(); }

    // Shows the panel and runs until it ends; the result is done()'s. Not
    // exec(): that would declare the panel modal to the window manager, which
    // then keeps it above the tool windows and minimises them with it.
    int Run();
    // The exit confirmation of the Exit button, ALT+X, request 9 and closing.
    void ConfirmExit();
    // QSOs listed in the log window that its file does not hold.
    std::size_t UnsavedQsos() const;
    // Ends as a confirmed exit does, without the question (SIGTERM, SIGINT).
    void EndWithoutQuestion();
    // Sends the initial query again (button 1000 does this).
    void SendInitialQuery();
    // The keyboard CW window (button 1015, ALT+T): opens or closes it.
    void ToggleKeyboard();
    CCWKeyboardDlg* Keyboard() const { return keyboard_.get(); }
    CCWMsgTransmittingThread& CwThread() { return cwThread_; }
    // "QSO Logging": starts the QSO log once and shows both windows.
    void OpenQsoLogging();
    // The log's object without its windows: made in an idle moment after
    // start, so that opening the windows later does less at once.
    void PrepareQsoLogging();
    // The QSO windows once opened (tests look at them).
    QsoLoggingWindows* QsoLogging() const { return qso_.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;
    void reject() override {} // Escape never closes the front panel

private:
    class ToolCommands;
    class MemoryHost;
    class ControlWindowImpl;

    void ConnectControls();
    void FollowSettings();
    void ConnectSlider(QSlider* slider, std::function<void(int code, int position)> handler);
    void Refresh();
    void OnModelChanged(uint32_t changes);
    void OnLinkEvent(LinkEvent&& event);
    void OnReply(int id, const std::string& text);
    void HookReceiveThread();
    void Shutdown();
    void PlaceWindow();
    void PlaceFrameAt(QPoint frameTopLeft);
    void ShowPopupMenu(const QPoint& globalPos);
    // The "System Configuration" sheet, run modally.
    void ShowSystemConfig();
    void ShowAbout();
    void OpenSwitchPanel();
    void ShowShortcuts();
    // Arrow and page keys tune unless the focus is a control that uses them.
    bool HandleTuningKey(QWidget* widget, QKeyEvent* key);
    bool HandleShortcut(QKeyEvent* key);
    int EditIndex(const QObject* watched) const; // 0 for VFO A's edit, 1 for B's, else -1
    void OpenKeyboard();
    void CloseKeyboard();
    bool ForwardCwKey(QKeyEvent* key);

    CRigControlRegistry& registry_;
    Prompter& prompter_;
    RadioOperations& radio_;
    std::unique_ptr<ToolCommands> commands_;
    std::unique_ptr<MemoryHost> memoryHost_;
    std::unique_ptr<ControlWindowImpl> controlWindow_;
    CK2CommChannel* channel_ = nullptr;
    FrontPanelPresenter presenter_;
    FrontPanelControls controls_;
    FrontPanelWidgets w_;
    WheelNotches wheel_;
    std::unique_ptr<MemoryDialogRunner> memoryDialogs_;
    std::unique_ptr<MemoryCommands> memoryCommands_;
    LinkWatch link_;
    std::unique_ptr<FocusRing> focusRing_;
    std::unique_ptr<SpokenValues> spoken_;
    std::unique_ptr<QMenu> popup_;
    std::unique_ptr<QsoLoggingWindows> qso_;
    std::string qsoHome_;         // the home folder qso_ was made for
    std::string settingsProblem_; // the first unreadable settings line, shown once
    std::vector<std::function<void(int)>> replyObservers_;
    // Where the frame's corner is to go at start, until the window manager
    // has framed the window and it is there.
    std::optional<QPoint> wantedFrame_;
    void KeepWantedFrame();
    void SettlePlacement(int tries);
    void AwaitLateFrame(int tries);
    void ResumePlacement();
    bool Framed() const;
    void MoveFrameTo(QPoint frame);
    bool windowsMoveTogether_ = true;
    bool placementSettled_ = false;
    bool initialised_ = false;
    bool shutDown_ = false;
    std::unique_ptr<CKeySwitchEmulationPanelsPropSheet> switchPanel_;
    std::unique_ptr<ChannelKeyerLink> keyerLink_;
    std::unique_ptr<CCWKeyboardDlg> keyboard_;
    // After the link it uses: joined before the link goes.
    CCWMsgTransmittingThread cwThread_;
    K2RadioModel::Subscription modelWatch_;
    Announcer<uint32_t>::Subscription refusalWatch_;
    // Last: closed first, so nothing reaches a half-destroyed window.
    Inbox<LinkEvent> inbox_;
};

} // namespace tamrel
