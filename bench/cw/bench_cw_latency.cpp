// How soon keyed text reaches the wire: the transmitting thread and the real
// channel on a pseudo-terminal, the radio's end read by this program.
//  - Handover: text posted to an idle thread until the first byte of "KY;".
//  - Ready (thread): a keyer state 2 posted until the chunk's first byte.
//  - Ready (line): "KY2;" written by the radio until the chunk's first byte,
//    through the receive thread (reading at the period the channel gives it)
//    and a forward of the digit as the front panel does.
// Each reports its p50 and p99 in microseconds.

#include "cw/CCWMsgTransmittingThread.h"
#include "platform/Mailbox.h"
#include "platform/PseudoTerminal.h"
#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/K2Commands.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tamrel;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

namespace {

struct Rig {
    PseudoTerminal pty;
    CK2CommChannel channel;
    ChannelKeyerLink link{channel};
    std::shared_ptr<Mailbox<LinkEvent>> replies = std::make_shared<Mailbox<LinkEvent>>();
    CCWMsgTransmittingThread thread;
    std::string seen;

    Rig() {
        pty.holdSlaveOpen(true);
        if (channel.OpenDevice(pty.slavePath(), 0, 4800, 8, 0, 1) != K2_OK)
            std::abort();
        channel.PostToReceiveThread(RecvDeliverTo{Address<LinkEvent>(replies)});
        channel.PostToReceiveThread(RecvStart{});
        thread.start();
        thread.post(CwSetup{&link, 100ms});
    }
    ~Rig() {
        thread.quitAndJoin();
        channel.Close();
    }
    // Reads until `what` has arrived (after what was seen before); its arrival
    // time. With `busy`, every other keyer query on the way is answered KY0,
    // as a radio answers each one.
    Steady::time_point waitFor(const std::string& what, bool busy = false) {
        std::size_t scanned = 0;
        for (;;) {
            const std::size_t at = seen.find(what);
            for (std::size_t q = seen.find("KY;", scanned);
                 busy && q != std::string::npos && q < at; q = seen.find("KY;", scanned)) {
                if (::write(pty.masterFd(), "KY0;", 4) != 4)
                    std::abort();
                scanned = q + 3;
            }
            if (at != std::string::npos) {
                seen.erase(0, at + what.size());
                return Steady::now();
            }
            pollfd p{pty.masterFd(), POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                std::abort();
            char buf[256];
            const ssize_t n = ::read(pty.masterFd(), buf, sizeof buf);
            if (n > 0)
                seen.append(buf, std::size_t(n));
        }
    }
    void forwardReplies(std::atomic<bool>& stop) {
        while (!stop)
            if (auto m = replies->takeWithin(5ms))
                if (const auto* r = std::get_if<ReplyReceived>(&*m);
                    r && r->id == ID_KY && r->text.size() >= 3)
                    thread.post(CwKeyerState{r->text[2] - '0'});
    }
};

void report(benchmark::State& state, std::vector<double>& us) {
    std::sort(us.begin(), us.end());
    if (us.empty())
        return;
    state.counters["p50_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
}

} // namespace

static void BM_HandoverToFirstKyByte(benchmark::State& state) {
    Rig rig;
    std::vector<double> us;
    for (auto _ : state) {
        const auto t0 = Steady::now();
        rig.thread.post(CwText{"CQ "});
        const auto t1 = rig.waitFor("KY;");
        const double d = std::chrono::duration<double, std::micro>(t1 - t0).count();
        us.push_back(d);
        state.SetIterationTime(d / 1e6);
        // Back to idle for the next round.
        rig.thread.post(CwAbort{});
        rig.waitFor("KY @;");
    }
    report(state, us);
}
BENCHMARK(BM_HandoverToFirstKyByte)
    ->UseManualTime()
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);

static void BM_ReadyToNextChunkInThread(benchmark::State& state) {
    Rig rig;
    std::vector<double> us;
    for (auto _ : state) {
        rig.thread.post(CwText{"TEST "});
        rig.waitFor("KY;");
        const auto t0 = Steady::now();
        rig.thread.post(CwKeyerState{2});
        const auto t1 = rig.waitFor("KY TEST ;");
        const double d = std::chrono::duration<double, std::micro>(t1 - t0).count();
        us.push_back(d);
        state.SetIterationTime(d / 1e6);
        rig.thread.post(CwAbort{});
        rig.waitFor("KY @;");
    }
    report(state, us);
}
BENCHMARK(BM_ReadyToNextChunkInThread)
    ->UseManualTime()
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);

static void BM_ReadyOnTheLineToNextChunk(benchmark::State& state) {
    Rig rig;
    std::atomic<bool> stop = false;
    std::thread forward([&] { rig.forwardReplies(stop); });
    std::vector<double> us;
    for (auto _ : state) {
        rig.thread.post(CwText{"TEST "});
        rig.waitFor("KY;");
        const auto t0 = Steady::now();
        if (::write(rig.pty.masterFd(), "KY2;", 4) != 4)
            std::abort();
        const auto t1 = rig.waitFor("KY TEST ;", true);
        const double d = std::chrono::duration<double, std::micro>(t1 - t0).count();
        us.push_back(d);
        state.SetIterationTime(d / 1e6);
        rig.thread.post(CwAbort{});
        rig.waitFor("KY @;", true);
    }
    stop = true;
    forward.join();
    report(state, us);
}
BENCHMARK(BM_ReadyOnTheLineToNextChunk)
    ->UseManualTime()
    ->Iterations(100)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
