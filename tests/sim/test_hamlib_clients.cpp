// Real client programs' calls through hamlib's own network client: WSJT-X and
// fldigi as they were seen to call Debian's libhamlib 4.5, replayed by
// hamlib_replay. Each starts from the simulated K2 in CW on 20 m and ends by
// checking what the radio itself holds.
#include "SimulatedStation.h"

#include <memory>
#include <string>
#include <vector>

using namespace tamrel;
using tamrel::test::WaitUntil;

namespace {

// What the simulated radio holds at the end.
struct RadioState {
    uint32_t vfoA;
    int mode;
    int filter; // 0: not checked
    bool split;
};

struct Replay {
    const char* program;
    const char* calls;                // hamlib_replay's calls, separated by blanks
    std::vector<const char*> answers; // lines the calls must print
    RadioState end;
};

// hamlib's client answers a get from its cache for half a second after a set:
// the programs poll a second apart, so the replays pause before such gets.
const Replay kReplays[] = {
    {"WSJT-X 2.6.1: start, resolution probe, band change from CW, Tune",
     "get_vfo get_freq get_split get_mode set_freq:14060055 sleep:600 get_freq set_freq:14060000 "
     "get_ptt set_freq:7074000 set_mode_if:USB set_freq:7074000 sleep:600 get_mode get_vfo "
     "set_split:1:VFOB get_freq set_split_mode:USB:nochange set_ptt:1 sleep:600 get_ptt "
     "set_ptt:0 sleep:600 get_ptt get_split",
     {"get_freq = 14060050", "set_mode_if:USB = set USB", "get_mode = USB 2700", "get_ptt = 1",
      "get_ptt = 0", "get_split = 1 VFOB"},
     {7074000, 2, 0, true}},
    {"fldigi 4.1.23: start, mode to CW with the USB width, PTT for data in CW, back to USB",
     "get_vfo get_freq get_split get_mode set_ptt:0 set_ptt:0 set_freq:14070000 set_mode:CW:2700 "
     "set_ptt:3 sleep:600 get_ptt set_ptt:0 set_mode:USB:normal sleep:600 get_mode",
     {"get_ptt = 1", "get_mode = USB 2300"},
     {14070000, 2, 2, false}},
};

// The radio's own state, once what was queued has reached it (unused without libhamlib-dev).
[[maybe_unused]] void ExpectRadio(test::SimulatedStation& station, const RadioState& end) {
    const auto vfoAndMode = [&] {
        auto m = station.Radio().model();
        return std::pair(m->frequency(0, k2sim::Millis(0)), m->current().mode);
    };
    ASSERT_TRUE(WaitUntil([&] { return vfoAndMode() == std::pair(end.vfoA, end.mode); }, 5000))
        << "radio at " << vfoAndMode().first << " mode " << vfoAndMode().second;
    auto m = station.Radio().model();
    if (end.filter) {
        EXPECT_EQ(m->current().filter, end.filter);
    }
    EXPECT_EQ(m->split(), end.split);
    EXPECT_FALSE(m->transmitting(station.Radio().now()));
}

TEST(HamlibClients, ProgramsCallsThroughDebiansLibhamlib) {
#ifndef TAMREL_HAMLIB_REPLAY
    GTEST_SKIP() << "libhamlib-dev was not found when the tests were configured";
#else
    for (const Replay& r : kReplays) {
        SCOPED_TRACE(r.program);
        test::SimulatedStation station;
        const QString address = QString("127.0.0.1:%1").arg(station.server.port());
        const QStringList args = QStringList{address} + QString(r.calls).split(' ');
        const QString out = test::FinishProgram(*test::StartProgram(TAMREL_HAMLIB_REPLAY, args));
        for (const char* a : r.answers)
            EXPECT_TRUE(out.contains(QString(a) + "\n")) << a << "\n" << out.toStdString();
        ExpectRadio(station, r.end);
    }
#endif
}

} // namespace
