#pragma once
// Inbox<M>: how a worker thread hands typed results to an object on the GUI
// thread. post() may be called from any thread; the handler runs on the
// inbox's thread, in the order posted. Destroying the inbox drops what it has
// not handled; the owner ends the threads that post to it first.

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace tamrel {

namespace detail {
// The event half: one wake-up event per message; the messages wait under a
// lock the thread sanitizer can see, not inside Qt's queue.
class InboxBase : public QObject {
public:
    explicit InboxBase(QObject* parent) : QObject(parent) {}

protected:
    void Wake();
    virtual void DeliverOne() = 0;
    bool event(QEvent* event) override;
};
} // namespace detail

template <class M> class Inbox final : public detail::InboxBase {
public:
    using Handler = std::function<void(M&&)>;

    explicit Inbox(Handler handler, QObject* parent = nullptr)
        : InboxBase(parent), handler_(std::move(handler)) {}

    void post(M message) {
        {
            std::lock_guard lock(mutex_);
            pending_.push_back(std::move(message));
        }
        Wake();
    }

private:
    void DeliverOne() override {
        std::optional<M> m;
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty())
                return;
            m.emplace(std::move(pending_.front()));
            pending_.pop_front();
        }
        handler_(std::move(*m));
    }

    Handler handler_;
    std::mutex mutex_;
    std::deque<M> pending_;
};

} // namespace tamrel
