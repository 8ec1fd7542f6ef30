#include "radio/SequenceRunner.h"

namespace tamrel {

namespace {
constexpr std::size_t index(SequenceRunner::Kind kind) {
    return static_cast<std::size_t>(kind);
}
} // namespace

SequenceRunner::SequenceRunner(Clock& clock) : Worker("tamrel-runner", clock, false) {
    start();
}

SequenceRunner::~SequenceRunner() {
    Finish();
}

bool SequenceRunner::Post(Action action) {
    if (queuedCommands_ >= kMaxQueuedCommands)
        return false;
    ++queuedCommands_;
    if (OnRunnerThread()) {
        Apply(runner::Post{std::move(action)});
        return true;
    }
    if (!post(runner::Post{std::move(action)})) {
        --queuedCommands_;
        return false;
    }
    return true;
}

void SequenceRunner::Run(Kind kind, std::vector<Step> steps) {
    if (OnRunnerThread())
        Apply(runner::Run{kind, std::move(steps)});
    else
        post(runner::Run{kind, std::move(steps)});
}

void SequenceRunner::RunUnlessRunning(Kind kind, std::vector<Step> steps) {
    runner::Run run{kind, std::move(steps), true};
    if (OnRunnerThread())
        Apply(std::move(run));
    else
        post(std::move(run));
}

void SequenceRunner::Cancel(Kind kind) {
    if (OnRunnerThread())
        Apply(runner::Cancel{kind});
    else
        post(runner::Cancel{kind});
}

void SequenceRunner::CancelSequences() {
    if (OnRunnerThread())
        Apply(runner::CancelSequences{});
    else
        post(runner::CancelSequences{});
}

bool SequenceRunner::Running(Kind kind) const {
    return running_[index(kind)];
}

void SequenceRunner::Finish() {
    if (!OnRunnerThread())
        quitAndJoin();
}

void SequenceRunner::onMessage(runner::Message& message) {
    Apply(std::move(message));
}

void SequenceRunner::Apply(runner::Message message) {
    std::visit(Overloaded{[this](runner::Post& p) {
                              Lane& lane = lanes_[index(Kind::Command)];
                              if (lane.steps.empty())
                                  lane.due = clock().Now();
                              lane.steps.push_back({std::move(p.action), {}});
                              running_[index(Kind::Command)] = true;
                          },
                          [this](runner::Run& r) {
                              if (!r.unlessRunning || lanes_[index(r.kind)].steps.empty())
                                  Replace(r.kind, std::move(r.steps));
                          },
                          [this](runner::Cancel& c) { Clear(c.kind); },
                          [this](runner::CancelSequences&) {
                              for (std::size_t k = index(Kind::Command) + 1; k < kLanes; ++k)
                                  Clear(Kind(k));
                          }},
               message);
}

void SequenceRunner::Replace(Kind kind, std::vector<Step> steps) {
    Clear(kind);
    Lane& lane = lanes_[index(kind)];
    lane.steps.assign(std::make_move_iterator(steps.begin()), std::make_move_iterator(steps.end()));
    lane.due = clock().Now();
    running_[index(kind)] = !lane.steps.empty();
}

void SequenceRunner::Clear(Kind kind) {
    Lane& lane = lanes_[index(kind)];
    if (kind == Kind::Command)
        queuedCommands_ -= lane.steps.size();
    lane.steps.clear();
    ++lane.generation;
    running_[index(kind)] = false;
}

// The lane whose next step is due first; single commands win ties.
SequenceRunner::Lane* SequenceRunner::NextLane() {
    Lane* next = nullptr;
    for (Lane& lane : lanes_)
        if (!lane.steps.empty() && (!next || lane.due < next->due))
            next = &lane;
    return next;
}

std::optional<Clock::TimePoint> SequenceRunner::nextWake() const {
    std::optional<Clock::TimePoint> due;
    for (const Lane& lane : lanes_)
        if (!lane.steps.empty() && (!due || lane.due < *due))
            due = lane.due;
    return due;
}

void SequenceRunner::onWake(short) {
    Lane* lane = NextLane();
    if (!lane || clock().Now() < lane->due)
        return;
    Step step = std::move(lane->steps.front());
    lane->steps.pop_front();
    const std::size_t at = std::size_t(lane - lanes_.data());
    const uint64_t generation = lane->generation;
    step.action();
    if (at == index(Kind::Command))
        --queuedCommands_;
    // A sequence that replaced this one meanwhile keeps its own timing.
    if (lane->generation == generation) {
        lane->due = clock().Now() + step.pauseAfter;
        running_[at] = !lane->steps.empty();
    }
}

bool SequenceRunner::busy() const {
    for (const Lane& lane : lanes_)
        if (!lane.steps.empty())
            return true;
    return false;
}

} // namespace tamrel
