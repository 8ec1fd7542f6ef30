#pragma once
// CQSOInfoGUIThread: the thread behind the QSO information window. It holds
// the logging mode, the UTC rule and the one QSO waiting for the front
// panel's radio data; its window lives on the GUI thread and hears from it
// only by posted messages.
//
// Messages (built by infomsg::, QsoMessages.h):
//   WM_K2_THREAD_SETUP  InfoSetup: front panel and window; reads the logging
//                       mode and the UTC settings and has the window of the
//                       mode made.
//   WM_K2_SET_PEER      the logger thread.
//   WM_K2_QSO_RECORD    wParam 224, the typed QSO: dropped while one is
//                       pending; else time-stamped, kept, and the front panel
//                       asked for the radio's state (WM_K2_STATE_REQUEST 1).
//   WM_K2_STATE_REPLY   K2RadioState: completes the pending QSO and sends it
//                       to the logger as a new one.
//   WM_K2_LOG_MODE      wParam the mode: the window of that mode is made.
//   WM_K2_SHOW_INFO     the window is shown or hidden.
//   WM_K2_PANEL_REQUEST wParam 21: "Use UTC in Log" is the argument != 0.
//   WM_K2_LOG_SEARCH    the call, passed on to the logger.
//   WM_K2_LOG_RECALL    an earlier QSO: the window is filled from it.
//   WM_K2_FOLLOW_MOVE   the window is placed beside the front panel again.
//   WM_K2_DUPE_CHECK    wParam 0, the call typed so far: the front panel is
//                       asked for the radio's state (one request at a time;
//                       the last call typed wins), and the call goes to the
//                       logger with that band and mode. wParam 1, DupeLine:
//                       the logger's answer, passed on to the window.
// Anything else is ignored.

#include "QsoMessages.h"

#include "platform/MessageLoopWorker.h"

#include <functional>
#include <optional>

namespace tamrel {

class CRigControlRegistry;

class CQSOInfoGUIThread final : public MessageLoopWorker {
public:
    static constexpr const char* kThreadName = "tamrel-qsoinfo";

    explicit CQSOInfoGUIThread(CRigControlRegistry& settings);
    ~CQSOInfoGUIThread() { quitAndJoin(); }

    // Before start(): the clock of the time stamps (seconds since 1970).
    void setClock(std::function<int64_t()> now) { now_ = std::move(now); }

private:
    void onMessage(Message& message) override;
    void askState();

    // Worker-thread state.
    CRigControlRegistry& settings_;
    std::function<int64_t()> now_;
    InfoSetup setup_;
    Handle logger_ = 0;
    uint8_t mode_ = 0;
    bool useUtc_ = true;
    uint8_t utcOffset_ = 0;
    std::optional<QSORecord> pending_;
    std::optional<std::string> dupeCall_; // waiting for the radio's state
    bool stateAsked_ = false;
};

} // namespace tamrel
