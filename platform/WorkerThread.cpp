#include "WorkerThread.h"

#include <algorithm>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tamrel {

namespace {
constexpr int kWorkerNice = 10;
} // namespace

void WorkerThread::start(Body body, bool idlePriority, std::string name) {
    if (running())
        return;
    queue_ = std::make_unique<MessageQueue>();
    name.resize(std::min<std::size_t>(name.size(), 15));
    thread_ = std::thread(
        [q = queue_.get(), body = std::move(body), idlePriority, name = std::move(name)] {
            if (!name.empty())
                pthread_setname_np(pthread_self(), name.c_str());
            // A lower nice value rather than SCHED_IDLE: an idle-class thread
            // waits for every busy process on the machine (a compile in the
            // background held replies back for hundreds of milliseconds),
            // while a niced one still yields to the user interface but runs
            // soon after it wakes. Best effort: raising nice needs no privilege.
            if (idlePriority)
                setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNice);
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
