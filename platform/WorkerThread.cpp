#include "WorkerThread.h"

#include <algorithm>
#include <pthread.h>
#include <sched.h>

namespace tamrel {

void WorkerThread::start(Body body, bool idlePriority, std::string name) {
    if (running())
        return;
    queue_ = std::make_unique<MessageQueue>();
    name.resize(std::min<std::size_t>(name.size(), 15));
    thread_ = std::thread(
        [q = queue_.get(), body = std::move(body), idlePriority, name = std::move(name)] {
            if (!name.empty())
                pthread_setname_np(pthread_self(), name.c_str());
            if (idlePriority) {
                sched_param param{};
                // Best effort: SCHED_IDLE needs no privilege on Linux.
                pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
            }
            body(*q);
        });
}

void WorkerThread::quitAndJoin() {
    if (!thread_.joinable())
        return;
    queue_->quit();
    thread_.join();
    queue_.reset();
}

bool WorkerThread::post(Message message) {
    if (!queue_)
        return false;
    queue_->post(std::move(message));
    return true;
}

} // namespace tamrel
