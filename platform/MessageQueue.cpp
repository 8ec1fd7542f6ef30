#include "MessageQueue.h"

#include <unordered_map>

namespace tamrel {

namespace {
struct Table {
    std::mutex mutex;
    std::unordered_map<Handle, Mailboxes::Deliver> boxes;
    Handle next = 1;
};
Table& table() {
    static Table t;
    return t;
}
} // namespace

Handle Mailboxes::add(Deliver deliver) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    Handle h = t.next++;
    if (t.next == 0)
        t.next = 1;
    t.boxes.emplace(h, std::move(deliver));
    return h;
}

void Mailboxes::remove(Handle handle) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    t.boxes.erase(handle);
}

bool Mailboxes::post(Handle handle, Message message) {
    Table& t = table();
    // Delivery happens under the table's lock so that a mailbox being removed
    // never receives a message after remove() returned.
    std::lock_guard lock(t.mutex);
    auto it = t.boxes.find(handle);
    if (it == t.boxes.end())
        return false;
    it->second(std::move(message));
    return true;
}

MessageQueue::MessageQueue() {
    handle_ = Mailboxes::add([this](Message&& m) { post(std::move(m)); });
}

MessageQueue::~MessageQueue() {
    Mailboxes::remove(handle_);
}

void MessageQueue::post(Message message) {
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty())
            ready_.raise();
        queue_.push_back(std::move(message));
    }
    cv_.notify_one();
}

Message MessageQueue::pop() {
    Message m = std::move(queue_.front());
    queue_.pop_front();
    if (queue_.empty())
        ready_.lower();
    return m;
}

bool MessageQueue::peek() const {
    std::lock_guard lock(mutex_);
    return !queue_.empty();
}

Message MessageQueue::get() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return !queue_.empty(); });
    return pop();
}

std::optional<Message> MessageQueue::tryGet() {
    std::lock_guard lock(mutex_);
    if (queue_.empty())
        return std::nullopt;
    return pop();
}

std::optional<Message> MessageQueue::getFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, timeout, [this] { return !queue_.empty(); }))
        return std::nullopt;
    return pop();
}

} // namespace tamrel
