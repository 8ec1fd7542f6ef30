#pragma once
// CCWMsgTransmittingThread: the worker that feeds queued CW text to the
// radio's keyer (see KeyerFeed for the rules).
//
// Threads and messages:
//  - Started by the front panel at construction, ended by its destructor
//    (quit message, then join); runs at idle priority.
//  - Posted to it:
//      WM_K2_THREAD_SETUP  payload CwThreadSetup: the link and idle interval
//      WM_K2_CW_QUEUE      5 with a std::string: queue the text (whole or not
//                          at all); 6: abort
//      WM_K2_KEYER_STATE   the digit of a KY reply
//      WM_K2_SET_PEER      payload Handle: where WM_K2_CW_NOTIFY goes (0 none)
//      WM_QUIT             end
//    Anything else is dropped.
//  - Posts WM_K2_CW_NOTIFY (5 with the chunk as std::string, 5 empty for
//    busy, 8 ready) to the peer.
//  - Waits on its queue, never longer than until the next keyer query is
//    due: the first query leaves as soon as text reaches an idle thread, the
//    next ones once per idle interval.

#include "cw/KeyerFeed.h"
#include "platform/WorkerThread.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>

namespace tamrel {

class CK2CommChannel;

struct CwThreadSetup {
    cw::KeyerLink* link = nullptr; // not owned; outlives the thread
    std::chrono::milliseconds idle{100};
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

class CCWMsgTransmittingThread {
public:
    CCWMsgTransmittingThread() = default;
    ~CCWMsgTransmittingThread() { quitAndJoin(); }
    CCWMsgTransmittingThread(const CCWMsgTransmittingThread&) = delete;
    CCWMsgTransmittingThread& operator=(const CCWMsgTransmittingThread&) = delete;

    void start() {
        thread_.start([this](MessageQueue& q) { run(q); });
    }
    void quitAndJoin() { thread_.quitAndJoin(); }
    Handle handle() const { return thread_.handle(); }
    bool post(Message message) { return thread_.post(std::move(message)); }
    // Room in the queue as of the last message handled; text posted since is
    // not counted, so this only tells when a text surely cannot fit.
    std::size_t FreeSpace() const { return freeSpace_.load(std::memory_order_relaxed); }

private:
    using Clock = std::chrono::steady_clock;
    void run(MessageQueue& queue);
    void handle(Message& message);

    // Worker-thread state.
    cw::KeyerFeed feed_;
    Handle peer_ = 0;
    std::chrono::milliseconds idle_{100};
    Clock::time_point nextQuery_{};
    std::atomic<std::size_t> freeSpace_{cw::kMaxQueuedCharacters};
    // Last: joined before the state above is destroyed.
    WorkerThread thread_;
};

} // namespace tamrel
