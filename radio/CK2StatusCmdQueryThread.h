#pragma once
// CK2StatusCmdQueryThread: keeps the panel's copy of the radio's display and
// bar graph current by sending DS and BG once per period while polling is on.
// The replies come back through CRecvrCmdParsingThread, which drops the
// unchanged ones.
//
// Threads and messages:
//  - Started and ended (quit message, then join) by CK2CommChannel on the
//    application's thread; runs at low priority (nice 10).
//  - Posted to it:
//      WM_K2_THREAD_SETUP  payload StatusThreadSetup: takes channel and
//                          period and switches polling off (the channel's
//                          Open sends it with wParam 0).
//      WM_K2_POLL_CONTROL  POLL_ON (22) / POLL_OFF (23); other codes ignored
//                          (CK2CommChannel::SetStatusPolling sends them).
//      WM_QUIT             end the loop.
//    Anything else is discarded. Only the low 16 bits of id and wParam count.
//  - Each pass handles one message, or waits one period and then, when
//    polling is on and a channel is known, calls CmdStatusQuery on it. So the
//    first query comes one full period after polling is switched on.
//  - Takes no lock of its own; the channel's lock serialises its sends.

#include "platform/MessageLoopWorker.h"

#include <chrono>

namespace tamrel {

class CK2CommChannel;

struct StatusThreadSetup {
    CK2CommChannel* channel = nullptr;
    std::chrono::milliseconds period{1000};
};

class CK2StatusCmdQueryThread final : public MessageLoopWorker {
public:
    static constexpr const char* kThreadName = "tamrel-status";

    CK2StatusCmdQueryThread() : MessageLoopWorker(kThreadName) {}
    ~CK2StatusCmdQueryThread() { quitAndJoin(); }

private:
    void onMessage(Message& message) override;
    std::optional<std::chrono::milliseconds> waitTimeout() const override { return period_; }
    void onWake(short revents) override;

    // Worker-thread state.
    CK2CommChannel* channel_ = nullptr;
    std::chrono::milliseconds period_{100};
    bool polling_ = false;
};

// The messages of the table above, built so that no sender spells a wParam.
namespace statusmsg {
// Channel and period; switches polling off.
Message setup(CK2CommChannel* channel, std::chrono::milliseconds period);
Message polling(bool on);
} // namespace statusmsg

} // namespace tamrel
