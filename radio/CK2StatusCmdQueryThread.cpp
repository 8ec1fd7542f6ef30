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

} // namespace tamrel
