#pragma once
// A window's mailbox: lets worker threads post messages to a QObject living on
// the GUI thread, as they would post to a window. Messages arrive, in order,
// through the handler on the object's thread. Removing the mailbox (its
// destructor) drops every message not yet handled.

#include "platform/MessageQueue.h"

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

namespace tamrel {

class WindowMailbox final : public QObject {
public:
    using Handler = std::function<void(Message&&)>;

    explicit WindowMailbox(Handler handler, QObject* parent = nullptr);
    ~WindowMailbox() override;

    Handle handle() const { return handle_; }

protected:
    bool event(QEvent* event) override;

private:
    Handler handler_;
    // Messages wait here, not inside Qt's events: the lock hands each one to
    // the GUI thread visibly to the thread sanitizer, which cannot see into
    // Qt's own queue. One wake-up event is posted per message.
    std::mutex mutex_;
    std::deque<Message> pending_;
    Handle handle_ = 0;
};

} // namespace tamrel
