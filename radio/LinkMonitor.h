#pragma once
// LinkMonitor: what the program knows about the line to the radio.
//
// States: no port configured, opening failed (with the errno), waiting for the
// first reply, live, no reply (two poll ticks in a row passed without a byte
// from the radio), and lost (the device hung up or disappeared). The channel's
// events (opened, open failed, lost, reopened), the receive thread's count of
// replies and a once-a-second poll tick drive it; nothing here reads a clock
// except through the times it is given.
//
// Thread: the user-interface thread, like the radio model that holds it.

#include <chrono>
#include <cstdint>
#include <string>

namespace tamrel {

// The numbers are those the control socket carries.
enum class LinkState { NoPort = 0, OpenFailed = 1, Waiting = 2, Live = 3, NoReply = 4, Lost = 5 };

// "no port", "opening failed", ... for tooltips, logs and the control socket.
const char* LinkStateName(LinkState state);

class LinkMonitor {
public:
    using Clock = std::chrono::system_clock;

    // Ticks without a reply before the link counts as not answering.
    static constexpr int kSilentTicks = 2;

    LinkState State() const { return state_; }
    const std::string& Device() const { return device_; }
    int Error() const { return error_; }
    // True once any reply arrived since the program started.
    bool EverAnswered() const { return everAnswered_; }
    // When the last reply was seen; the epoch when none was.
    Clock::time_point LastReply() const { return lastReply_; }

    // Channel events. Each returns true when the state changed.
    bool NoPort();
    bool OpenFailed(std::string device, int error);
    bool Opened(std::string device);
    bool Lost(int error);
    bool Reopened();

    // A reply was applied (the model's own replies).
    bool OnReply(Clock::time_point now);
    // Once per poll period: repliesSeen is the receive thread's running count of
    // replies, including those it drops as unchanged, so a radio that answers
    // every poll with the same display still counts as answering.
    bool OnPollTick(uint64_t repliesSeen, Clock::time_point now);

    bool IsFailure() const { return state_ == LinkState::OpenFailed || state_ == LinkState::Lost; }
    // The one-line reason for the status line; empty when there is nothing to say.
    std::string Reason() const;
    // Longer text for the lamp's tooltip: device, state and reason.
    std::string Describe() const;

private:
    bool Set(LinkState state);

    LinkState state_ = LinkState::NoPort;
    std::string device_;
    int error_ = 0;
    bool everAnswered_ = false;
    Clock::time_point lastReply_{};
    uint64_t lastSeen_ = 0;
    bool tickSeen_ = false;
    int silentTicks_ = 0;
};

// The reason an open failed, as the operator can act on it.
std::string OpenFailureText(const std::string& device, int error);

} // namespace tamrel
