#include "CK2StatusCmdQueryThread.h"

#include "CK2CommChannel.h"

namespace tamrel {

void CK2StatusCmdQueryThread::onWake(short) {
    // Only the period ends a wait here: no descriptor is watched.
    if (polling_ && channel_)
        channel_->CmdStatusQuery();
}

void CK2StatusCmdQueryThread::onMessage(Message& message) {
    const uint64_t code = message.wParam & 0xffff;
    switch (message.id & 0xffff) {
    case msg::WM_K2_THREAD_SETUP:
        if (const auto* s = message.payload.get<StatusThreadSetup>()) {
            channel_ = s->channel;
            period_ = s->period;
            polling_ = false;
        }
        break;
    case msg::WM_K2_POLL_CONTROL:
        if (code == msg::POLL_ON)
            polling_ = true;
        else if (code == msg::POLL_OFF)
            polling_ = false;
        break;
    default:
        break;
    }
}

namespace statusmsg {

Message setup(CK2CommChannel* channel, std::chrono::milliseconds period) {
    // The channel's Open has always sent wParam 0; the thread does not look.
    return {msg::WM_K2_THREAD_SETUP, 0, Payload::of(StatusThreadSetup{channel, period})};
}

Message polling(bool on) {
    return {msg::WM_K2_POLL_CONTROL, on ? msg::POLL_ON : msg::POLL_OFF, {}};
}

} // namespace statusmsg

} // namespace tamrel
