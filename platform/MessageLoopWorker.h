#pragma once
// MessageLoopWorker: the base of the worker threads that live on their message
// queue (the receive, status and CW threads). It owns the thread and the
// queue (through WorkerThread) and runs the one loop they share:
//
//   1. A message waits: take it. WM_QUIT ends the loop; any other goes to
//      onMessage(). Then start again, so queued messages go before anything else.
//   2. Otherwise wait, with poll(), for a message, the descriptor that
//      waitDescriptor() names (if any) to become readable, or waitTimeout()
//      to pass. A message ends the wait and is taken in step 1; otherwise
//      onWake() is told what woke the loop. Then start again.
//
// Only the low 16 bits of a message id are compared with WM_QUIT.
//
// Threads: start() and quitAndJoin() belong to the owner; post() and handle()
// may be used from any thread. onMessage, onWake, waitTimeout and
// waitDescriptor run on the worker thread only, so the state they touch needs
// no lock.
//
// Lifetime: a derived class calls quitAndJoin() first thing in its destructor,
// so the thread ends before anything it uses goes. Destroying the base with
// its thread still running is a programming error and aborts the program.

#include "platform/WorkerThread.h"

#include <chrono>
#include <optional>
#include <string>

namespace tamrel {

class MessageLoopWorker {
public:
    MessageLoopWorker(const MessageLoopWorker&) = delete;
    MessageLoopWorker& operator=(const MessageLoopWorker&) = delete;

    // Starts the thread; its queue can be posted to when start returns. A
    // second start while running does nothing.
    void start();
    // Posts WM_QUIT and waits for the loop to end. Safe when not started.
    void quitAndJoin() { thread_.quitAndJoin(); }
    bool running() const { return thread_.running(); }
    // Where to post to this worker; 0 when it is not running.
    Handle handle() const { return thread_.handle(); }
    bool post(Message message) { return thread_.post(std::move(message)); }

protected:
    // name: the thread's name (at most 15 characters); idlePriority: yield
    // to the user interface.
    explicit MessageLoopWorker(std::string name, bool idlePriority = true);
    ~MessageLoopWorker();

    // Every message but WM_QUIT, in the order posted.
    virtual void onMessage(Message& message) = 0;
    // The longest wait without a message; none (the default) waits for one.
    // Anything under 1 ms waits 1 ms, so that no loop spins.
    virtual std::optional<std::chrono::milliseconds> waitTimeout() const { return std::nullopt; }
    // A descriptor to wait on besides the queue, or -1 (the default) for none.
    virtual int waitDescriptor() const { return -1; }
    // The wait ended without a message: revents of the descriptor (POLLIN,
    // POLLHUP, ...), or 0 when the timeout passed.
    virtual void onWake(short revents) { (void)revents; }

private:
    void run(MessageQueue& queue);

    const std::string name_;
    const bool idlePriority_;
    WorkerThread thread_;
};

} // namespace tamrel
