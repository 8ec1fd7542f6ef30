#pragma once
// Clock: the time every pause and timeout of the program is measured on -
// the sequence runner's pacing, the status poll, the receive thread's poll
// and reopen tries, the CW feed's keyer queries and the link watch.
//
// SteadyClock() is the real one. A ManualClock moves only when a test
// advances it, and wakes whoever waits on it then, so paced sequences run in
// simulated time; the wire tests that check real gaps keep the real clock.
//
// Threads: Now() and the waits may be used from any thread; a ManualClock is
// advanced by one thread (the test's).

#include <chrono>
#include <functional>
#include <list>
#include <mutex>
#include <optional>

namespace tamrel {

class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::steady_clock::duration;

    virtual TimePoint Now() const = 0;
    // How long a thread waits in real time for `deadline`: nothing when the
    // clock wakes its waiters itself as it moves.
    virtual std::optional<std::chrono::milliseconds> RealWait(TimePoint deadline) const = 0;

    // `wake` runs (on the thread that moves the clock, under the clock's
    // lock: it must only wake, never wait) whenever the clock jumps; Unwatch
    // with the id Watch gave. The real clock never jumps.
    using WatchId = uint64_t;
    virtual WatchId Watch(std::function<void()> wake) {
        (void)wake;
        return 0;
    }
    virtual void Unwatch(WatchId id) { (void)id; }

protected:
    ~Clock() = default;
};

// The real, monotonic clock.
Clock& SteadyClock();

class ManualClock final : public Clock {
public:
    TimePoint Now() const override;
    std::optional<std::chrono::milliseconds> RealWait(TimePoint) const override {
        return std::nullopt;
    }
    WatchId Watch(std::function<void()> wake) override;
    void Unwatch(WatchId id) override;

    // Moves the clock on and wakes every watcher; a moment for the woken
    // threads to act on it is the caller's to give.
    void Advance(Duration by);

private:
    mutable std::mutex mutex_;
    TimePoint now_{std::chrono::hours(1)}; // any start will do
    WatchId next_ = 1;
    std::list<std::pair<WatchId, std::function<void()>>> watchers_;
};

} // namespace tamrel
