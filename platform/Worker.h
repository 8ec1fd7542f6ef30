#pragma once
// Worker<M>: a thread that lives on a queue of its own typed messages.
//
// M is the closed set of messages the worker takes, usually a std::variant of
// message structs: a message of another type does not compile, and nothing
// dispatches on numbers. Messages are moved in by the sender and owned by the
// worker from then on.
//
// The loop:
//   1. A message waits: onMessage() takes it; then start again, so queued
//      messages go before anything else.
//   2. Otherwise wait, with poll(), for a message, the descriptor that
//      waitDescriptor() names (if any) to become readable, or waitTimeout()
//      to pass; onWake() is told what woke the loop when it was not a message.
//   quitAndJoin() ends the loop once the messages posted before it are handled;
//   later posts are refused.
//
// Threads: start() and quitAndJoin() belong to the owner; post() may be used
// from any thread. onMessage, onWake, waitTimeout and waitDescriptor run on
// the worker thread only, so the state they touch needs no lock.
//
// Lifetime: a derived class calls quitAndJoin() first thing in its
// destructor, so the thread ends before anything it uses goes. Destroying the
// base with its thread still running is a programming error and aborts.

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

// The queue behind a Worker. Its descriptor is readable exactly while a
// message waits or the queue is closing.
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

    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        closing_ = false;
    }
    // Refuses later posts; the reader sees Closed() once it took the rest.
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
            if (queue_.empty() && !closing_)
                ready_.lower();
            return Take::Message;
        }
        if (closing_) {
            closing_ = false;
            ready_.lower();
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
        thread_ = detail::StartWorkerThread(name_, idlePriority_, [this] { run(); });
    }
    // Ends the loop after the messages already posted, and waits for it.
    // Safe when not started.
    void quitAndJoin() {
        if (!thread_.joinable())
            return;
        queue_.close();
        thread_.join();
    }
    bool running() const { return thread_.joinable(); }
    // False when the worker is not running (the message is dropped).
    bool post(M message) { return queue_.post(std::move(message)); }

protected:
    explicit Worker(std::string name, bool idlePriority = true)
        : name_(std::move(name)), idlePriority_(idlePriority) {}
    ~Worker() {
        if (thread_.joinable()) {
            // The derived part is gone already; the loop would call into it.
            std::fprintf(stderr, "Worker %s destroyed while running\n", name_.c_str());
            std::abort();
        }
    }

    virtual void onMessage(M& message) = 0;
    virtual std::optional<std::chrono::milliseconds> waitTimeout() const { return std::nullopt; }
    virtual int waitDescriptor() const { return -1; }
    // The wait ended without a message: revents of the descriptor, or 0 when
    // the timeout passed.
    virtual void onWake(short revents) { (void)revents; }

private:
    void run() {
        for (;;) {
            std::optional<M> m;
            switch (queue_.take(m)) {
            case TypedQueue<M>::Take::Message:
                onMessage(*m);
                continue;
            case TypedQueue<M>::Take::Closed:
                return;
            case TypedQueue<M>::Take::Empty:
                break;
            }
            if (std::optional<short> revents = detail::WaitQueueOrDevice(
                    queue_.pollDescriptor(), waitDescriptor(), waitTimeout()))
                onWake(*revents);
        }
    }

    const std::string name_;
    const bool idlePriority_;
    TypedQueue<M> queue_;
    std::thread thread_;
};

// Calls the overload of `visitor` that takes the variant's current message.
template <class... Fs> struct Overloaded : Fs... { using Fs::operator()...; };
template <class... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

} // namespace tamrel
