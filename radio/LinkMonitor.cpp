#include "radio/LinkMonitor.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

namespace tamrel {

const char* LinkStateName(LinkState state) {
    switch (state) {
    case LinkState::NoPort:
        return "no port";
    case LinkState::OpenFailed:
        return "opening failed";
    case LinkState::Waiting:
        return "waiting for the first reply";
    case LinkState::Live:
        return "live";
    case LinkState::NoReply:
        return "no reply";
    case LinkState::Lost:
        return "lost";
    }
    return "unknown";
}

std::string OpenFailureText(const std::string& device, int error) {
    std::string text = "Cannot open " + device + ": ";
    switch (error) {
    case EACCES:
        return text + "Permission denied. Add your user to the dialout group, then log in again.";
    case EWOULDBLOCK:
        // flock: another descriptor holds the port's lock (a second program, or
        // a copy of this one).
        return text + "The port is in use by another program.";
    case EBUSY:
        // TIOCEXCL set by someone else: an exclusive open that is still held.
        return text + "The port is held exclusively by another program.";
    case ENOENT:
        return text + "No such device.";
    default:
        return text + std::strerror(error) + ".";
    }
}

bool LinkMonitor::Set(LinkState state) {
    if (state == state_)
        return false;
    state_ = state;
    return true;
}

bool LinkMonitor::NoPort() {
    device_.clear();
    error_ = 0;
    return Set(LinkState::NoPort);
}

bool LinkMonitor::OpenFailed(std::string device, int error) {
    const bool changed = device != device_ || error != error_;
    device_ = std::move(device);
    error_ = error;
    return Set(LinkState::OpenFailed) || changed;
}

bool LinkMonitor::Opened(std::string device) {
    device_ = std::move(device);
    error_ = 0;
    tickSeen_ = false;
    silentTicks_ = 0;
    return Set(LinkState::Waiting);
}

bool LinkMonitor::Lost(int error) {
    // Only a line that was open can be lost.
    if (state_ == LinkState::NoPort || state_ == LinkState::OpenFailed)
        return false;
    // While lost, a new reason (the device is back but busy) is news too.
    const bool changed = error != error_;
    error_ = error;
    return Set(LinkState::Lost) || changed;
}

bool LinkMonitor::Reopened() {
    if (state_ != LinkState::Lost)
        return false;
    error_ = 0;
    tickSeen_ = false;
    silentTicks_ = 0;
    return Set(LinkState::Waiting);
}

bool LinkMonitor::OnReply(Clock::time_point now) {
    everAnswered_ = true;
    lastReply_ = now;
    silentTicks_ = 0;
    // A reply racing a hang-up report does not undo it.
    if (state_ == LinkState::Waiting || state_ == LinkState::NoReply)
        return Set(LinkState::Live);
    return false;
}

bool LinkMonitor::OnPollTick(uint64_t repliesSeen, Clock::time_point now) {
    if (state_ != LinkState::Waiting && state_ != LinkState::Live && state_ != LinkState::NoReply)
        return false;
    const bool answered = tickSeen_ && repliesSeen != lastSeen_;
    const bool first = !tickSeen_;
    tickSeen_ = true;
    lastSeen_ = repliesSeen;
    if (first)
        return false;
    if (answered) {
        lastReply_ = now;
        silentTicks_ = 0;
        // Replies the receive thread dropped as unchanged still prove the line.
        if (state_ == LinkState::NoReply)
            return Set(everAnswered_ ? LinkState::Live : LinkState::Waiting);
        return false;
    }
    if (++silentTicks_ >= kSilentTicks)
        return Set(LinkState::NoReply);
    return false;
}

std::string LinkMonitor::Reason() const {
    switch (state_) {
    case LinkState::OpenFailed:
        return OpenFailureText(device_, error_);
    case LinkState::Lost:
        return "Lost " + device_ + (error_ != 0 ? std::string(": ") + std::strerror(error_) : "") +
               ". Waiting for it to come back.";
    case LinkState::NoReply:
        return "The radio is not answering on " + device_ + ".";
    default:
        return {};
    }
}

std::string LinkMonitor::Describe() const {
    std::string text = device_.empty() ? std::string("No radio port") : device_;
    text += ": ";
    text += LinkStateName(state_);
    if (std::string reason = Reason(); !reason.empty())
        text += "\n" + reason;
    if (state_ == LinkState::NoReply && lastReply_ != Clock::time_point{}) {
        const std::time_t t = Clock::to_time_t(lastReply_);
        std::tm local{};
        localtime_r(&t, &local);
        char buffer[16];
        std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
        text += std::string("\nNo reply since ") + buffer + ".";
    }
    return text;
}

} // namespace tamrel
