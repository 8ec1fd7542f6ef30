#pragma once
// SkipAheadClock: real time, plus whatever a test skips. A window test skips
// the paced start-up query in a moment and then checks the wire's real gaps.

#include "platform/Clock.h"

#include <algorithm>
#include <list>
#include <mutex>

namespace tamrel::test {

class SkipAheadClock final : public Clock {
public:
    TimePoint Now() const override {
        std::lock_guard lock(mutex_);
        return std::chrono::steady_clock::now() + skipped_;
    }
    std::optional<std::chrono::milliseconds> RealWait(TimePoint deadline) const override {
        return std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Now()),
                        std::chrono::milliseconds(0));
    }
    WatchId Watch(std::function<void()> wake) override {
        std::lock_guard lock(mutex_);
        watchers_.emplace_back(next_, std::move(wake));
        return next_++;
    }
    void Unwatch(WatchId id) override {
        std::lock_guard lock(mutex_);
        watchers_.remove_if([id](const auto& w) { return w.first == id; });
    }
    void Skip(Duration by) {
        std::lock_guard lock(mutex_);
        skipped_ += by;
        for (const auto& w : watchers_)
            w.second();
    }

private:
    mutable std::mutex mutex_;
    Duration skipped_{};
    WatchId next_ = 1;
    std::list<std::pair<WatchId, std::function<void()>>> watchers_;
};

} // namespace tamrel::test
