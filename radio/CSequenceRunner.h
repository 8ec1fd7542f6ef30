#pragma once
// CSequenceRunner: the thread that puts the program's commands on the wire
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
// runner's own steps included. A step runs on the runner thread with no lock
// of the runner held. Finish lets every queued step run and then joins the
// thread; the destructor does the same.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tamrel {

class CSequenceRunner {
public:
    using Clock = std::chrono::steady_clock;
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
    // Single commands waiting beyond this (half a minute of the line at 4800
    // baud) are refused: a stalled line must not grow the queue without bound.
    static constexpr std::size_t kMaxQueuedCommands = 1024;

    CSequenceRunner();
    ~CSequenceRunner();
    CSequenceRunner(const CSequenceRunner&) = delete;
    CSequenceRunner& operator=(const CSequenceRunner&) = delete;

    // Queues one command step; false (dropped) when the queue is full or the
    // runner has finished.
    bool Post(Action action);
    // Starts a sequence of the given kind, replacing what is left of the one
    // of that kind; its first step runs at once.
    void Run(Kind kind, std::vector<Step> steps);
    void Cancel(Kind kind);
    // Drops every waiting sequence step (single commands still go out).
    void CancelSequences();
    bool Running(Kind kind) const;
    bool OnRunnerThread() const { return std::this_thread::get_id() == thread_.get_id(); }
    // Runs what is queued, then ends the thread.
    void Finish();

private:
    struct Lane {
        std::deque<Step> steps;
        Clock::time_point due{};
        uint64_t generation = 0; // bumped when the lane's sequence is replaced
    };
    void Loop();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::array<Lane, static_cast<std::size_t>(Kind::Count)> lanes_;
    bool finishing_ = false;
    // Last: started when everything it uses exists.
    std::thread thread_;
};

} // namespace tamrel
