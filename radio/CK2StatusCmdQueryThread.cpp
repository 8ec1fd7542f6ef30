#include "CK2StatusCmdQueryThread.h"

#include "CK2CommChannel.h"

#include <algorithm>

namespace tamrel {

void CK2StatusCmdQueryThread::run(MessageQueue& queue) {
    for (;;) {
        if (std::optional<Message> m =
                queue.getFor(std::max(period_, std::chrono::milliseconds(1)))) {
            if ((m->id & 0xffff) == msg::WM_QUIT)
                return;
            handle(*m);
        } else if (polling_ && channel_) {
            channel_->CmdStatusQuery();
        }
    }
}

void CK2StatusCmdQueryThread::handle(const Message& message) {
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
