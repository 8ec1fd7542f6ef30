#include "panel/LinkWatch.h"

#include "radio/CK2CommChannel.h"
#include "radio/K2RadioModel.h"

#include <utility>

namespace tamrel {

LinkWatch::LinkWatch(K2RadioModel& model, Clock& clock, std::function<void()> reopened,
                     std::function<void()> refresh, int refreshTicks, QObject* parent)
    : QObject(parent), model_(model), reopened_(std::move(reopened)), refresh_(std::move(refresh)),
      refreshTicks_(refreshTicks), timer_(clock, [this] { Tick(); }) {}

void LinkWatch::SetChannel(CK2CommChannel* channel) {
    channel_ = channel;
    if (channel_ && channel_->IsOpen())
        model_.UpdateLink([&](LinkMonitor& l) { return l.Opened(channel_->DeviceName()); });
}

void LinkWatch::SetOpenFailure(const std::string& device, int error) {
    model_.UpdateLink([&](LinkMonitor& l) { return l.OpenFailed(device, error); });
}

void LinkWatch::Start(std::chrono::milliseconds period) {
    if (channel_ && channel_->IsOpen())
        timer_.start(period);
}

void LinkWatch::Tick() {
    if (!channel_)
        return;
    model_.UpdateLink([&](LinkMonitor& l) {
        return l.OnPollTick(channel_->BytesReceived(), LinkMonitor::Clock::now());
    });
    if (!refresh_ || model_.Link().State() != LinkState::Live)
        return;
    ++ticksSinceRefresh_;
    const bool garbled = model_.UnreadReplies() != unreadSeen_;
    if ((garbled && ticksSinceRefresh_ >= kMinRefreshTicks) ||
        ticksSinceRefresh_ >= refreshTicks_) {
        unreadSeen_ = model_.UnreadReplies();
        ticksSinceRefresh_ = 0;
        refresh_();
    }
}

void LinkWatch::OnLinkLost(int error) {
    model_.UpdateLink([&](LinkMonitor& l) { return l.Lost(error); });
}

void LinkWatch::OnLinkReopened() {
    if (model_.UpdateLink([](LinkMonitor& l) { return l.Reopened(); }))
        reopened_();
}

} // namespace tamrel
