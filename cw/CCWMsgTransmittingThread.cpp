#include "cw/CCWMsgTransmittingThread.h"

#include "radio/CK2CommChannel.h"

#include <algorithm>

namespace tamrel {

void ChannelKeyerLink::Query() {
    channel_.CmdKYQuery();
}

void ChannelKeyerLink::SendText(std::string_view chunk) {
    channel_.CmdKYText(chunk);
}

void ChannelKeyerLink::Abort() {
    channel_.CmdKYCancel();
}

void ChannelKeyerLink::SetStatusPolling(bool on) {
    channel_.SetStatusPolling(on);
}

void CCWMsgTransmittingThread::run(MessageQueue& queue) {
    feed_.SetNotify([this](uint64_t code, const std::string* chunk) {
        if (peer_ == 0)
            return;
        Mailboxes::post(peer_,
                        {msg::WM_K2_CW_NOTIFY, code, chunk ? Payload::of(*chunk) : Payload{}});
    });
    for (;;) {
        std::chrono::milliseconds wait = idle_;
        if (feed_.QueryWanted()) {
            const auto now = Clock::now();
            wait = nextQuery_ <= now
                       ? std::chrono::milliseconds(0)
                       : std::chrono::ceil<std::chrono::milliseconds>(nextQuery_ - now);
        }
        if (std::optional<Message> m = wait.count() > 0 ? queue.getFor(wait) : queue.tryGet()) {
            if (m->id == msg::WM_QUIT)
                return;
            handle(*m);
            freeSpace_.store(feed_.FreeSpace(), std::memory_order_relaxed);
            continue;
        }
        if (feed_.QueryWanted() && Clock::now() >= nextQuery_) {
            feed_.SendQuery();
            nextQuery_ = Clock::now() + idle_;
        }
    }
}

void CCWMsgTransmittingThread::handle(Message& m) {
    const bool wasWaiting = feed_.QueryWanted();
    const uint64_t chunks = feed_.ChunksSent();
    switch (m.id) {
    case msg::WM_K2_THREAD_SETUP:
        if (const CwThreadSetup* setup = m.payload.get<CwThreadSetup>()) {
            feed_.SetLink(setup->link);
            idle_ = std::max(setup->idle, std::chrono::milliseconds(1));
        }
        return;
    case msg::WM_K2_CW_QUEUE:
        if ((m.wParam & 0xffff) == 6) {
            feed_.Abort();
        } else if ((m.wParam & 0xffff) == 5) {
            const std::string* text = m.payload.get<std::string>();
            const bool wasSending = feed_.Sending();
            if (text && feed_.Append(*text) && !wasSending && feed_.QueryWanted()) {
                // Text reaching an idle thread asks the radio at once.
                nextQuery_ = Clock::now();
                return;
            }
        }
        break;
    case msg::WM_K2_KEYER_STATE:
        feed_.KeyerState(int(m.wParam & 0xffff));
        break;
    case msg::WM_K2_SET_PEER:
        if (const Handle* peer = m.payload.get<Handle>())
            peer_ = *peer;
        else
            peer_ = 0;
        return;
    default:
        return;
    }
    // A chunk just sent, or a query newly wanted, waits one interval.
    if (feed_.ChunksSent() != chunks || (!wasWaiting && feed_.QueryWanted()))
        nextQuery_ = Clock::now() + idle_;
}

} // namespace tamrel
