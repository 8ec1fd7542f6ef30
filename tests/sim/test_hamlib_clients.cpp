// Real client programs' calls through hamlib's own network client: WSJT-X and
// fldigi as they were seen to call Debian's libhamlib 4.5 (replayed by
// hamlib_replay), and hamlib 4.7's rigctl, which asks \get_lock_mode on every
// mode change. Each starts from the simulated K2 in CW on 20 m and ends by
// checking what the radio itself holds.
#include "SimulatedStation.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <map>
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

// The radio's own state, once what was queued has reached it.
void ExpectRadio(test::SimulatedStation& station, const RadioState& end) {
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

// hamlib 4.7.2's rigctl, built from ../shared/hamlib, with its own timing of
// each call. It asks \get_lock_mode on every mode change and waits for both lines.
TEST(HamlibClients, Hamlib47RigctlChangesModeBandAndPttWithoutWaiting) {
    const QString build = QStringLiteral(TAMREL_SHARED_HAMLIB "/build.sh");
    if (!QFileInfo::exists(build))
        GTEST_SKIP() << "../shared/hamlib is not present: hamlib 4.7.2 not tried";
    QProcess make;
    make.start("bash", {build});
    ASSERT_TRUE(make.waitForFinished(15 * 60 * 1000)) << "building hamlib 4.7.2 took too long";
    const QString rigctl =
        QDir(QString::fromUtf8(make.readAllStandardOutput()).trimmed().split('\n').last())
            .filePath("rigctl");
    if (make.exitCode() != 0 || !QFileInfo(rigctl).isExecutable())
        GTEST_SKIP() << "hamlib 4.7.2 could not be built: "
                     << make.readAllStandardError().toStdString();

    // From CW; without the client's cache every get reaches the server.
    test::SimulatedStation station;
    const QString address = QString("127.0.0.1:%1").arg(station.server.port());
    const QStringList calls = QString("set_cache 0 M USB 0 T 1 t T 0 M PKTUSB 0 m F 14060055 f "
                                      "F 7074000 m M USB 0 T 1 T 0")
                                  .split(' ');
    auto client =
        test::StartProgram(rigctl, QStringList{"-m", "2", "-r", address, "-vvvvv", "-Z"} + calls);
    const QString out = test::FinishProgram(*client);
    // The modes and frequencies read back, in the order rigctl prints them
    // among its debugging lines. (A get in the same millisecond as a set still
    // comes from the client's cache, so passbands and PTT are not compared.)
    QStringList values;
    for (const QString& line : out.split('\n'))
        if (QRegularExpression("^(USB|PKTUSB|CW|[0-9]{7,8})$").match(line).hasMatch())
            values << line;
    EXPECT_EQ(values, QStringList({"PKTUSB", "14060050", "CW"})) << out.toStdString();
    // hamlib's own timing of every set: a mode change once waited 20 s here.
    std::map<std::string, std::vector<int>> elapsed;
    const QRegularExpression timing("(rig_set_mode|rig_set_freq|rig_set_ptt): elapsed=(\\d+)ms");
    for (auto it = timing.globalMatch(QString::fromUtf8(client->readAllStandardError()));
         it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        elapsed[m.captured(1).toStdString()].push_back(m.captured(2).toInt());
    }
    EXPECT_EQ(elapsed["rig_set_mode"].size(), 3u);
    EXPECT_EQ(elapsed["rig_set_freq"].size(), 2u);
    EXPECT_EQ(elapsed["rig_set_ptt"].size(), 4u);
    for (const auto& [call, times] : elapsed)
        for (int ms : times)
            EXPECT_LT(ms, 1500) << call;
    ExpectRadio(station, {7074000, 2, 0, false});
}

} // namespace
