#include "CRecvrCmdParsingThread.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

namespace tamrel {

std::optional<Clock::TimePoint> CRecvrCmdParsingThread::nextWake() const {
    // Lost: only the next try to reopen the device is due. Otherwise the
    // port is read once a period whether or not it said it was readable, and
    // a quiet port stays out of the wait until then.
    return lost_ ? nextRetry_ : lastPass_ + setup_.pollPeriod;
}

int CRecvrCmdParsingThread::waitDescriptor() const {
    if (!reading_ || !setup_.port || quiet_ || lost_)
        return -1;
    auto lock = lockPort();
    return setup_.port->fd();
}

void CRecvrCmdParsingThread::onWake(short revents) {
    lastPass_ = clock().Now();
    if (revents == 0)
        quiet_ = false; // the period ran out: wait on the port again
    if (!reading_)
        return;
    if (lost_) {
        retryReopen();
        return;
    }
    if (readPass() <= 0 && revents != 0 && !lost_)
        quiet_ = true;
}

void CRecvrCmdParsingThread::onMessage(RecvMessage& message) {
    std::visit(Overloaded{[this](RecvSetup& s) {
                              setup_ = std::move(s);
                              lost_ = false;
                          },
                          [this](RecvDeliverTo& d) { to_ = std::move(d.to); },
                          [this](RecvPurge&) {
                              if (setup_.port) {
                                  auto lock = lockPort();
                                  setup_.port->purgeInput();
                              }
                          },
                          [this](RecvStart&) { reading_ = true; },
                          [this](RecvStop&) { reading_ = false; }},
               message);
}

std::unique_lock<std::mutex> CRecvrCmdParsingThread::lockPort() const {
    return setup_.lock ? std::unique_lock(*setup_.lock) : std::unique_lock<std::mutex>();
}

void CRecvrCmdParsingThread::retryReopen() {
    const auto now = clock().Now();
    if (now < nextRetry_)
        return;
    nextRetry_ = now + setup_.recovery.retryPeriod;
    if (!setup_.recovery.reopen)
        return; // a hang-up only reported: nothing to try, once a period
    const int err = setup_.recovery.reopen();
    if (err == 0) {
        lost_ = false;
        lastReopenError_ = 0;
        quiet_ = false;
        // Whatever half a reply was pending belongs to the old line.
        parser_ = ReplyParser();
        to_.post(LinkReopened{});
        return;
    }
    // A device that is back but cannot be opened (busy, no permission) is worth telling.
    if (err != lastReopenError_ && err != ENOENT && err != ENXIO && err != ENODEV)
        to_.post(LinkLost{err});
    lastReopenError_ = err;
}

long CRecvrCmdParsingThread::readPass() {
    if (!setup_.port)
        return 0;
    std::array<char, kReadChunk> buffer;
    long n = 0;
    int hangUp = 0;
    {
        auto lock = lockPort();
        if (!setup_.port->isOpen())
            return 0;
        int waiting = setup_.port->bytesWaiting();
        if (waiting > 0)
            n = setup_.port->read(
                reinterpret_cast<uint8_t*>(buffer.data()),
                std::min<std::size_t>(static_cast<std::size_t>(waiting), kReadChunk));
        // Bytes that came before a hang-up are still the radio's: read first.
        if (n < 0)
            hangUp = errno != 0 ? errno : EIO;
        else if (n == 0)
            hangUp = setup_.port->hangUpError();
    }
    if (hangUp != 0) {
        lost_ = true;
        lastReopenError_ = 0;
        quiet_ = false;
        nextRetry_ = clock().Now() + setup_.recovery.retryPeriod;
        if (setup_.recovery.close)
            setup_.recovery.close();
        to_.post(LinkLost{hangUp});
        return 0;
    }
    if (n <= 0)
        return 0;
    if (setup_.bytesReceived)
        setup_.bytesReceived->fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
    parser_.feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)),
                 [this](int id, std::string_view text) {
                     if (to_)
                         to_.post(ReplyReceived{id, std::string(text)});
                 });
    return n;
}

} // namespace tamrel
