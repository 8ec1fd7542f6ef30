#include "WorkerThread.h"

#include "WorkerLoop.h"

namespace tamrel {

void WorkerThread::start(Body body, bool idlePriority, std::string name) {
    if (running())
        return;
    queue_ = std::make_unique<MessageQueue>();
    thread_ = detail::StartWorkerThread(std::move(name), idlePriority,
                                        [q = queue_.get(), body = std::move(body)] { body(*q); });
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
