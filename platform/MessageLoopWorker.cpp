#include "MessageLoopWorker.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <thread>

namespace tamrel {

using namespace std::chrono_literals;

MessageLoopWorker::MessageLoopWorker(std::string name, bool idlePriority)
    : name_(std::move(name)), idlePriority_(idlePriority) {}

MessageLoopWorker::~MessageLoopWorker() {
    if (thread_.running()) {
        // The derived part is gone already; the loop would call into it.
        std::fprintf(stderr, "MessageLoopWorker %s destroyed while running\n", name_.c_str());
        std::abort();
    }
}

void MessageLoopWorker::start() {
    thread_.start([this](MessageQueue& queue) { run(queue); }, idlePriority_, name_);
}

void MessageLoopWorker::run(MessageQueue& queue) {
    for (;;) {
        if (std::optional<Message> m = queue.tryGet()) {
            if ((m->id & 0xffff) == msg::WM_QUIT)
                return;
            onMessage(*m);
            continue;
        }
        std::array<pollfd, 2> fds{{{queue.pollDescriptor(), POLLIN, 0}, {-1, POLLIN, 0}}};
        fds[1].fd = waitDescriptor();
        const std::optional<std::chrono::milliseconds> timeout = waitTimeout();
        const int ms = timeout ? static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
                                     timeout->count(), 1, 24 * 3600 * 1000))
                               : -1;
        const int n = ::poll(fds.data(), fds[1].fd >= 0 ? 2 : 1, ms);
        if (n < 0) {
            // Out of kernel memory, say: wait a little rather than spin.
            if (errno != EINTR)
                std::this_thread::sleep_for(10ms);
            continue;
        }
        if (fds[0].revents != 0)
            continue;
        onWake(fds[1].revents); // 0: the timeout passed
    }
}

} // namespace tamrel
