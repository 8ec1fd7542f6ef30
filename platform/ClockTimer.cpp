#include "ClockTimer.h"

#include <QMetaObject>

namespace tamrel {

ClockTimer::ClockTimer(Clock& clock, std::function<void()> tick, QObject* parent)
    : QObject(parent), clock_(clock), tick_(std::move(tick)),
      manual_(!clock.RealWait(clock.Now())) {
    connect(&timer_, &QTimer::timeout, this, [this] { tick_(); });
    if (manual_)
        // Called under the clock's lock on the advancing thread: only queue.
        watch_ = clock_.Watch([this] {
            QMetaObject::invokeMethod(
                this, [this] { CatchUp(); }, Qt::QueuedConnection);
        });
}

ClockTimer::~ClockTimer() {
    if (manual_)
        clock_.Unwatch(watch_);
}

void ClockTimer::start(std::chrono::milliseconds period) {
    period_ = std::max(period, std::chrono::milliseconds(1));
    active_ = true;
    due_ = clock_.Now() + period_;
    if (!manual_)
        timer_.start(period_);
}

void ClockTimer::stop() {
    active_ = false;
    timer_.stop();
}

void ClockTimer::CatchUp() {
    while (active_ && clock_.Now() >= due_) {
        due_ += period_;
        tick_();
    }
}

} // namespace tamrel
