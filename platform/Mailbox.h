#pragma once
// Mailbox<M>: typed messages handed from worker threads to one receiver, and
// Address<M>, what a sender keeps to reach it. A sender may outlive the
// receiver: once the receiver closed its mailbox, posting to the address
// fails and drops the message, as posting to a closed window did.
//
// The receiver on the GUI thread is an Inbox (platform/Inbox.h), which wakes
// the event loop for each message; tests take messages straight from the
// mailbox.
//
// Threads: every operation is safe from any thread.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace tamrel {

template <class M> class Mailbox {
public:
    // `wake` runs after each post, under the mailbox's lock: it must only
    // wake the receiver, never wait or post.
    explicit Mailbox(std::function<void()> wake = {}) : wake_(std::move(wake)) {}

    // False (the message dropped) once the mailbox is closed.
    bool post(M message) {
        std::lock_guard lock(mutex_);
        if (closed_)
            return false;
        pending_.push_back(std::move(message));
        if (wake_)
            wake_();
        cv_.notify_all();
        return true;
    }
    std::optional<M> take() {
        std::lock_guard lock(mutex_);
        return popLocked();
    }
    // Waits at most `timeout` for a message.
    std::optional<M> takeWithin(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, timeout, [this] { return !pending_.empty(); });
        return popLocked();
    }
    // Drops what waits and refuses what comes; the wake is never called again.
    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        pending_.clear();
        wake_ = nullptr;
    }

private:
    std::optional<M> popLocked() {
        if (pending_.empty())
            return std::nullopt;
        std::optional<M> m(std::move(pending_.front()));
        pending_.pop_front();
        return m;
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<M> pending_;
    std::function<void()> wake_;
    bool closed_ = false;
};

template <class M> class Address {
public:
    Address() = default;
    explicit Address(std::shared_ptr<Mailbox<M>> box) : box_(std::move(box)) {}
    // False (the message dropped) when there is no mailbox, or it is closed.
    bool post(M message) const { return box_ && box_->post(std::move(message)); }
    explicit operator bool() const { return box_ != nullptr; }

private:
    std::shared_ptr<Mailbox<M>> box_;
};

} // namespace tamrel
