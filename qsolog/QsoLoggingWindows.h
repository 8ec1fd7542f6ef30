#pragma once
// QsoLoggingWindows: the QSO logging as the front panel opens it: the log
// (QsoLog, with its worker) and the two windows on the GUI thread. Open()
// starts the log the first time and shows both windows; the worker then
// lives until Shutdown() (the exit). The windows can be hidden and shown
// again meanwhile.
//
// The information window is the one of the logging mode ("QSO Information"
// or "Contest QSO Information"), made anew at the place of the one it
// replaces when the mode changes; the logging window is made anew when a new
// list has the other kind's columns. Both are placed beside the front panel
// when first made and when told to follow it.

#include "CContestQSODlg.h"
#include "CQSOInfoDlg.h"
#include "CQSOLoggingDlg.h"
#include "QsoDialogs.h"
#include "QsoLog.h"

#include <memory>
#include <string>

class QWidget;

namespace tamrel {

class CRigControlRegistry;
class K2RadioModel;
class PanelCommands;
class Prompter;

class QsoLoggingWindows {
public:
    // The log's relative names lie in `homeDir`. The windows are owned
    // windows of `owner` (the front panel, which runs modally and would
    // otherwise block their input); they are placed beside panel.PanelFrame().
    QsoLoggingWindows(CRigControlRegistry& settings, Prompter& prompter, K2RadioModel& radio,
                      PanelCommands& panel, std::unique_ptr<QsoDialogs> dialogs,
                      std::string homeDir, QWidget* owner = nullptr);
    ~QsoLoggingWindows();
    QsoLoggingWindows(const QsoLoggingWindows&) = delete;
    QsoLoggingWindows& operator=(const QsoLoggingWindows&) = delete;

    // The "QSO Logging" command.
    void Open();
    bool Started() const { return log_.Started(); }
    // The front panel moved ("Windows Move Together" on).
    void FollowMove();
    // Ends the worker (once it has written what it was given) and closes both windows.
    void Shutdown();

    // The information window of the mode: one of the two, the other is null.
    CQSOInfoDlg* InfoWindow() const { return infoDlg_.get(); }
    CContestQSODlg* ContestWindow() const { return contestDlg_.get(); }
    CQSOLoggingDlg* LoggingWindow() const { return logDlg_.get(); }
    QsoLog& Log() { return log_; }

private:
    QsoWiring Wiring();
    void OnLogEvents(uint32_t events);
    void MakeInfoWindow();
    QsoInfoWindow* CurrentInfo() const;
    void MakeLoggingWindow(QsoKind kind);
    void ToggleInfo();
    void PlaceInfo();
    void PlaceLogging();

    CRigControlRegistry& settings_;
    Prompter& prompter_;
    K2RadioModel& radio_;
    PanelCommands& panel_;
    std::unique_ptr<QsoDialogs> dialogs_;
    QWidget* owner_;
    // Before the windows: they go first.
    QsoLog log_;
    QsoLog::Subscription logWatch_;
    std::unique_ptr<CQSOInfoDlg> infoDlg_;
    std::unique_ptr<CContestQSODlg> contestDlg_;
    std::unique_ptr<CQSOLoggingDlg> logDlg_;
    bool infoVisible_ = false;
    bool logVisible_ = false;
};

} // namespace tamrel
