#pragma once
// The one lifecycle of every worker thread: started by its owner with a body
// that runs the thread's message loop, ended by a quit message and a join.
// Declare a WorkerThread as the last member of its owner so that it is joined
// before anything the body uses is destroyed.

#include "MessageQueue.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace tamrel {

class WorkerThread {
public:
    using Body = std::function<void(MessageQueue&)>;

    WorkerThread() = default;
    ~WorkerThread() { quitAndJoin(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the thread at a low priority (nice 10: the worker threads yield
    // to the user interface). The queue exists, and can be posted to, when start returns.
    // A name (at most 15 characters) shows in top -H, debuggers and
    // /proc/PID/task/TID/comm.
    void start(Body body, bool idlePriority = true, std::string name = {});
    // Posts WM_QUIT and waits for the body to return. Safe when not started.
    void quitAndJoin();

    bool running() const { return thread_.joinable(); }
    Handle handle() const { return queue_ ? queue_->handle() : 0; }
    bool post(Message message);

private:
    std::unique_ptr<MessageQueue> queue_;
    std::thread thread_;
};

} // namespace tamrel
