#include "CRecvrCmdParsingThread.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

namespace tamrel {

std::optional<std::chrono::milliseconds> CRecvrCmdParsingThread::waitTimeout() const {
    if (lost_) {
        // Only the next try to reopen the device is due.
        const auto left = nextRetry_ - std::chrono::steady_clock::now();
        return std::clamp(std::chrono::ceil<std::chrono::milliseconds>(left),
                          std::chrono::milliseconds(0), setup_.recovery.retryPeriod);
    }
    if (!quietSince_)
        return setup_.pollPeriod;
    // The quiet port's period ends the wait, even if messages came meanwhile.
    const auto left = *quietSince_ + setup_.pollPeriod - std::chrono::steady_clock::now();
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(left),
                    std::chrono::milliseconds(0));
}

int CRecvrCmdParsingThread::waitDescriptor() const {
    if (!reading_ || !setup_.port || quietSince_ || lost_)
        return -1;
    auto lock = lockPort();
    return setup_.port->fd();
}

void CRecvrCmdParsingThread::onWake(short revents) {
    if (revents == 0)
        quietSince_.reset(); // the wait ran out: wait on the port again
    if (!reading_)
        return;
    if (lost_) {
        retryReopen();
        return;
    }
    if (readPass() <= 0 && revents != 0 && !lost_)
        quietSince_ = std::chrono::steady_clock::now();
}

void CRecvrCmdParsingThread::onMessage(Message& message) {
    const uint64_t code = message.wParam & 0xffff;
    switch (message.id & 0xffff) {
    case msg::WM_K2_THREAD_SETUP:
        if (const auto* s = message.payload.get<RecvThreadSetup>()) {
            if (code == kSetupAll) {
                setup_ = *s;
                lost_ = false;
            } else {
                setup_.deliveryMode = s->deliveryMode;
                setup_.target = s->target;
            }
        }
        break;
    case msg::WM_K2_RECV_CONTROL:
        if (code == msg::RECV_PURGE && setup_.port) {
            auto lock = lockPort();
            setup_.port->purgeInput();
        } else if (code == msg::RECV_START) {
            reading_ = true;
        } else if (code == msg::RECV_STOP) {
            reading_ = false;
        }
        break;
    default:
        break;
    }
}

std::unique_lock<std::mutex> CRecvrCmdParsingThread::lockPort() const {
    return setup_.lock ? std::unique_lock(*setup_.lock) : std::unique_lock<std::mutex>();
}

void CRecvrCmdParsingThread::postLink(uint64_t code, int error) {
    if (setup_.target != 0)
        Mailboxes::post(setup_.target,
                        Message{msg::WM_K2_LINK_EVENT, code, Payload::of(int64_t{error})});
}

void CRecvrCmdParsingThread::retryReopen() {
    const auto now = std::chrono::steady_clock::now();
    if (!setup_.recovery.reopen || now < nextRetry_)
        return;
    nextRetry_ = now + setup_.recovery.retryPeriod;
    const int err = setup_.recovery.reopen();
    if (err == 0) {
        lost_ = false;
        lastReopenError_ = 0;
        quietSince_.reset();
        // Whatever half a reply was pending belongs to the old line.
        parser_ = ReplyParser();
        postLink(msg::LINK_REOPENED, 0);
        return;
    }
    // A device that is back but cannot be opened (busy, no permission) is worth telling.
    if (err != lastReopenError_ && err != ENOENT && err != ENXIO && err != ENODEV)
        postLink(msg::LINK_LOST, err);
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
        quietSince_.reset();
        nextRetry_ = std::chrono::steady_clock::now() + setup_.recovery.retryPeriod;
        if (setup_.recovery.close)
            setup_.recovery.close();
        postLink(msg::LINK_LOST, hangUp);
        return 0;
    }
    if (n <= 0)
        return 0;
    if (setup_.bytesReceived)
        setup_.bytesReceived->fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
    parser_.feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)),
                 [this](int id, std::string_view text) {
                     if (setup_.deliveryMode == kDeliver && setup_.target != 0)
                         Mailboxes::post(setup_.target,
                                         Message{msg::WM_K2_REPLY, static_cast<uint64_t>(id),
                                                 Payload::of(std::string(text))});
                 });
    return n;
}

namespace recvmsg {

Message setup(const RecvThreadSetup& setup) {
    return {msg::WM_K2_THREAD_SETUP, CRecvrCmdParsingThread::kSetupAll, Payload::of(setup)};
}

Message delivery(uint32_t mode, Handle target) {
    RecvThreadSetup s;
    s.deliveryMode = mode;
    s.target = target;
    return {msg::WM_K2_THREAD_SETUP, CRecvrCmdParsingThread::kSetupDelivery, Payload::of(s)};
}

Message purge() {
    return {msg::WM_K2_RECV_CONTROL, msg::RECV_PURGE, {}};
}

Message startReading() {
    return {msg::WM_K2_RECV_CONTROL, msg::RECV_START, {}};
}

Message stopReading() {
    return {msg::WM_K2_RECV_CONTROL, msg::RECV_STOP, {}};
}

} // namespace recvmsg

} // namespace tamrel
