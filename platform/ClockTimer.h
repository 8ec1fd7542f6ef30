#pragma once
// ClockTimer: a repeating timer of the GUI thread that keeps the program's
// Clock: a QTimer on the real clock; on a ManualClock it fires, from the
// event loop, for each period the clock is advanced past.

#include "platform/Clock.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

namespace tamrel {

class ClockTimer final : public QObject {
public:
    ClockTimer(Clock& clock, std::function<void()> tick, QObject* parent = nullptr);
    ~ClockTimer() override;
    ClockTimer(const ClockTimer&) = delete;
    ClockTimer& operator=(const ClockTimer&) = delete;

    void start(std::chrono::milliseconds period);
    void stop();
    bool isActive() const { return active_; }

private:
    void CatchUp();

    Clock& clock_;
    std::function<void()> tick_;
    const bool manual_;
    QTimer timer_;
    std::chrono::milliseconds period_{1000};
    Clock::TimePoint due_{};
    bool active_ = false;
    Clock::WatchId watch_ = 0;
};

} // namespace tamrel
