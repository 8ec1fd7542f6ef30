#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"
#include "radio/SequenceRunner.h"

#include <gtest/gtest.h>

#include <map>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

using namespace tamrel;
using namespace std::chrono_literals;
namespace rc = radio_change;

TEST(K2RadioModel, RepliesReportWhatTheyChanged) {
    K2RadioModel m;
    EXPECT_EQ(m.ApplyReply(ID_FA, "FA00014060000"),
              rc::kFirstReply | rc::kVfoA | rc::kFollow | rc::kBand | rc::kVfoMemory);
    EXPECT_EQ(m.CurrentBand().index, 4);
    EXPECT_EQ(m.FollowHz(), 14060000u);
    // Inside the band: no band change; B does not receive, so no follow.
    EXPECT_EQ(m.ApplyReply(ID_FA, "FA00014070000"), rc::kVfoA | rc::kFollow | rc::kVfoMemory);
    EXPECT_EQ(m.ApplyReply(ID_FB, "FB00014080000"), rc::kVfoB | rc::kVfoMemory);
    EXPECT_EQ(m.VfoMemoryTable()[4], (VfoPair{14070000, 14080000}));
    // FR follows without a band lookup and stores no memory.
    EXPECT_EQ(m.ApplyReply(ID_FR, "FR1"), rc::kReceiveVfo | rc::kFollow);
    EXPECT_EQ(m.FollowHz(), 14080000u);
    EXPECT_EQ(m.ApplyReply(ID_FA, "FA0001406000"), 0u); // ten digits: line noise
    EXPECT_EQ(m.ApplyReply(ID_PC, "PC0501"), rc::kPower);
    EXPECT_EQ(m.Snapshot().power, 50u);
    EXPECT_EQ(m.Fields().powerRange, 1);
    EXPECT_EQ(m.ApplyReply(ID_DS, "DSHELLO4A02"), rc::kDisplay);
    EXPECT_EQ(m.Fields().iconByte, 0x4a);
    EXPECT_EQ(m.Fields().blinkByte, 0x02);
    EXPECT_EQ(m.ApplyReply(ID_TX, "TX"), 0u);

    // The gate holds back reports of the receive VFO until the target comes.
    m.ApplyReply(ID_FR, "FR0");
    m.ArmTuneGate(14065000);
    EXPECT_EQ(m.ApplyReply(ID_FA, "FA00014061000"), rc::kVfoA);
    EXPECT_TRUE(m.TunePending());
    EXPECT_EQ(m.ApplyReply(ID_FA, "FA00014065000"), rc::kVfoA | rc::kFollow | rc::kVfoMemory);
    EXPECT_FALSE(m.TunePending());

    m.ExpectFirstReply();
    EXPECT_TRUE(m.ApplyReply(ID_TX, "TX") & rc::kFirstReply);
}

TEST(RadioOperations, GuardsHoldWithoutAPort) {
    K2RadioModel m;
    RadioOperations ops(m);
    int keyer = -1;
    auto watch = m.Observe([&](uint32_t c) {
        if (c & radio_change::kKeyer)
            keyer = m.Fields().keyerState;
    });
    ops.ApplyReply(ID_KY, "KY1");
    EXPECT_EQ(keyer, 1);
    ops.ApplyReply(ID_LK, "LK1");
    EXPECT_FALSE(ops.SetVfoFrequency(0, 7000000));
    EXPECT_FALSE(ops.CopyVfo(0, 1));
    EXPECT_FALSE(ops.SelectBand(3));
    EXPECT_EQ(m.Fields().vfoB, 14060000u);
    ops.SetVfoLock(false);
    EXPECT_TRUE(ops.CopyVfo(0, 1));
    EXPECT_EQ(m.Fields().vfoB, m.Fields().vfoA);
    EXPECT_EQ(ops.ToggleXit(), std::make_pair(false, true));
    EXPECT_EQ(ops.ToggleRit(), std::make_pair(true, false)); // never both
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
    auto count = [&] {
        std::lock_guard g(lock);
        return ran.size();
    };
    auto settle = [&](std::size_t n) {
        for (int i = 0; i < 500 && count() < n; ++i)
            std::this_thread::sleep_for(2ms);
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
    std::map<std::string, Clock::Duration> at;
    for (auto& [name, when] : ran)
        at[name] = when - t0;
    EXPECT_EQ(ran.size(), 7u);
    EXPECT_EQ(at.count("s2"), 0u);
    EXPECT_EQ(at.count("x"), 0u);
    EXPECT_EQ(at["u"], 60ms);
    EXPECT_EQ(at["a1"], 0ms);
    EXPECT_EQ(at["c"], 0ms); // single commands do not wait for sequences
    EXPECT_EQ(at["a2"], 30ms);
    EXPECT_EQ(at["a3"], 60ms);
    EXPECT_EQ(at["t1"], 10ms);
}

TEST(RadioModel, TellsEveryChangeWhoeverMadeIt) {
    namespace rc = radio_change;
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
    ASSERT_EQ(heard.size(), 5u);
    EXPECT_EQ(heard[0] & rc::kMode, rc::kMode);
    EXPECT_EQ(heard[1], rc::kPower);
    EXPECT_EQ(heard[2], rc::kTransmit);
    EXPECT_EQ(heard[3], rc::kLink);
    EXPECT_EQ(heard[4], rc::kLink);
    // An IF report that turns XIT on, and nothing else, is an offset-switch change.
    model.ApplyReply(ID_IF, "IF00007000400     +000000 0002000001 ");
    heard.clear();
    model.ApplyReply(ID_IF, "IF00007000400     +000001 0002000001 ");
    ASSERT_TRUE(model.Fields().xitOn);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0] & rc::kRitXit, rc::kRitXit);
}
