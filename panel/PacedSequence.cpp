#include "PacedSequence.h"

namespace tamrel {

PacedSequence::PacedSequence(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { runNext(); });
}

void PacedSequence::start(std::vector<Step> steps, std::chrono::milliseconds pause) {
    timer_.stop();
    steps_ = std::move(steps);
    next_ = 0;
    timer_.setInterval(pause);
    runNext();
}

void PacedSequence::stop() {
    timer_.stop();
    next_ = steps_.size();
}

void PacedSequence::runNext() {
    if (next_ >= steps_.size())
        return;
    // Copy first: a step may restart the sequence.
    Step step = steps_[next_++];
    if (next_ < steps_.size())
        timer_.start();
    step();
}

} // namespace tamrel
