#pragma once
// Worker<M>: the one way a thread of this program lives: on a queue of its
// own typed messages.
//
// M is the closed set of messages the worker takes, a std::variant of message
// structs: a message of another type does not compile, and nothing dispatches
// on numbers. Messages are moved in by the sender and owned by the worker
// from then on.
//
// The loop:
//   1. A message waits: onMessage() takes it; then start again, so queued
//      messages go before anything else.
//   2. The time nextWake() names has come on the worker's clock: onWake(0).
//   3. Otherwise wait, with poll(), for a message, the descriptor that
//      waitDescriptor() names (if any) to become readable, or the time
//      nextWake() names; a readable descriptor is onWake(revents).
//   quitAndJoin() ends the loop once the messages posted before it are
//   handled and busy() says nothing is left to do; later posts are refused.
//
// Time is the worker's Clock (platform/Clock.h): a test's ManualClock wakes
// the loop when it is advanced, so timed work runs in simulated time.
//
// Threads: start() and quitAndJoin() belong to the owner; post() may be used
// from any thread. onMessage, onWake, nextWake, waitDescriptor and busy run
// on the worker thread only, so the state they touch needs no lock.
//
// Lifetime: a derived class calls quitAndJoin() first thing in its
// destructor, so the thread ends before anything it uses goes. Destroying the
// base with its thread still running is a programming error and aborts.

#include "platform/Clock.h"
#include "platform/EventDescriptor.h"
#include "platform/WorkerLoop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace tamrel {

// The queue behind a Worker. Its descriptor is readable while a message
// waits, the queue is closing, or it was poked.
template <class M> class TypedQueue {
public:
    TypedQueue() = default;
    TypedQueue(const TypedQueue&) = delete;
    TypedQueue& operator=(const TypedQueue&) = delete;

    int pollDescriptor() const { return ready_.fd(); }

    // False (the message dropped) while the queue is not open.
    bool post(M message) {
        std::lock_guard lock(mutex_);
        if (!open_)
            return false;
        queue_.push_back(std::move(message));
        ready_.raise();
        return true;
    }
    // Wakes the reader without a message (its clock moved).
    void poke() { ready_.raise(); }

    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        closing_ = false;
    }
    // Refuses later posts; the reader sees Closed once it took the rest.
    void close() {
        std::lock_guard lock(mutex_);
        open_ = false;
        closing_ = true;
        ready_.raise();
    }

    enum class Take { Message, Empty, Closed };
    Take take(std::optional<M>& out) {
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) {
            out.emplace(std::move(queue_.front()));
            queue_.pop_front();
            return Take::Message;
        }
        ready_.lower();
        if (closing_) {
            closing_ = false;
            return Take::Closed;
        }
        return Take::Empty;
    }

private:
    std::mutex mutex_;
    std::deque<M> queue_;
    bool open_ = false;
    bool closing_ = false;
    EventDescriptor ready_;
};

template <class M> class Worker {
public:
    using Message = M;

    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Starts the thread; it can be posted to when start returns. A second
    // start while running does nothing.
    void start() {
        if (thread_.joinable())
            return;
        queue_.open();
        watch_ = clock_.Watch([this] { queue_.poke(); });
        thread_ = detail::StartWorkerThread(name_, idlePriority_, [this] { run(); });
    }
    // Ends the loop after the messages already posted and the work they left
    // (busy()), and waits for it. Safe when not started.
    void quitAndJoin() {
        if (!thread_.joinable())
            return;
        queue_.close();
        thread_.join();
        clock_.Unwatch(watch_);
    }
    bool running() const { return thread_.joinable(); }
    bool onWorkerThread() const { return std::this_thread::get_id() == thread_.get_id(); }
    // False when the worker is not running (the message is dropped).
    bool post(M message) { return queue_.post(std::move(message)); }
    Clock& clock() const { return clock_; }

protected:
    explicit Worker(std::string name, Clock& clock = SteadyClock(), bool idlePriority = true)
        : name_(std::move(name)), idlePriority_(idlePriority), clock_(clock) {}
    ~Worker() {
        if (thread_.joinable()) {
            // The derived part is gone already; the loop would call into it.
            std::fprintf(stderr, "Worker %s destroyed while running\n", name_.c_str());
            std::abort();
        }
    }

    virtual void onMessage(M& message) = 0;
    // When onWake(0) is due next on the clock; none waits for a message or
    // the descriptor.
    virtual std::optional<Clock::TimePoint> nextWake() const { return std::nullopt; }
    // A descriptor to wait on besides the queue, or -1 (the default) for none.
    virtual int waitDescriptor() const { return -1; }
    // The time nextWake() named has come (0), or the descriptor woke the
    // loop (its revents: POLLIN, POLLHUP, ...).
    virtual void onWake(short revents) { (void)revents; }
    // Work left that a quit waits for (a paced sequence still running).
    virtual bool busy() const { return false; }

private:
    void run() {
        bool closing = false;
        for (;;) {
            std::optional<M> m;
            const auto taken = queue_.take(m);
            if (taken == TypedQueue<M>::Take::Message) {
                onMessage(*m);
                continue;
            }
            closing = closing || taken == TypedQueue<M>::Take::Closed;
            if (closing && !busy())
                return;
            const std::optional<Clock::TimePoint> due = nextWake();
            if (due && clock_.Now() >= *due) {
                onWake(0);
                continue;
            }
            const std::optional<std::chrono::milliseconds> wait =
                due ? clock_.RealWait(*due) : std::nullopt;
            if (std::optional<short> revents =
                    detail::WaitQueueOrDevice(queue_.pollDescriptor(), waitDescriptor(), wait);
                revents && *revents != 0)
                onWake(*revents);
        }
    }

    const std::string name_;
    const bool idlePriority_;
    Clock& clock_;
    Clock::WatchId watch_ = 0;
    TypedQueue<M> queue_;
    std::thread thread_;
};

// Calls the overload of a visitor that takes the variant's current message.
template <class... Fs> struct Overloaded : Fs... { using Fs::operator()...; };
template <class... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

} // namespace tamrel
