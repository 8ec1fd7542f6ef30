#include "MessageLoopWorker.h"

#include "WorkerLoop.h"

#include <cstdio>
#include <cstdlib>

namespace tamrel {

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
        if (std::optional<short> revents =
                detail::WaitQueueOrDevice(queue.pollDescriptor(), waitDescriptor(), waitTimeout()))
            onWake(*revents); // 0: the timeout passed
    }
}

} // namespace tamrel
