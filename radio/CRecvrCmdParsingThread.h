#pragma once
// CRecvrCmdParsingThread: the only reader of the radio's serial port. Polls
// the port once per period, hands the bytes to a ReplyParser and posts every
// reply that comes out to the front panel.
//
// Threads and messages:
//  - Started and ended (quit message, then join) by CK2CommChannel on the
//    application's thread; runs at idle priority.
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
//    one read of at most 512 bytes) and each purge. Parsing and posting happen
//    after it is released, so no other lock is ever taken inside it.
//  - Everything else (parser, flags, setup fields) belongs to the worker.

#include "ReplyParser.h"
#include "platform/SerialPort.h"
#include "platform/WorkerThread.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

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

class CRecvrCmdParsingThread {
public:
    static constexpr uint32_t kDeliver = 2;
    static constexpr std::size_t kReadChunk = 512;

    CRecvrCmdParsingThread() = default;
    CRecvrCmdParsingThread(const CRecvrCmdParsingThread&) = delete;
    CRecvrCmdParsingThread& operator=(const CRecvrCmdParsingThread&) = delete;

    void start() {
        thread_.start([this](MessageQueue& q) { run(q); });
    }
    void quitAndJoin() { thread_.quitAndJoin(); }
    Handle handle() const { return thread_.handle(); }
    bool post(Message message) { return thread_.post(std::move(message)); }

private:
    void run(MessageQueue& queue);
    void handle(const Message& message);
    void readPass();
    void retryReopen();
    void postLink(uint64_t code, int error);
    std::unique_lock<std::mutex> lockPort() const;

    // Worker-thread state.
    RecvThreadSetup setup_;
    bool reading_ = false;
    bool lost_ = false;
    int lastReopenError_ = 0;
    std::chrono::steady_clock::time_point nextRetry_{};
    ReplyParser parser_;
    // Last: joined before the state above is destroyed.
    WorkerThread thread_;
};

} // namespace tamrel
