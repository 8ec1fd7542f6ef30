#pragma once
// A descriptor that poll() sees readable while it is raised, so that a thread
// can wait on its message queue and a device in one poll(). An eventfd.
//
// Threading: raise, lower and raised are safe from any thread; keeping the
// raised state in step with something else (a queue's contents) is the
// owner's business, under the owner's lock.

namespace tamrel {

class EventDescriptor {
public:
    // Throws std::system_error when the system has no descriptor to give.
    EventDescriptor();
    ~EventDescriptor();
    EventDescriptor(const EventDescriptor&) = delete;
    EventDescriptor& operator=(const EventDescriptor&) = delete;

    int fd() const { return fd_; }
    void raise();
    void lower();
    bool raised() const;

private:
    int fd_ = -1;
};

} // namespace tamrel
