#pragma once
// CCWMsgTransmittingThread: the worker that feeds queued CW text to the
// radio's keyer (see KeyerFeed for the rules).
//
// Threads and messages:
//  - Started by the front panel at construction, ended by its destructor
//    (quit, then join); runs at idle priority.
//  - Takes CwMessage: CwSetup (the link and idle interval), CwText (queue the
//    text, whole or not at all), CwAbort, CwKeyerState (the digit of a KY
//    reply), CwEchoTo (where its progress goes: the keyboard window's inbox,
//    or nowhere).
//  - Posts CwProgress (a chunk sent, busy, ready) to that address.
//  - Waits on its queue, never longer than until the next keyer query is
//    due on its clock: the first query leaves as soon as text reaches an idle
//    thread, the next ones once per idle interval.

#include "cw/KeyerFeed.h"
#include "platform/Mailbox.h"
#include "platform/Worker.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <variant>

namespace tamrel {

class CK2CommChannel;

struct CwSetup {
    cw::KeyerLink* link = nullptr; // not owned; outlives the thread
    std::chrono::milliseconds idle{100};
};
struct CwText {
    std::string text;
};
struct CwAbort {};
struct CwKeyerState {
    int digit = 0;
};
struct CwEchoTo {
    Address<cw::CwProgress> to;
};
using CwMessage = std::variant<CwSetup, CwText, CwAbort, CwKeyerState, CwEchoTo>;

// Where the keyboard window's messages go: the transmitting thread, or a
// test's recorder.
class CwQueue {
public:
    // False when nothing takes them (the thread has ended).
    virtual bool Post(CwMessage message) = 0;

protected:
    ~CwQueue() = default;
};

// The keyer link over the serial channel.
class ChannelKeyerLink final : public cw::KeyerLink {
public:
    explicit ChannelKeyerLink(CK2CommChannel& channel) : channel_(channel) {}
    void Query() override;
    void SendText(std::string_view chunk) override;
    void Abort() override;
    void SetStatusPolling(bool on) override;

private:
    CK2CommChannel& channel_;
};

class CCWMsgTransmittingThread final : public Worker<CwMessage>, public CwQueue {
public:
    static constexpr const char* kThreadName = "tamrel-cw";

    explicit CCWMsgTransmittingThread(Clock& clock = SteadyClock());
    ~CCWMsgTransmittingThread() { quitAndJoin(); }

    bool Post(CwMessage message) override { return post(std::move(message)); }

    // Room in the queue as of the last message handled; text posted since is
    // not counted, so this only tells when a text surely cannot fit.
    std::size_t FreeSpace() const { return freeSpace_.load(std::memory_order_relaxed); }

private:
    void onMessage(CwMessage& message) override;
    std::optional<Clock::TimePoint> nextWake() const override;
    void onWake(short revents) override;

    // Worker-thread state.
    cw::KeyerFeed feed_;
    Address<cw::CwProgress> echo_;
    std::chrono::milliseconds idle_{100};
    Clock::TimePoint nextQuery_{};
    std::atomic<std::size_t> freeSpace_{cw::kMaxQueuedCharacters};
};

} // namespace tamrel
