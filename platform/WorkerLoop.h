#pragma once
// The pieces every worker thread's loop shares: how the thread is started
// (named, at a lower priority) and how it waits for its queue, a device and a
// timeout together.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace tamrel::detail {

// Starts `body` on a new thread named `name` (cut to 15 characters: top -H,
// debuggers, /proc/PID/task/TID/comm), at nice 10 when idlePriority.
std::thread StartWorkerThread(std::string name, bool idlePriority, std::function<void()> body);

// Waits until queueFd is readable, deviceFd (when >= 0) has an event, or the
// timeout passes (none waits for ever; anything under 1 ms waits 1 ms, so no
// loop spins). Returns nullopt when the queue is readable (or the wait was
// interrupted), else the device's revents (0: the timeout passed).
std::optional<short> WaitQueueOrDevice(int queueFd, int deviceFd,
                                       std::optional<std::chrono::milliseconds> timeout);

} // namespace tamrel::detail
