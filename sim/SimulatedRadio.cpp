#include "SimulatedRadio.h"

#include <cerrno>
#include <climits>
#include <poll.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tamrel::k2sim {

namespace {

constexpr std::size_t kLineLimit = 64 * 1024; // beyond this, unread output is thrown away
constexpr std::chrono::milliseconds kIdleWake{50};
constexpr std::chrono::microseconds kCatchUp{10000};

} // namespace

SimulatedRadio::SimulatedRadio() : SimulatedRadio(Options{}) {}

SimulatedRadio::SimulatedRadio(Options options)
    : opt_(std::move(options)), model_(opt_.model), rng_(opt_.seed) {
    pty_.holdSlaveOpen(true);
    if (opt_.baud > 0)
        byteTime_ = Micros((opt_.stopBits == 2 ? 11'000'000 : 10'000'000) / opt_.baud);
}

SimulatedRadio::~SimulatedRadio() {
    stop();
}

void SimulatedRadio::start() {
    if (running())
        return;
    if (!opt_.linkPath.empty()) {
        struct stat st {};
        if (::lstat(opt_.linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(opt_.linkPath.c_str());
        if (::symlink(devicePath().c_str(), opt_.linkPath.c_str()) != 0)
            throw std::system_error(errno, std::generic_category(), "symlink " + opt_.linkPath);
        linked_ = true;
    }
    start_ = Clock::now();
    loop_.start();
}

void SimulatedRadio::stop() {
    loop_.quitAndJoin();
    if (linked_) {
        char target[PATH_MAX] = {};
        if (::readlink(opt_.linkPath.c_str(), target, sizeof target - 1) > 0 &&
            devicePath() == target)
            ::unlink(opt_.linkPath.c_str());
        linked_ = false;
    }
}

uint32_t SimulatedRadio::turnKnob(int hz) {
    uint32_t moved;
    {
        std::lock_guard lock(mutex_);
        model_.turnKnob(hz, now());
        moved = model_.rxFrequency(now());
    }
    loop_.post(KnobTurned{});
    return moved;
}

Millis SimulatedRadio::now() const {
    return std::chrono::duration_cast<Millis>(Clock::now() - start_);
}

bool SimulatedRadio::stalled(Micros now) const {
    if (opt_.stallMs <= 0)
        return false;
    const Micros length = Millis(opt_.stallMs);
    if (opt_.stallEveryMs > 0) {
        const Micros every = Millis(opt_.stallEveryMs);
        return now >= every && now % every < length;
    }
    return stallOnceAt_.count() >= 0 && now >= stallOnceAt_ && now < stallOnceAt_ + length;
}

bool SimulatedRadio::hungUp(Micros now) const {
    if (opt_.hangupAfterMs < 0 || now < Millis(opt_.hangupAfterMs))
        return false;
    return opt_.hangupForMs <= 0 || now < Millis(opt_.hangupAfterMs + opt_.hangupForMs);
}

SimulatedRadio::Micros SimulatedRadio::elapsed() const {
    return std::chrono::duration_cast<Micros>(Clock::now() - start_);
}

std::optional<tamrel::Clock::TimePoint> SimulatedRadio::Loop::nextWake() const {
    return radio_.start_ + radio_.nextWake(lastWake_);
}

void SimulatedRadio::Loop::onWake(short revents) {
    const Micros now = radio_.elapsed();
    lastWake_ = now;
    if (revents & POLLIN)
        radio_.readInput(now);
    radio_.writeOutput(now);
}

void SimulatedRadio::readInput(Micros now) {
    char buf[512];
    const ssize_t n = ::read(pty_.masterFd(), buf, sizeof buf);
    if (n <= 0 || hungUp(now))
        return; // with the cable out, what the program sends goes nowhere
    const Millis at = std::chrono::duration_cast<Millis>(now);
    std::vector<std::string> commands;
    {
        std::lock_guard lock(mutex_);
        commands = model_.receive(std::string_view(buf, static_cast<std::size_t>(n)), at);
    }
    if (!commands.empty() && stallOnceAt_.count() < 0)
        stallOnceAt_ = now;
    if (opt_.commandLog)
        for (const auto& c : commands)
            opt_.commandLog(at, c);
}

void SimulatedRadio::writeOutput(Micros now) {
    std::string due;
    {
        std::lock_guard lock(mutex_);
        due = model_.takeDue(std::chrono::duration_cast<Millis>(now));
    }
    if (hungUp(now)) {
        line_.clear();
        return;
    }
    if (!due.empty())
        line_.push_back({now + Millis(opt_.replyDelayMs), std::move(due)});
    std::size_t queued = 0;
    for (const auto& c : line_)
        queued += c.bytes.size();
    while (queued > kLineLimit && line_.size() > 1) {
        queued -= line_.front().bytes.size();
        line_.pop_front();
    }
    if (stalled(now))
        return;

    std::uniform_real_distribution<double> chance(0.0, 1.0);
    while (!line_.empty() && line_.front().release <= now) {
        if (byteTime_.count() > 0) {
            if (nextByteAt_ > now)
                return;
            // Bytes follow each other back to back; a late wake-up is caught
            // up (by at most kCatchUp, so an idle line does not bank time).
            const Micros begin = std::max(nextByteAt_, now - kCatchUp);
            nextByteAt_ = begin + byteTime_;
        }
        std::string& bytes = line_.front().bytes;
        auto b = static_cast<unsigned char>(bytes.front());
        const bool drop = opt_.dropProbability > 0 && chance(rng_) < opt_.dropProbability;
        if (!drop && opt_.garbleProbability > 0 && chance(rng_) < opt_.garbleProbability)
            b = (rng_() & 1) ? static_cast<unsigned char>(b ^ (1u << (rng_() % 8)))
                             : static_cast<unsigned char>(rng_() & 0xFF);
        if (!drop && ::write(pty_.masterFd(), &b, 1) != 1)
            return; // the pty is full: the program is not reading; try again later
        if (opt_.replyLog) {
            if (bytes.front() == ';') {
                opt_.replyLog(std::chrono::duration_cast<Millis>(now), sending_);
                sending_.clear();
            } else if (sending_.size() < 64) {
                sending_ += bytes.front();
            }
        }
        bytes.erase(0, 1);
        if (bytes.empty())
            line_.pop_front();
    }
}

SimulatedRadio::Micros SimulatedRadio::nextWake(Micros now) {
    Micros wake = now + kIdleWake;
    {
        std::lock_guard lock(mutex_);
        if (auto due = model_.nextDue())
            wake = std::min<Micros>(wake, *due);
    }
    if (!line_.empty())
        wake = std::min(wake, std::max(line_.front().release, nextByteAt_));
    // Never a busy loop: a stall, a full pty or a byte already late wait a little.
    return std::max(wake, now + Micros(200));
}

} // namespace tamrel::k2sim
