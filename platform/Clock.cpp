#include "Clock.h"

#include <algorithm>

namespace tamrel {

namespace {

class Steady final : public Clock {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
    std::optional<std::chrono::milliseconds> RealWait(TimePoint deadline) const override {
        return std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Now()),
                        std::chrono::milliseconds(0));
    }
};

} // namespace

Clock& SteadyClock() {
    static Steady clock;
    return clock;
}

Clock::TimePoint ManualClock::Now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

Clock::WatchId ManualClock::Watch(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    watchers_.emplace_back(next_, std::move(wake));
    return next_++;
}

void ManualClock::Unwatch(WatchId id) {
    std::lock_guard lock(mutex_);
    watchers_.remove_if([id](const auto& w) { return w.first == id; });
}

void ManualClock::Advance(Duration by) {
    // Under the lock: once Unwatch has returned, its watcher is never called.
    std::lock_guard lock(mutex_);
    now_ += by;
    for (const auto& w : watchers_)
        w.second();
}

} // namespace tamrel
