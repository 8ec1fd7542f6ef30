#pragma once
// Inbox<M>: a Mailbox (platform/Mailbox.h) received on the GUI thread: each
// message posted from any thread reaches the handler there, in order, from
// the event loop. Threads that may outlive the inbox keep its address();
// destroying the inbox closes the mailbox and drops what it has not handled.

#include "platform/Mailbox.h"

#include <QObject>

#include <functional>
#include <memory>
#include <utility>

namespace tamrel {

namespace detail {
// The event half: one wake-up event per message.
class InboxBase : public QObject {
public:
    explicit InboxBase(QObject* parent) : QObject(parent) {}

protected:
    // Safe from any thread.
    void Wake();
    virtual void DeliverOne() = 0;
    bool event(QEvent* event) override;
};
} // namespace detail

template <class M> class Inbox final : public detail::InboxBase {
public:
    using Handler = std::function<void(M&&)>;

    explicit Inbox(Handler handler, QObject* parent = nullptr)
        : InboxBase(parent), handler_(std::move(handler)),
          box_(std::make_shared<Mailbox<M>>([this] { Wake(); })) {}
    ~Inbox() override { box_->close(); }

    bool post(M message) { return box_->post(std::move(message)); }
    Address<M> address() const { return Address<M>(box_); }

private:
    void DeliverOne() override {
        if (std::optional<M> m = box_->take())
            handler_(std::move(*m));
    }

    Handler handler_;
    std::shared_ptr<Mailbox<M>> box_;
};

} // namespace tamrel
