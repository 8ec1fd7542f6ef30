#include "EventDescriptor.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace tamrel {

EventDescriptor::EventDescriptor() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

EventDescriptor::~EventDescriptor() {
    ::close(fd_);
}

void EventDescriptor::raise() {
    const uint64_t one = 1;
    // Only a counter at its maximum refuses (EAGAIN), and that one is raised.
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void EventDescriptor::lower() {
    uint64_t count = 0;
    // Reading resets the counter; EAGAIN means it was lowered already.
    while (::read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

bool EventDescriptor::raised() const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

} // namespace tamrel
