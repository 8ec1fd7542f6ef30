#include "CRecvrCmdParsingThread.h"

#include <algorithm>
#include <array>
#include <string>

namespace tamrel {

std::optional<std::chrono::milliseconds> CRecvrCmdParsingThread::waitTimeout() const {
    if (!quietSince_)
        return setup_.pollPeriod;
    // The quiet port's period ends the wait, even if messages came meanwhile.
    const auto left = *quietSince_ + setup_.pollPeriod - std::chrono::steady_clock::now();
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(left),
                    std::chrono::milliseconds(0));
}

int CRecvrCmdParsingThread::waitDescriptor() const {
    if (!reading_ || !setup_.port || quietSince_)
        return -1;
    auto lock = lockPort();
    return setup_.port->fd();
}

void CRecvrCmdParsingThread::onWake(short revents) {
    if (revents == 0)
        quietSince_.reset(); // the wait ran out: wait on the port again
    if (!reading_)
        return;
    if (readPass() <= 0 && revents != 0)
        quietSince_ = std::chrono::steady_clock::now();
}

void CRecvrCmdParsingThread::onMessage(Message& message) {
    const uint64_t code = message.wParam & 0xffff;
    switch (message.id & 0xffff) {
    case msg::WM_K2_THREAD_SETUP:
        if (const auto* s = message.payload.get<RecvThreadSetup>()) {
            if (code == kSetupAll) {
                setup_ = *s;
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

long CRecvrCmdParsingThread::readPass() {
    if (!setup_.port)
        return 0;
    std::array<char, kReadChunk> buffer;
    long n = 0;
    {
        auto lock = lockPort();
        int waiting = setup_.port->bytesWaiting();
        if (waiting > 0)
            n = setup_.port->read(
                reinterpret_cast<uint8_t*>(buffer.data()),
                std::min<std::size_t>(static_cast<std::size_t>(waiting), kReadChunk));
    }
    if (n <= 0)
        return 0;
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
