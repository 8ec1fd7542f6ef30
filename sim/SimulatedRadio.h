#pragma once
// SimulatedRadio: a K2Model on the master side of a pseudo-terminal, so that
// the program (or rigctl) can open the slave device as if it were the radio's
// serial port.
//
// Threads: one worker (platform/Worker.h), started by start() and joined by
// stop() (and by the destructor), reads the master, feeds the model and
// writes the replies; a turn of the knob is a message to it.
// The mutex guards the model only; model() hands it out locked to tests. The
// command log callback runs on the worker thread.
//
// Wire behaviour and faults, all driven by one seeded generator:
// - Pacing: replies leave at the line's rate, baud/10 bytes per second with
//   one stop bit and baud/11 with two; baud 0 writes them at once.
// - replyDelayMs holds every reply back that long before it goes out.
// - drop / garble: each byte the radio sends is lost, or has one bit flipped
//   or is replaced by a random byte, with the given probability.
// - Stall: no output for stallMs, every stallEveryMs from start, or once
//   from the first command received when stallEveryMs is 0. Commands are
//   still taken in; their replies wait and come out after the stall.
// - Hang-up: from hangupAfterMs on, the radio is dead, as a pulled cable on
//   a fixed serial port looks to the program: what it sends is lost and
//   nothing comes back, but its device stays open and writable. After
//   hangupForMs (0 = for good) the cable is back and the radio answers
//   again with its state kept. The pty is never closed and recreated: a
//   new pty would get another device name, which the program could not
//   follow.

#include "K2Model.h"
#include "platform/PseudoTerminal.h"
#include "platform/Worker.h"

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <variant>

namespace tamrel::k2sim {

class SimulatedRadio {
public:
    // Called with the time since start() and the command text without ";".
    using CommandLog = std::function<void(Millis at, std::string_view command)>;

    struct Options {
        K2Model::Options model;
        unsigned baud = 4800; // 0: unpaced
        int stopBits = 1;
        int replyDelayMs = 0;
        double dropProbability = 0;
        double garbleProbability = 0;
        int stallMs = 0;
        int stallEveryMs = 0;
        int hangupAfterMs = -1; // < 0: never
        int hangupForMs = 0;
        uint32_t seed = 1;
        std::string linkPath; // symlink to the device, made on start, removed on stop
        CommandLog commandLog;
        // Called from the worker thread as the ";" of each reply is written.
        CommandLog replyLog;
    };

    // The model, held under the radio's lock for as long as this lives.
    class LockedModel {
    public:
        LockedModel(std::mutex& m, K2Model& model) : lock_(m), model_(model) {}
        K2Model* operator->() { return &model_; }
        K2Model& operator*() { return model_; }

    private:
        std::unique_lock<std::mutex> lock_;
        K2Model& model_;
    };

    SimulatedRadio();
    explicit SimulatedRadio(Options options);
    ~SimulatedRadio();
    SimulatedRadio(const SimulatedRadio&) = delete;
    SimulatedRadio& operator=(const SimulatedRadio&) = delete;

    // The slave device the program opens.
    const std::string& devicePath() const { return pty_.slavePath(); }
    // Throws std::system_error when the symlink cannot be made.
    void start();
    // Ends the worker thread (joins it) and removes the symlink. Idempotent.
    void stop();
    bool running() const { return loop_.running(); }

    LockedModel model() { return LockedModel(mutex_, model_); }
    // Turns the radio's VFO knob (K2Model::turnKnob); returns the receive
    // frequency it moved to. Its report goes out at once.
    uint32_t turnKnob(int hz);
    // The model's clock: time since start().
    Millis now() const;

private:
    using Clock = std::chrono::steady_clock;
    using Micros = std::chrono::microseconds;
    std::string sending_; // bytes of the reply being written, for replyLog
    struct Chunk {
        Micros release;
        std::string bytes;
    };

    // The knob moved: its report is due at once.
    struct KnobTurned {};
    class Loop final : public Worker<std::variant<KnobTurned>> {
    public:
        explicit Loop(SimulatedRadio& radio)
            : Worker("k2sim", SteadyClock(), false), radio_(radio) {}
        ~Loop() { quitAndJoin(); }

    private:
        void onMessage(std::variant<KnobTurned>&) override { onWake(0); }
        std::optional<tamrel::Clock::TimePoint> nextWake() const override;
        int waitDescriptor() const override { return radio_.pty_.masterFd(); }
        void onWake(short revents) override;

        SimulatedRadio& radio_;
        Micros lastWake_{0}; // the next wake is counted from it, so it comes
    };

    Micros elapsed() const;
    void readInput(Micros now);
    void writeOutput(Micros now);
    bool stalled(Micros now) const;
    bool hungUp(Micros now) const;
    Micros nextWake(Micros now);

    Options opt_;
    PseudoTerminal pty_;
    std::mutex mutex_;
    K2Model model_;
    std::mt19937 rng_;
    Clock::time_point start_;
    std::deque<Chunk> line_;
    Micros nextByteAt_{0};
    Micros byteTime_{0};
    Micros stallOnceAt_{-1};
    bool linked_ = false;
    Loop loop_{*this}; // last: joined before the members it uses go
};

} // namespace tamrel::k2sim
