#pragma once
// Message queues of worker threads, and the mailbox table through which any
// thread posts to a worker thread or a window by its handle.
//
// Threading: every operation is safe from any thread. A handle stays valid until
// its owner removes it; posting to a removed or unknown handle fails and drops
// the message, as posting to an ended thread or a closed window does.

#include "EventDescriptor.h"
#include "Messages.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace tamrel {

// The table of everything that can be posted to. Windows add a function that
// turns the message into an event for the GUI thread; queues add themselves.
class Mailboxes {
public:
    using Deliver = std::function<void(Message&&)>;
    static Handle add(Deliver deliver);
    static void remove(Handle handle);
    // False (message dropped) when nobody has that handle.
    static bool post(Handle handle, Message message);
};

// One worker thread's queue. Owned by the worker; registered as a mailbox for
// its whole life. Its poll descriptor is readable while a message waits, so
// the worker can wait on the queue and a device together.
class MessageQueue {
public:
    MessageQueue();
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    Handle handle() const { return handle_; }
    // Readable (POLLIN) exactly while a message waits; reading it is the
    // queue's business, never the caller's.
    int pollDescriptor() const { return ready_.fd(); }

    void post(Message message);
    void quit() { post(Message{msg::WM_QUIT, 0, {}}); }

    bool peek() const;               // a message is waiting
    Message get();                   // waits for the next message
    std::optional<Message> tryGet(); // the next message, if one waits
    // Waits at most `timeout` for a message; nothing when none came.
    std::optional<Message> getFor(std::chrono::milliseconds timeout);

private:
    Message pop(); // under mutex_, with a message waiting

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Message> queue_;
    EventDescriptor ready_; // raised exactly while queue_ holds a message (under mutex_)
    Handle handle_ = 0;
};

} // namespace tamrel
