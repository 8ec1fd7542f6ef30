#pragma once
// QsoLoggingWindows: the QSO logging as the front panel starts it: the
// information and logger threads, and on the GUI thread the two windows they
// serve. Open() starts both threads the first time and shows both windows;
// the threads then live until Shutdown() (the exit), which quits and joins
// them. The windows can be hidden and shown again meanwhile.
//
// Each window has a mailbox its thread posts to (QsoMessages.h, qsowin::):
// the information window is made anew for the logging mode ("QSO
// Information" or "Contest QSO Information", at the place of the one it
// replaces), the logging window anew when a listing comes with other columns. Both are
// placed beside the front panel when made and when told to follow it.

#include "CContestQSODlg.h"
#include "CQSOInfoDlg.h"
#include "CQSOInfoGUIThread.h"
#include "CQSOLoggerGUIThread.h"
#include "CQSOLoggingDlg.h"

#include "platform/WindowMailbox.h"

#include <QRect>

#include <functional>
#include <memory>
#include <string>

namespace tamrel {

class CRigControlRegistry;
class Prompter;

class QsoLoggingWindows {
public:
    // `panel` is where the windows post to the front panel; `panelFrame` its
    // frame on the screen now. The log's relative names lie in `homeDir`.
    // The windows are owned windows of `owner` (the front panel, which runs
    // modally and would otherwise block their input).
    QsoLoggingWindows(CRigControlRegistry& settings, Prompter& prompter, Handle panel,
                      std::function<QRect()> panelFrame, std::string homeDir,
                      LoggingDlgHooks hooks = {}, QWidget* owner = nullptr);
    ~QsoLoggingWindows();
    QsoLoggingWindows(const QsoLoggingWindows&) = delete;
    QsoLoggingWindows& operator=(const QsoLoggingWindows&) = delete;

    // The "QSO Logging" command.
    void Open();
    bool Started() const { return info_.running(); }
    // The front panel moved ("Windows Move Together" on).
    void FollowMove();
    // Request 12: the logging mode changed on the configuration page.
    void LoggingModeChanged(uint8_t mode);
    // Request 21: "Use UTC in Log" changed.
    void UseUtcChanged(bool on);
    // Ends both threads and closes both windows.
    void Shutdown();

    // The information window of the mode: one of the two, the other is null.
    CQSOInfoDlg* InfoWindow() const { return infoDlg_.get(); }
    CContestQSODlg* ContestWindow() const { return contestDlg_.get(); }
    CQSOLoggingDlg* LoggingWindow() const { return logDlg_.get(); }
    Handle InfoThread() const { return info_.handle(); }
    Handle LoggerThread() const { return logger_.handle(); }

private:
    void OnInfoMessage(Message&& m);
    void OnLogMessage(Message&& m);
    void MakeInfoWindow(uint8_t mode);
    QsoInfoWindow* CurrentInfo() const;
    void MakeLoggingWindow(QsoKind kind);
    // The window's hooks, with the remembered Cabrillo answers from the settings.
    LoggingDlgHooks withAnswers(LoggingDlgHooks hooks);
    void PlaceInfo();
    void PlaceLogging();

    CRigControlRegistry& settings_;
    Prompter& prompter_;
    Handle panel_;
    std::function<QRect()> panelFrame_;
    LoggingDlgHooks hooks_;
    QWidget* owner_;
    std::unique_ptr<CQSOInfoDlg> infoDlg_;
    std::unique_ptr<CContestQSODlg> contestDlg_;
    std::unique_ptr<CQSOLoggingDlg> logDlg_;
    bool infoVisible_ = false;
    bool logVisible_ = false;
    // Destroyed in reverse: the threads end before the mailboxes they post
    // to are removed, and those before the windows they fill.
    WindowMailbox infoBox_;
    WindowMailbox logBox_;
    CQSOInfoGUIThread info_;
    CQSOLoggerGUIThread logger_;
};

} // namespace tamrel
