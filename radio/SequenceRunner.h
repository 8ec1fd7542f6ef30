#pragma once
// SequenceRunner: the thread that puts the program's commands on the wire
// and paces its multi-command sequences.
//
// Every command leaves through here, so no window ever waits on the serial
// line: a single command is a step run as soon as the thread gets to it, in
// the order posted; a sequence (the initial query, RIT/XIT offset steps 10 ms
// apart, scan set-up, shutdown, memory recall) is a list of steps with a
// pause after each. Sequences of different kinds run side by side,
// interleaved at step boundaries; a new sequence of a kind replaces what is
// left of the one of that kind still running (a new offset drag, a new
// recall), which is what an operator means by it.
//
// Threads: Post, Run, Cancel and Running are safe from any thread, the
// runner's own steps included (those act at once, the rest in the order
// posted). A step runs on the runner thread. Finish lets every queued step
// run and then joins the thread; the destructor does the same. Pauses are on
// the runner's clock: a test's ManualClock runs sequences in simulated time.

#include "platform/Worker.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <variant>
#include <vector>

namespace tamrel {

namespace runner {
using Action = std::function<void()>;
struct Step {
    Action action;
    std::chrono::milliseconds pauseAfter{0};
};
enum class Kind : std::size_t {
    Command, // single commands, first come first served
    ReceiveHook,
    InitialQuery,
    RitOffset,
    ScanSetup,
    MemoryRecall,
    Shutdown,
    Count
};
struct Post {
    Action action;
};
struct Run {
    Kind kind;
    std::vector<Step> steps;
    bool unlessRunning = false; // leaves a sequence of the kind that has steps left
};
struct Cancel {
    Kind kind;
};
struct CancelSequences {};
using Message = std::variant<Post, Run, Cancel, CancelSequences>;
} // namespace runner

class SequenceRunner final : public Worker<runner::Message> {
public:
    using Action = runner::Action;
    using Step = runner::Step;
    using Kind = runner::Kind;
    // Single commands waiting beyond this (half a minute of the line at 4800
    // baud) are refused: a stalled line must not grow the queue without bound.
    static constexpr std::size_t kMaxQueuedCommands = 1024;

    // Starts the runner's thread.
    explicit SequenceRunner(Clock& clock = SteadyClock());
    ~SequenceRunner();

    // Queues one command step; false (dropped) when the queue is full or the
    // runner has finished.
    bool Post(Action action);
    // Starts a sequence of the given kind, replacing what is left of the one
    // of that kind; its first step runs at once.
    void Run(Kind kind, std::vector<Step> steps);
    // Starts it only when no sequence of the kind has steps left, as the
    // runner sees it: unlike asking Running first, this cannot lose a race
    // with a sequence whose last step is going out.
    void RunUnlessRunning(Kind kind, std::vector<Step> steps);
    void Cancel(Kind kind);
    // Drops every waiting sequence step (single commands still go out).
    void CancelSequences();
    bool Running(Kind kind) const;
    bool OnRunnerThread() const { return onWorkerThread(); }
    // Runs what is queued, then ends the thread.
    void Finish();

private:
    struct Lane {
        std::deque<Step> steps;
        Clock::TimePoint due{};
        uint64_t generation = 0; // bumped when the lane's sequence is replaced
    };
    static constexpr std::size_t kLanes = static_cast<std::size_t>(Kind::Count);

    void onMessage(runner::Message& message) override;
    std::optional<Clock::TimePoint> nextWake() const override;
    void onWake(short revents) override;
    bool busy() const override;
    void Apply(runner::Message message);
    void Replace(Kind kind, std::vector<Step> steps);
    void Clear(Kind kind);
    Lane* NextLane();

    // Worker-thread state, but for the counts and flags read from anywhere.
    std::array<Lane, kLanes> lanes_;
    std::array<std::atomic<bool>, kLanes> running_{};
    std::atomic<std::size_t> queuedCommands_{0};
};

} // namespace tamrel
