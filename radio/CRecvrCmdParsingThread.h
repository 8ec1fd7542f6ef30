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
//  - Started and ended (quit, then join) by CK2CommChannel on the
//    application's thread; runs at low priority (nice 10).
//  - Takes RecvMessage (CK2CommChannel::PostToReceiveThread):
//      RecvSetup       the channel's port and its recovery, when it opens;
//      RecvDeliverTo   where replies and link events go from now on (the
//                      front panel's inbox; an empty address: nowhere);
//      RecvPurge       discard the port's input queue, if a port is known;
//      RecvStart / RecvStop   start and stop reading.
//    Waiting messages are handled, in order, before the port is read.
//  - Posts a LinkEvent for each reply (ReplyReceived: the reply id 0..34 and
//    the text without ";") and each change of the line to the address it
//    was given; nothing is made for a reply when there is none.
//  - A hang-up (poll reports POLLHUP/POLLERR, or a read fails) closes the port
//    through recovery.close and posts LinkLost with the errno; then
//    recovery.reopen is tried every retryPeriod until it succeeds
//    (LinkReopened) or the thread ends. A reopen that fails for another
//    reason than a missing device posts LinkLost with that errno once per
//    change.
//  - Lock: the channel's mutex, held for each reading pass (bytes waiting and
//    one read of at most 512 bytes), each purge, and while the port's
//    descriptor is looked up for the wait (not during the wait). Parsing and
//    posting happen after it is released, so no other lock is ever taken
//    inside it.
//  - Everything else (parser, flags, setup fields) belongs to the worker;
//    its periods are on the channel's clock.

#include "ReplyParser.h"
#include "platform/Mailbox.h"
#include "platform/SerialPort.h"
#include "platform/Worker.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

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

// What the receive thread tells the front panel.
struct ReplyReceived {
    int id = 0;       // position in the name table, 0 for none
    std::string text; // the reply without ";"
};
struct LinkLost {
    int error = 0; // closed after a hang-up (or still cannot reopen) for this errno
};
struct LinkReopened {}; // open again with the same line settings
using LinkEvent = std::variant<ReplyReceived, LinkLost, LinkReopened>;

struct RecvSetup {
    SerialPort* port = nullptr;
    std::chrono::milliseconds pollPeriod{100};
    std::mutex* lock = nullptr; // guards port; may be null for a port nobody shares
    std::atomic<uint64_t>* bytesReceived = nullptr; // counts every byte read
    LinkRecovery recovery{};                        // empty: a hang-up is only reported
};
struct RecvDeliverTo {
    Address<LinkEvent> to;
};
struct RecvPurge {};
struct RecvStart {};
struct RecvStop {};
using RecvMessage = std::variant<RecvSetup, RecvDeliverTo, RecvPurge, RecvStart, RecvStop>;

class CRecvrCmdParsingThread final : public Worker<RecvMessage> {
public:
    static constexpr const char* kThreadName = "tamrel-recv";
    static constexpr std::size_t kReadChunk = 512;

    explicit CRecvrCmdParsingThread(Clock& clock = SteadyClock()) : Worker(kThreadName, clock) {}
    ~CRecvrCmdParsingThread() { quitAndJoin(); }

private:
    void onMessage(RecvMessage& message) override;
    std::optional<Clock::TimePoint> nextWake() const override;
    int waitDescriptor() const override;
    void onWake(short revents) override;
    // Bytes read, 0 when there were none.
    long readPass();
    void retryReopen();
    std::unique_lock<std::mutex> lockPort() const;

    // Worker-thread state.
    RecvSetup setup_;
    Address<LinkEvent> to_;
    bool reading_ = false;
    // When the port was last read or looked at: the next pass is a period on.
    Clock::TimePoint lastPass_{};
    // The port woke the thread with nothing to read: it is left out of the
    // wait until the period has passed.
    bool quiet_ = false;
    bool lost_ = false;
    int lastReopenError_ = 0;
    Clock::TimePoint nextRetry_{};
    ReplyParser parser_;
};

} // namespace tamrel
