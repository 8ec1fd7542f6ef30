#include "WorkerLoop.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <poll.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tamrel::detail {

using namespace std::chrono_literals;

namespace {
constexpr int kWorkerNice = 10;
} // namespace

std::thread StartWorkerThread(std::string name, bool idlePriority, std::function<void()> body) {
    name.resize(std::min<std::size_t>(name.size(), 15));
    return std::thread([body = std::move(body), idlePriority, name = std::move(name)] {
        if (!name.empty())
            pthread_setname_np(pthread_self(), name.c_str());
        // A lower nice value rather than SCHED_IDLE: an idle-class thread
        // waits for every busy process on the machine (a compile in the
        // background held replies back for hundreds of milliseconds), while
        // a niced one still yields to the user interface but runs soon after
        // it wakes. Best effort: raising nice needs no privilege.
        if (idlePriority)
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNice);
        body();
    });
}

std::optional<short> WaitQueueOrDevice(int queueFd, int deviceFd,
                                       std::optional<std::chrono::milliseconds> timeout) {
    std::array<pollfd, 2> fds{{{queueFd, POLLIN, 0}, {deviceFd, POLLIN, 0}}};
    const int ms = timeout ? static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
                                 timeout->count(), 1, 24 * 3600 * 1000))
                           : -1;
    const int n = ::poll(fds.data(), deviceFd >= 0 ? 2 : 1, ms);
    if (n < 0) {
        // Out of kernel memory, say: wait a little rather than spin.
        if (errno != EINTR)
            std::this_thread::sleep_for(10ms);
        return std::nullopt;
    }
    if (fds[0].revents != 0)
        return std::nullopt;
    return fds[1].revents;
}

} // namespace tamrel::detail
