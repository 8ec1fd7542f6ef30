#pragma once
// CRecvrCmdParsingThread: the only reader of the radio's serial port. Waits
// on the port and its message queue together, reads whatever the port holds
// the moment it is readable, hands the bytes to a ReplyParser and posts every
// reply that comes out to the front panel at once. The poll period is the
// longest wait: after it the port is read whether or not it said it was
// readable. A port that wakes the thread with nothing to read (a hung-up line:
// a pseudo-terminal whose other end closed, an unplugged adapter) is left out
// of the wait until the period has passed, so the thread never spins.
//
// Threads and messages:
//  - Started and ended (quit message, then join) by CK2CommChannel on the
//    application's thread; runs at low priority (nice 10).
//  - Posted to it (its Handle is CK2CommChannel::GetReceiveThreadId()):
//      WM_K2_THREAD_SETUP  wParam 1, payload RecvThreadSetup: takes every
//                          field (the channel, when it opens);
//                          any other wParam: takes deliveryMode and target
//                          only (the front panel, to switch delivery on/off).
//      WM_K2_RECV_CONTROL  RECV_PURGE (1): discard the port's input queue, if
//                          a port is known; RECV_START (3) / RECV_STOP (4):
//                          start and stop reading.
//      WM_QUIT             end the loop.
//    Anything else is discarded. Only the low 16 bits of id and wParam count.
//    Waiting messages are handled, in order, before the port is read.
//  - Posts WM_K2_REPLY, wParam = reply id (0..34), payload = std::string
//    reply text without ";", to the target, only while deliveryMode is 2
//    (nothing is allocated otherwise).
//  - A hang-up (poll reports POLLHUP/POLLERR, or a read fails) closes the port
//    through recovery.close and posts WM_K2_LINK_EVENT LINK_LOST with the
//    errno to the target; then recovery.reopen is tried every retryPeriod
//    until it succeeds (LINK_REOPENED) or the thread ends. A reopen that fails
//    for another reason than a missing device posts LINK_LOST with that errno
//    once per change. Link events go to the target whatever deliveryMode is.
//  - Lock: the channel's mutex, held for each reading pass (bytes waiting and
//    one read of at most 512 bytes), each purge, and while the port's
//    descriptor is looked up for the wait (not during the wait). Parsing and
//    posting happen after it is released, so no other lock is ever taken
//    inside it.
//  - Everything else (parser, flags, setup fields) belongs to the worker.

#include "ReplyParser.h"
#include "platform/MessageLoopWorker.h"
#include "platform/SerialPort.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace tamrel {

// How the receive thread looks after the line when it hangs up. Both calls
// take the port's lock themselves; the thread calls them without holding it.
struct LinkRecovery {
    // Closes the port after a hang-up.
    std::function<void()> close;
    // Opens the same device with the same line settings again; 0 or the errno.
    std::function<int()> reopen;
    std::chrono::milliseconds retryPeriod{200};
};

struct RecvThreadSetup {
    uint32_t deliveryMode = 0; // 2: post replies to target; anything else: post nothing
    Handle target = 0;
    SerialPort* port = nullptr;
    std::chrono::milliseconds pollPeriod{100};
    std::mutex* lock = nullptr; // guards port; may be null for a port nobody shares
    // Set with wParam 1 only.
    std::atomic<uint64_t>* bytesReceived = nullptr; // counts every byte read
    LinkRecovery recovery{};                        // empty: a hang-up is only reported
};

class CRecvrCmdParsingThread final : public MessageLoopWorker {
public:
    static constexpr const char* kThreadName = "tamrel-recv";
    static constexpr uint32_t kDeliver = 2;
    static constexpr std::size_t kReadChunk = 512;
    // wParam of WM_K2_THREAD_SETUP: take every field, or the delivery only.
    static constexpr uint64_t kSetupAll = 1;
    static constexpr uint64_t kSetupDelivery = 2;

    CRecvrCmdParsingThread() : MessageLoopWorker(kThreadName) {}
    ~CRecvrCmdParsingThread() { quitAndJoin(); }

private:
    void onMessage(Message& message) override;
    std::optional<std::chrono::milliseconds> waitTimeout() const override;
    int waitDescriptor() const override;
    void onWake(short revents) override;
    // Bytes read, 0 when there were none.
    long readPass();
    void retryReopen();
    void postLink(uint64_t code, int error);
    std::unique_lock<std::mutex> lockPort() const;

    // Worker-thread state.
    RecvThreadSetup setup_;
    bool reading_ = false;
    // When the port last woke the thread with nothing to read; it is left out
    // of the wait for one period after that.
    std::optional<std::chrono::steady_clock::time_point> quietSince_;
    bool lost_ = false;
    int lastReopenError_ = 0;
    std::chrono::steady_clock::time_point nextRetry_{};
    ReplyParser parser_;
};

// The messages of the table above, built so that no sender spells a wParam.
namespace recvmsg {
// The channel's setup when it opens: every field.
Message setup(const RecvThreadSetup& setup);
// Delivery only (the port stays as it is): replies go to target while mode
// is CRecvrCmdParsingThread::kDeliver; any other mode posts nothing.
Message delivery(uint32_t mode, Handle target);
inline Message deliverTo(Handle target) {
    return delivery(CRecvrCmdParsingThread::kDeliver, target);
}
inline Message noDelivery() {
    return delivery(0, 0);
}
Message purge();
Message startReading();
Message stopReading();
} // namespace recvmsg

} // namespace tamrel
