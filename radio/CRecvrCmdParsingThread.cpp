#include "CRecvrCmdParsingThread.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

namespace tamrel {

void CRecvrCmdParsingThread::run(MessageQueue& queue) {
    for (;;) {
        // One message per pass; without one, wait a period, then read. A
        // message that arrives during the wait is handled at once, and that
        // pass reads nothing.
        if (std::optional<Message> m =
                queue.getFor(std::max(setup_.pollPeriod, std::chrono::milliseconds(1)))) {
            if ((m->id & 0xffff) == msg::WM_QUIT)
                return;
            handle(*m);
        } else if (reading_) {
            readPass();
        }
    }
}

void CRecvrCmdParsingThread::handle(const Message& message) {
    const uint64_t code = message.wParam & 0xffff;
    switch (message.id & 0xffff) {
    case msg::WM_K2_THREAD_SETUP:
        if (const auto* s = message.payload.get<RecvThreadSetup>()) {
            if (code == 1) {
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

void CRecvrCmdParsingThread::readPass() {
    if (!setup_.port)
        return;
    if (lost_) {
        retryReopen();
        return;
    }
    std::array<char, kReadChunk> buffer;
    long n = 0;
    int hangUp = 0;
    {
        auto lock = lockPort();
        if (!setup_.port->isOpen())
            return;
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
        nextRetry_ = std::chrono::steady_clock::now() + setup_.recovery.retryPeriod;
        if (setup_.recovery.close)
            setup_.recovery.close();
        postLink(msg::LINK_LOST, hangUp);
        return;
    }
    if (n <= 0)
        return;
    if (setup_.bytesReceived)
        setup_.bytesReceived->fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
    parser_.feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)),
                 [this](int id, std::string_view text) {
                     if (setup_.deliveryMode == kDeliver && setup_.target != 0)
                         Mailboxes::post(setup_.target,
                                         Message{msg::WM_K2_REPLY, static_cast<uint64_t>(id),
                                                 Payload::of(std::string(text))});
                 });
}

} // namespace tamrel
