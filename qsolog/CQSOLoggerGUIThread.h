#pragma once
// CQSOLoggerGUIThread: the thread that owns the QSO log: the record list, the
// sequence counter and the file (CQSOLogFile). Its window, the logging window,
// lives on the GUI thread and hears from it only by posted messages; every
// text for the operator goes there too, as the thread shows nothing itself.
//
// Messages (built by loggermsg::, QsoMessages.h):
//   WM_K2_THREAD_SETUP  LoggerSetup: front panel, information thread, window
//                       and the fallback file name; shows the window and
//                       loads the current log (as WM_K2_LOG_LOAD wParam 1).
//   WM_K2_QSO_RECORD    wParam 1: a new QSO, listed and appended to the file.
//   WM_K2_LOG_LOAD      wParam 1 or 0 (switch the mode on a file of the other
//                       kind), name or none (the current one).
//   WM_K2_LOG_SAVE      name or none: rewrite with ".Bak".
//   WM_K2_LOG_NEW       an empty log under the default name.
//   WM_K2_LOG_REPLACE   wParam row, RowChange; WM_K2_LOG_DELETE wParam row,
//                       RowChange: changed only when the row still holds the
//                       original, then rewritten; the window gets the list again.
//   WM_K2_SHOW_INFO     passed on to the information thread.
//   WM_K2_PANEL_REQUEST passed on to the front panel window.
//   WM_K2_LOG_SEARCH    call: the matching lines go to the window.
//   WM_K2_LOG_RECALL    wParam n, call: the n-th match goes to the information thread.
//   WM_K2_FOLLOW_MOVE   the window is placed beside the front panel again.
//   WM_K2_LOG_INTERCHANGE InterchangeRequest: an ADIF export or import, a
//                       Cabrillo export; the outcome is told in the window.
//   WM_K2_DUPE_CHECK    QSORecord (call, band, mode): the dupe line goes to
//                       the information thread.
// Anything else is ignored.

#include "CQSOLogFile.h"
#include "QsoMessages.h"

#include "platform/MessageLoopWorker.h"

#include <string>

namespace tamrel {

class CRigControlRegistry;

class CQSOLoggerGUIThread final : public MessageLoopWorker {
public:
    static constexpr const char* kThreadName = "tamrel-qsolog";

    // `homeDir` is where relative log names lie.
    CQSOLoggerGUIThread(CRigControlRegistry& settings, std::string homeDir);
    ~CQSOLoggerGUIThread() { quitAndJoin(); }

    // Before start(): the time given to QSOs read without a date.
    void setClock(std::function<int64_t()> now) { log_.setClock(std::move(now)); }

private:
    void onMessage(Message& message) override;
    void load(std::optional<std::string> name, bool switchOnMismatch);
    void sendListing(bool recreate);
    void told(const LogWrite& write);
    void tell(const std::string& text, PromptIcon icon);
    void interchange(const InterchangeRequest& request);
    QsoKind modeKind();

    // Worker-thread state.
    CRigControlRegistry& settings_;
    LoggerSetup setup_;
    CQSOLogFile log_;
};

} // namespace tamrel
