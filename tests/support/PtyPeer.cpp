#include "PtyPeer.h"

#include <poll.h>
#include <unistd.h>

namespace tamrel::test {

void PtyPeer::send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(pty_.masterFd(), bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else {
            pollfd p{pty_.masterFd(), POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
}

void PtyPeer::pump(std::chrono::milliseconds wait) {
    pollfd p{pty_.masterFd(), POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0)
        return;
    char buf[4096];
    ssize_t n = ::read(pty_.masterFd(), buf, sizeof buf);
    auto now = Clock::now();
    for (ssize_t i = 0; i < n; ++i) {
        raw_.push_back(buf[i]);
        if (buf[i] == ';') {
            commands_.push_back({partial_, now});
            partial_.clear();
        } else {
            partial_.push_back(buf[i]);
        }
    }
}

void PtyPeer::collectFor(std::chrono::milliseconds duration) {
    auto end = Clock::now() + duration;
    while (Clock::now() < end)
        pump(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()) +
             std::chrono::milliseconds(1));
}

bool PtyPeer::collectUntil(const std::function<bool(const std::vector<Command>&)>& pred,
                           std::chrono::milliseconds timeout) {
    auto end = Clock::now() + timeout;
    while (!pred(commands_)) {
        if (Clock::now() >= end)
            return false;
        pump(std::chrono::milliseconds(10));
    }
    return true;
}

bool PtyPeer::waitForCommands(std::size_t n, std::chrono::milliseconds timeout) {
    return collectUntil([n](const auto& c) { return c.size() >= n; }, timeout);
}

std::vector<std::string> PtyPeer::texts() const {
    std::vector<std::string> out;
    for (const auto& c : commands_)
        out.push_back(c.text);
    return out;
}

void PtyPeer::clear() {
    commands_.clear();
    partial_.clear();
    raw_.clear();
}

} // namespace tamrel::test
