#include "radio/CSequenceRunner.h"
#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"

#include <gtest/gtest.h>

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

TEST(SequenceRunner, PacesStepsAndReplacesARunningSequenceOfItsKind) {
    std::mutex lock;
    std::vector<std::pair<std::string, CSequenceRunner::Clock::time_point>> ran;
    auto record = [&](std::string what) {
        return [&, what] {
            std::lock_guard g(lock);
            ran.emplace_back(what, CSequenceRunner::Clock::now());
        };
    };
    {
        CSequenceRunner runner;
        runner.Run(CSequenceRunner::Kind::RitOffset,
                   {{record("a1"), 30ms}, {record("a2"), 30ms}, {record("a3"), {}}});
        runner.Run(CSequenceRunner::Kind::ScanSetup, {{record("s1"), 200ms}, {record("s2"), {}}});
        runner.Post(record("c"));
        std::this_thread::sleep_for(10ms);
        runner.Run(CSequenceRunner::Kind::ScanSetup, {{record("t1"), {}}}); // s2 never runs
        runner.Finish();
        EXPECT_FALSE(runner.Running(CSequenceRunner::Kind::RitOffset));
        EXPECT_FALSE(runner.Post(record("late")));
    }
    std::vector<std::string> names;
    for (auto& r : ran)
        names.push_back(r.first);
    auto at = [&](const std::string& n) {
        for (auto& r : ran)
            if (r.first == n)
                return r.second;
        ADD_FAILURE() << n;
        return CSequenceRunner::Clock::time_point{};
    };
    EXPECT_EQ(std::count(names.begin(), names.end(), "s2"), 0);
    EXPECT_EQ(names.size(), 6u);
    EXPECT_GE(at("a2") - at("a1"), 30ms);
    EXPECT_GE(at("a3") - at("a2"), 30ms);
    EXPECT_LT(at("c"), at("a2")); // single commands do not wait for sequences
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
}
