#include "radio/CSequenceRunner.h"

namespace tamrel {

namespace {
constexpr std::size_t index(CSequenceRunner::Kind kind) {
    return static_cast<std::size_t>(kind);
}
} // namespace

CSequenceRunner::CSequenceRunner() : thread_([this] { Loop(); }) {}

CSequenceRunner::~CSequenceRunner() {
    Finish();
}

bool CSequenceRunner::Post(Action action) {
    {
        std::lock_guard guard(mutex_);
        Lane& lane = lanes_[index(Kind::Command)];
        if ((finishing_ && !OnRunnerThread()) || lane.steps.size() >= kMaxQueuedCommands)
            return false;
        lane.steps.push_back({std::move(action), {}});
    }
    wake_.notify_one();
    return true;
}

void CSequenceRunner::Run(Kind kind, std::vector<Step> steps) {
    {
        std::lock_guard guard(mutex_);
        Lane& lane = lanes_[index(kind)];
        lane.steps.assign(std::make_move_iterator(steps.begin()),
                          std::make_move_iterator(steps.end()));
        lane.due = Clock::now();
        ++lane.generation;
    }
    wake_.notify_one();
}

void CSequenceRunner::Cancel(Kind kind) {
    std::lock_guard guard(mutex_);
    lanes_[index(kind)].steps.clear();
    ++lanes_[index(kind)].generation;
}

void CSequenceRunner::CancelSequences() {
    std::lock_guard guard(mutex_);
    for (std::size_t k = index(Kind::Command) + 1; k < lanes_.size(); ++k) {
        lanes_[k].steps.clear();
        ++lanes_[k].generation;
    }
}

bool CSequenceRunner::Running(Kind kind) const {
    std::lock_guard guard(mutex_);
    return !lanes_[index(kind)].steps.empty();
}

void CSequenceRunner::Finish() {
    if (!thread_.joinable() || OnRunnerThread())
        return;
    {
        std::lock_guard guard(mutex_);
        finishing_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void CSequenceRunner::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        // The lane whose next step is due first; single commands win ties.
        Lane* next = nullptr;
        for (Lane& lane : lanes_)
            if (!lane.steps.empty() && (!next || lane.due < next->due))
                next = &lane;
        if (!next) {
            if (finishing_)
                return;
            wake_.wait(lock);
            continue;
        }
        if (Clock::now() < next->due) {
            // Woken early by new work, which may be due sooner.
            wake_.wait_until(lock, next->due);
            continue;
        }
        Step step = std::move(next->steps.front());
        next->steps.pop_front();
        const uint64_t generation = next->generation;
        lock.unlock();
        step.action();
        lock.lock();
        // A sequence that replaced this one meanwhile keeps its own timing.
        if (next->generation == generation)
            next->due = Clock::now() + step.pauseAfter;
    }
}

} // namespace tamrel
