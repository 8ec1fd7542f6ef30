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

CCWMsgTransmittingThread::CCWMsgTransmittingThread(Clock& clock) : Worker(kThreadName, clock) {
    feed_.SetNotify([this](cw::CwProgress progress) { echo_.post(std::move(progress)); });
}

std::optional<Clock::TimePoint> CCWMsgTransmittingThread::nextWake() const {
    return feed_.QueryWanted() ? std::optional(nextQuery_) : std::nullopt;
}

void CCWMsgTransmittingThread::onWake(short) {
    if (feed_.QueryWanted() && clock().Now() >= nextQuery_) {
        feed_.SendQuery();
        nextQuery_ = clock().Now() + idle_;
    }
}

void CCWMsgTransmittingThread::onMessage(CwMessage& message) {
    const bool wasWaiting = feed_.QueryWanted();
    const uint64_t chunks = feed_.ChunksSent();
    const bool paced = std::visit(
        Overloaded{[this](CwSetup& setup) {
                       feed_.SetLink(setup.link);
                       idle_ = std::max(setup.idle, std::chrono::milliseconds(1));
                       return false;
                   },
                   [this](CwText& text) {
                       const bool wasSending = feed_.Sending();
                       if (feed_.Append(text.text) && !wasSending && feed_.QueryWanted()) {
                           // Text reaching an idle thread asks the radio at once.
                           nextQuery_ = clock().Now();
                           return false;
                       }
                       return true;
                   },
                   [this](CwAbort&) {
                       feed_.Abort();
                       return true;
                   },
                   [this](CwKeyerState& state) {
                       feed_.KeyerState(state.digit);
                       return true;
                   },
                   [this](CwEchoTo& echo) {
                       echo_ = std::move(echo.to);
                       return false;
                   }},
        message);
    // A chunk just sent, or a query newly wanted, waits one interval.
    if (paced && (feed_.ChunksSent() != chunks || (!wasWaiting && feed_.QueryWanted())))
        nextQuery_ = clock().Now() + idle_;
    freeSpace_.store(feed_.FreeSpace(), std::memory_order_relaxed);
}

} // namespace tamrel
