// The model, the operations on it, the link's state and the sequence runner,
// without a line.
#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "radio/LinkMonitor.h"
#include "radio/RadioOperations.h"
#include "radio/SequenceRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <string>
#include <vector>

using namespace tamrel;
using namespace std::chrono_literals;
namespace rc = radio_change;
using WallClock = LinkMonitor::Clock;

namespace {
const WallClock::time_point t0 = WallClock::time_point{} + 1000h;
}

// The lamp and the texts of these states are LinkView's test; here, which
// changes are news and how silence is counted.
TEST(LinkMonitor, FailuresSilenceLossAndReopening) {
    LinkMonitor link;
    EXPECT_TRUE(link.OpenFailed("/dev/ttyUSB0", EACCES));
    // A different cause on the same state is still news.
    EXPECT_TRUE(link.OpenFailed("/dev/ttyUSB0", EWOULDBLOCK));
    EXPECT_NE(link.Reason().find("in use by another program"), std::string::npos);
    EXPECT_FALSE(link.OpenFailed("/dev/ttyUSB0", EWOULDBLOCK));
    // Neither ticks nor a hang-up mean anything without an open line.
    EXPECT_FALSE(link.OnPollTick(5, t0));
    EXPECT_FALSE(link.Lost(EIO));

    // The first tick only marks where counting starts.
    EXPECT_TRUE(link.Opened("/dev/pts/3"));
    EXPECT_FALSE(link.OnPollTick(0, t0));
    EXPECT_FALSE(link.OnPollTick(0, t0 + 1s));
    EXPECT_EQ(link.State(), LinkState::Waiting);
    EXPECT_TRUE(link.OnPollTick(0, t0 + 2s));
    EXPECT_EQ(link.State(), LinkState::NoReply);
    EXPECT_FALSE(link.EverAnswered());
    // A reply makes it live; so do replies only the receive thread saw.
    EXPECT_TRUE(link.OnReply(t0 + 3s));
    EXPECT_EQ(link.LastReply(), t0 + 3s);
    EXPECT_FALSE(link.OnPollTick(1, t0 + 4s));
    EXPECT_FALSE(link.OnPollTick(1, t0 + 5s));
    EXPECT_TRUE(link.OnPollTick(1, t0 + 6s));
    EXPECT_EQ(link.State(), LinkState::NoReply);
    EXPECT_TRUE(link.OnPollTick(2, t0 + 7s)); // a dropped duplicate display reply
    EXPECT_EQ(link.State(), LinkState::Live);
    EXPECT_EQ(link.LastReply(), t0 + 7s);
    // One silent tick between answered ones is not yet silence.
    EXPECT_FALSE(link.OnPollTick(2, t0 + 8s));
    EXPECT_FALSE(link.OnPollTick(3, t0 + 9s));
    EXPECT_FALSE(link.OnPollTick(3, t0 + 10s));
    EXPECT_EQ(link.State(), LinkState::Live);

    EXPECT_TRUE(link.Lost(EIO));
    // Late replies and ticks while lost change nothing.
    EXPECT_FALSE(link.OnReply(t0 + 11s));
    for (auto at : {t0 + 12s, t0 + 13s, t0 + 14s})
        EXPECT_FALSE(link.OnPollTick(9, at));
    EXPECT_EQ(link.State(), LinkState::Lost);
    EXPECT_TRUE(link.Reopened());
    EXPECT_FALSE(link.Reopened());
    // Counting starts afresh after the reopen: no stale silent tick carries over.
    EXPECT_FALSE(link.OnPollTick(9, t0 + 15s));
    EXPECT_FALSE(link.OnPollTick(9, t0 + 16s));
    EXPECT_EQ(link.State(), LinkState::Waiting);
    EXPECT_TRUE(link.OnReply(t0 + 16s));
    EXPECT_EQ(link.State(), LinkState::Live);
}

TEST(K2RadioModel, RepliesAndKeyingDriveTheTransmitFlag) {
    K2RadioModel m;
    // IF: 11 frequency digits, then the fields up to the transmit digit at 26.
    const std::string receiving = "IF00014060000     +000000 0002000001 ";
    std::string transmitting = receiving;
    transmitting[2 + 26] = '1';
    EXPECT_FALSE(m.Transmitting());
    EXPECT_TRUE(m.ApplyReply(ID_IF, transmitting) & rc::kTransmit);
    EXPECT_TRUE(m.Transmitting());
    EXPECT_TRUE(m.ApplyReply(ID_IF, receiving) & rc::kTransmit);
    EXPECT_FALSE(m.Transmitting());

    // TUNE keys the radio from here; the radio reporting receive ends that.
    RadioOperations ops(m);
    EXPECT_EQ(ops.Tune(), rc::kTransmit);
    EXPECT_TRUE(m.Transmitting());
    EXPECT_FALSE(m.ApplyReply(ID_IF, transmitting) & rc::kTransmit);
    EXPECT_TRUE(m.ApplyReply(ID_IF, receiving) & rc::kTransmit);
    EXPECT_FALSE(m.TuneKeyed());
    EXPECT_EQ(ops.Tune(), rc::kTransmit);
    EXPECT_EQ(ops.Tune(), rc::kTransmit); // the second tap ends it
    EXPECT_FALSE(m.Transmitting());

    // CW keyed from here: the lamp lights at once. One receiving IF may have
    // left the radio before the keying; the second one ends it (a CW abort
    // has no KY2 to say so).
    EXPECT_TRUE(m.ApplyReply(ID_KY, "KY0") & rc::kTransmit);
    EXPECT_FALSE(m.ApplyReply(ID_IF, receiving) & rc::kTransmit);
    EXPECT_TRUE(m.Transmitting());
    EXPECT_TRUE(m.ApplyReply(ID_IF, receiving) & rc::kTransmit);
    EXPECT_FALSE(m.Transmitting());
    // The keyer: text in its buffer (KY0, KY1) is keyed; KY2 is empty and done.
    m.ApplyReply(ID_KY, "KY1");
    EXPECT_TRUE(m.CwKeyed());
    EXPECT_TRUE(m.ApplyReply(ID_KY, "KY2") & rc::kTransmit);
    EXPECT_FALSE(m.Transmitting());
    // In CW the radio keys only from its keyer: PTT is refused and not lit.
    m.ApplyReply(ID_MD, "MD3");
    EXPECT_FALSE(ops.SetTransmit(true));
    EXPECT_FALSE(m.Transmitting());
}

TEST(K2RadioModel, RepliesReportWhatTheyChanged) {
    K2RadioModel m;
    EXPECT_EQ(m.ApplyReply(ID_FA, "FA00014060000"),
              rc::kFirstReply | rc::kVfoA | rc::kFollow | rc::kBand | rc::kVfoMemory);
    EXPECT_EQ(m.FollowHz(), 14060000u);
    // Inside the band: no band change; B does not receive, so no follow.
    EXPECT_EQ(m.ApplyReply(ID_FA, "FA00014070000"), rc::kVfoA | rc::kFollow | rc::kVfoMemory);
    EXPECT_EQ(m.ApplyReply(ID_FB, "FB00014080000"), rc::kVfoB | rc::kVfoMemory);
    EXPECT_EQ(m.VfoMemoryTable()[4], (VfoPair{14070000, 14080000}));
    // FR follows without a band lookup and stores no memory.
    EXPECT_EQ(m.ApplyReply(ID_FR, "FR1"), rc::kReceiveVfo | rc::kFollow);
    EXPECT_EQ(m.FollowHz(), 14080000u);
    EXPECT_EQ(m.ApplyReply(ID_PC, "PC0501"), rc::kPower);
    EXPECT_EQ(m.ApplyReply(ID_DS, "DSHELLO4A02"), rc::kDisplay);
    EXPECT_EQ(m.ApplyReply(ID_TX, "TX"), 0u);
}

// A network client's set holds the VFO until the radio has had it; what then
// stands is shown in its band and kept in that band's memory, as a report is.
TEST(K2RadioModel, AHeldFrequencyThatStandsIsShownInItsBandAndRemembered) {
    using Release = K2RadioModel::Release;
    K2RadioModel m;
    m.ApplyReply(ID_FA, "FA00014060000");
    const uint32_t fifteenMetres = m.VfoMemoryTable()[3].a;
    auto set = [&](uint32_t hz, std::string_view heard, Release how) {
        m.Hold(rc::kVfoA);
        m.SetVfoFrequency(0, hz);
        if (!heard.empty()) {
            EXPECT_EQ(m.ApplyReply(ID_FA, heard), 0u);
        }
        m.Unhold(rc::kVfoA, how);
    };
    set(21100000, "", Release::Revert); // refused: the radio stayed where it was
    EXPECT_EQ(m.Fields().vfoA, 14060000u);
    EXPECT_EQ(m.CurrentBand().index, 4);
    EXPECT_EQ(m.VfoMemoryTable()[3].a, fifteenMetres);
    set(7001000, "FA00007001000", Release::Heard); // into another band, read back
    EXPECT_EQ(m.CurrentBand().index, 6);
    EXPECT_EQ(m.FollowHz(), 7001000u);
    EXPECT_EQ(m.VfoMemoryTable()[6].a, 7001000u);
    set(7020000, "", Release::Keep); // within the band, taken without a read-back
    EXPECT_EQ(m.VfoMemoryTable()[6].a, 7020000u);
    EXPECT_EQ(m.VfoMemoryTable()[4].a, 14060000u);
}

TEST(RadioOperations, TuningAndGuardsWithoutAPort) {
    K2RadioModel m;
    RadioOperations ops(m);
    int keyer = -1;
    auto watch = m.Observe([&](uint32_t c) {
        if (c & rc::kKeyer)
            keyer = m.Fields().keyerState;
    });
    ops.ApplyReply(ID_KY, "KY1");
    EXPECT_EQ(keyer, 1);
    m.ApplyReply(ID_FA, "FA00014060000");
    m.ApplyReply(ID_FB, "FB00007030000");
    EXPECT_TRUE(ops.TuneBy(100)); // two 50 Hz steps: the radio reports the result
    EXPECT_EQ(m.Fields().vfoA, 14060000u);
    m.ApplyReply(ID_FR, "FR1");
    EXPECT_TRUE(ops.TuneBy(-11000)); // too many steps: a new frequency at once
    EXPECT_EQ(m.Fields().vfoB, 7019000u);
    EXPECT_EQ(m.Fields().vfoA, 14060000u);
    EXPECT_TRUE(ops.TuneBy(-100000000)); // stops at 0 Hz rather than wrapping
    EXPECT_EQ(m.Fields().vfoB, 0u);

    ops.ApplyReply(ID_LK, "LK1");
    EXPECT_FALSE(ops.TuneBy(100));
    EXPECT_FALSE(ops.SetVfoFrequency(0, 7000000));
    EXPECT_FALSE(ops.SelectBand(3));
    EXPECT_EQ(m.Fields().vfoB, 0u);
    ops.SetSquelch(130);
    EXPECT_EQ(m.Fields().squelch, 125);
}

TEST(SequenceRunner, PacesStepsOnItsClockAndReplacesARunningSequenceOfItsKind) {
    ManualClock clock;
    std::mutex lock;
    std::vector<std::pair<std::string, Clock::TimePoint>> ran;
    auto record = [&](std::string what) {
        return [&, what] {
            std::lock_guard g(lock);
            ran.emplace_back(what, clock.Now());
        };
    };
    auto settle = [&](std::size_t n) {
        for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(2ms))
            if (std::lock_guard g(lock); ran.size() >= n)
                return;
    };
    const Clock::TimePoint t0 = clock.Now();
    {
        using Kind = SequenceRunner::Kind;
        SequenceRunner runner(clock);
        runner.Run(Kind::RitOffset,
                   {{record("a1"), 30ms}, {record("a2"), 30ms}, {record("a3"), {}}});
        runner.Run(Kind::ScanSetup, {{record("s1"), 200ms}, {record("s2"), {}}});
        runner.Post(record("c"));
        settle(3); // what is due at once runs without the clock moving
        EXPECT_TRUE(runner.Running(Kind::RitOffset));
        runner.RunUnlessRunning(Kind::RitOffset, {{record("x"), {}}}); // a2, a3 are left
        clock.Advance(10ms);
        runner.Run(Kind::ScanSetup, {{record("t1"), {}}}); // s2 never runs
        settle(4);
        // Each step is let run before the clock moves on, so each is stamped
        // with the time it was due.
        clock.Advance(20ms);
        settle(5);
        clock.Advance(30ms);
        settle(6);
        runner.RunUnlessRunning(Kind::RitOffset, {{record("u"), {}}}); // a3 is out
        settle(7);
        clock.Advance(300ms); // nothing else is due
        runner.Finish();
        EXPECT_FALSE(runner.Running(Kind::RitOffset));
        EXPECT_FALSE(runner.Post(record("late")));
    }
    // s2 and x never ran; single commands do not wait for sequences.
    std::map<std::string, Clock::Duration> at;
    for (auto& [name, when] : ran)
        at[name] = when - t0;
    EXPECT_EQ(ran.size(), 7u);
    const std::map<std::string, Clock::Duration> expected = {
        {"a1", 0ms},  {"c", 0ms},   {"s1", 0ms}, {"t1", 10ms},
        {"a2", 30ms}, {"a3", 60ms}, {"u", 60ms}};
    EXPECT_EQ(at, expected);
}

// On the real clock: a quit waits for the steps still to come, pauses and all.
TEST(SequenceRunner, FinishRunsWhatIsLeftOfARunningSequence) {
    std::atomic<int> ran = 0;
    SequenceRunner runner;
    const SequenceRunner::Action step = [&] { ++ran; };
    runner.Run(SequenceRunner::Kind::Shutdown, {{step, 20ms}, {step, 20ms}, {step, {}}});
    runner.Finish();
    EXPECT_EQ(ran, 3);
}

TEST(RadioModel, TellsEveryChangeWhoeverMadeIt) {
    K2RadioModel model;
    std::vector<uint32_t> heard;
    auto watch = model.Observe([&](uint32_t c) { heard.push_back(c); });
    model.ApplyReply(ID_MD, "MD2");
    model.SetPower(50);
    model.SetPttKeyed(true);
    model.UpdateLink([](LinkMonitor& l) { return l.Opened("/dev/ttyUSB0"); });
    model.UpdateLink([](LinkMonitor&) { return false; }); // no change: nothing told
    // Too short to be a frequency report, but an answer: the link goes live.
    model.ApplyReply(ID_FA, "FA0000704");
    model.ApplyReply(ID_FA, "FA0000704"); // live already: not news
    ASSERT_EQ(heard.size(), 5u);
    heard[0] &= rc::kMode;
    EXPECT_EQ(heard,
              (std::vector<uint32_t>{rc::kMode, rc::kPower, rc::kTransmit, rc::kLink, rc::kLink}));
    // An IF report that turns XIT on, and nothing else, is an offset-switch change.
    model.ApplyReply(ID_IF, "IF00007000400     +000000 0002000001 ");
    heard.clear();
    model.ApplyReply(ID_IF, "IF00007000400     +000001 0002000001 ");
    ASSERT_TRUE(model.Fields().xitOn);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0] & rc::kRitXit, rc::kRitXit);
}
