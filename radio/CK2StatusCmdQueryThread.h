#pragma once
// CK2StatusCmdQueryThread: keeps the panel's copy of the radio's display and
// bar graph current by sending DS and BG once per period while polling is on.
// The replies come back through CRecvrCmdParsingThread, which drops the
// unchanged ones.
//
// Threads and messages:
//  - Started and ended (quit, then join) by CK2CommChannel on the
//    application's thread; runs at low priority (nice 10).
//  - Takes StatusMessage: StatusSetup (the channel and the period; polling
//    off), StatusPolling (on or off; CK2CommChannel::SetStatusPolling).
//  - Once per period on the channel's clock, when polling is on and a channel
//    is known, calls CmdStatusQuery on it; the first query comes one full
//    period after polling is switched on.
//  - Takes no lock of its own; the channel's lock serialises its sends.

#include "platform/Worker.h"

#include <chrono>
#include <variant>

namespace tamrel {

class CK2CommChannel;

struct StatusSetup {
    CK2CommChannel* channel = nullptr;
    std::chrono::milliseconds period{1000};
};
struct StatusPolling {
    bool on = false;
};
using StatusMessage = std::variant<StatusSetup, StatusPolling>;

class CK2StatusCmdQueryThread final : public Worker<StatusMessage> {
public:
    static constexpr const char* kThreadName = "tamrel-status";

    explicit CK2StatusCmdQueryThread(Clock& clock = SteadyClock()) : Worker(kThreadName, clock) {}
    ~CK2StatusCmdQueryThread() { quitAndJoin(); }

private:
    void onMessage(StatusMessage& message) override;
    std::optional<Clock::TimePoint> nextWake() const override {
        return polling_ ? std::optional(last_ + period_) : std::nullopt;
    }
    void onWake(short revents) override;

    // Worker-thread state.
    CK2CommChannel* channel_ = nullptr;
    std::chrono::milliseconds period_{1000};
    bool polling_ = false;
    Clock::TimePoint last_{};
};

} // namespace tamrel
