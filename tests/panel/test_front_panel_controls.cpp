// The panel's controls without a window: the wire, the link's view, keyboard tuning.
#include "TestPanel.h"
#include "panel/CFrontPanelDlg.h"
#include "panel/KeyboardTuning.h"
#include "panel/LinkWatch.h"
#include "platform/Clock.h"
#include "radio/K2Commands.h"

#include <QtCore/qnamespace.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

using namespace tamrel;
using namespace std::chrono_literals;
using Texts = std::vector<std::string>;
using WallClock = LinkMonitor::Clock;
using test::PanelWire;

TEST_F(PanelWire, VfoButtonsFrequencyEntryRitXitAndTheTuningRange) {
    // The tuning range combo saves the range and leaves the status line alone.
    model.Reply("FA00014001000");
    model.ShowStatus("Memory 3 recalled");
    controls.OnTuningRangeSelected(3);
    EXPECT_EQ(savedRange, 3);
    EXPECT_EQ(model.View().statusText, "Memory 3 recalled");

    controls.OnFrequencyEditFocus(1); // B does not receive: stays read-only
    EXPECT_FALSE(model.View().editWritable[1]);
    controls.OnFrequencyEditFocus(0);
    EXPECT_TRUE(model.View().editWritable[0]);
    controls.OnEnterFrequency(0, "7040.5"); // nothing typed: nothing sent
    controls.OnFrequencyEdited(0);
    EXPECT_TRUE(model.View().editing[0]);
    controls.OnEnterFrequency(0, "7040.5");
    EXPECT_FALSE(model.View().editing[0]);
    EXPECT_EQ(model.Fields().vfoA, 7040500u);
    controls.OnFrequencyEdited(0);
    controls.OnFrequencyEditFocusLost(0); // the typed text is dropped
    EXPECT_FALSE(model.View().editing[0]);
    EXPECT_FALSE(model.View().editWritable[0]);
    EXPECT_FALSE(model.View().entryEnabled[0]);
    controls.OnCopyAToB();
    controls.OnReceiveVfo(1);
    controls.OnTransmitVfo(0);
    EXPECT_EQ(Sent(), (Texts{"FA00007040500", "FB00007040500", "FR1", "FT0"}));
    EXPECT_EQ(model.Fields().vfoB, 7040500u);
    EXPECT_EQ(model.Fields().receiveVfo, 1);
    EXPECT_EQ(model.Fields().transmitVfo, 0);

    model.Reply("FA00014060000");
    controls.OnBandSelected(6); // receive VFO B: FB with 40 m's memory
    controls.OnBandSelected(model.CurrentBand().index);
    EXPECT_EQ(Sent(), Texts{"FB00007040000"});

    controls.OnXit();
    controls.OnRit(); // XIT goes off first
    EXPECT_EQ(Sent(), (Texts{"XT1", "XT0", "RT1"}));
    EXPECT_EQ(model.View().ritButton, colour::kOn);
    EXPECT_EQ(model.View().xitButton, colour::kSilver);
    controls.OnRit();
    EXPECT_EQ(Sent(), Texts{"RT0"});
    EXPECT_FALSE(model.View().ritXitControlsEnabled);
}

TEST(TypedFrequency, KilohertzMegahertzAndTheRadiosRange) {
    const std::pair<const char*, uint32_t> good[] = {
        {"7040,5", 7040500}, {"14.0605", 14060500},  {" 14060 ", 14060000}, {"0.5", 500000},
        {"30000", 30000000}, {"3.5000004", 3500000}, {"99.5e", 0},          {"100.5", 0}};
    for (auto [text, hz] : good) {
        const TypedFrequency f = ParseTypedFrequency(text);
        EXPECT_EQ(f.hz, hz) << text;
        EXPECT_EQ(f.refusal.empty(), hz != 0) << text << ": " << f.refusal;
    }
    for (const char* bad :
         {"", "abc", "7040.5.1", "-7040", "14", "30000.01", "99.9", "123456789012345678901234"})
        EXPECT_FALSE(ParseTypedFrequency(bad).refusal.empty()) << bad;
    EXPECT_EQ(ParseTypedFrequency("99999").refusal, "99999 kHz: not in 0.5-30 MHz");
}

TEST_F(PanelWire, StoredStateGoesBackSkippingWhatTheEncodersRefuse) {
    model.Reply("FW050032");
    K2RadioState s;
    s.vfoA = 7040000;
    s.vfoB = 7041000;
    s.receiveVfo = 5; // not a VFO: refused, the rest still goes
    s.transmitVfo = 1;
    s.mode = 0; // not a mode
    s.crystalFilter = 2;
    peer.clear();
    model.ops.ApplyState(s);
    ASSERT_TRUE(peer.collectUntil([](const auto& c) {
        return std::any_of(c.begin(), c.end(), [](auto& x) { return x.text.starts_with("FW"); });
    }));
    Texts texts = peer.texts();
    std::erase_if(texts, [](const std::string& t) { return t == "DS" || t == "BG"; });
    EXPECT_EQ(texts, (Texts{"FA00007040000", "FB00007041000", "FT1", "FW05002"}));
}

namespace {

// A change of the link's state, shown as the window shows it.
void Link(test::TestPanel& m, const std::function<bool(LinkMonitor&)>& change) {
    if (m.radio.UpdateLink(change))
        m.Present(radio_change::kLink);
}
// The lamp and the status line.
using Seen = std::tuple<Rgb, std::string, StatusStyle>;
Seen Shown(const test::TestPanel& m) {
    return {m.View().linkLamp, m.View().statusText, m.View().statusStyle};
}

} // namespace

TEST(LinkView, LampStatusLineAndValuesFollowTheLinkAndTheReplies) {
    test::TestPanel m;
    EXPECT_EQ(m.View().linkLamp, colour::kSilver);
    EXPECT_NE(m.View().linkTip.find("no port"), std::string::npos);

    Link(m, [&](LinkMonitor& l) { return l.OpenFailed("/dev/ttyUSB0", EACCES); });
    EXPECT_EQ(Shown(m), (Seen{colour::kLinkFailed,
                              "Cannot open /dev/ttyUSB0: Permission denied. Add your user to the "
                              "dialout group, then log in again.",
                              StatusStyle::Error}));
    EXPECT_EQ(m.View().portText, "ttyUSB0");

    // Opening it later: amber, and the failure text goes.
    Link(m, [&](LinkMonitor& l) { return l.Opened("/dev/ttyUSB0"); });
    EXPECT_EQ(Shown(m), (Seen{colour::kLinkWaiting, "", StatusStyle::Normal}));
    // A radio that answers only question marks is not live, nor garbled.
    for (int i = 0; i < 20; ++i)
        m.ApplyReply(ID_NONE, "?");
    EXPECT_EQ(m.radio.Link().State(), LinkState::Waiting);
    EXPECT_EQ(m.radio.UnreadReplies(), 0u);
    m.ApplyReply(ID_NONE, "Q#");
    m.ApplyReply(ID_MD, "MD");
    m.ApplyReply(ID_FA, "FA0001406x000");
    EXPECT_EQ(m.radio.UnreadReplies(), 3u);
    m.ApplyReply(ID_LK, "LK0");
    EXPECT_EQ(m.radio.Link().State(), LinkState::Live);
    EXPECT_EQ(m.radio.UnreadReplies(), 3u);
    m.ApplyReply(ID_FA, "FA00007030000");
    EXPECT_EQ(m.View().linkLamp, colour::kLinkLive);
    EXPECT_EQ(m.View().vfoAText, "   7030.00");
    EXPECT_EQ(m.View().vfoBText, kUnknownKHz); // its own reply has not come yet

    const auto t0 = WallClock::now();
    for (auto after : {0s, 1s, 2s})
        Link(m, [&](LinkMonitor& l) { return l.OnPollTick(10, t0 + after); });
    const Seen silent{colour::kLinkWaiting, "The radio is not answering on /dev/ttyUSB0.",
                      StatusStyle::Error};
    EXPECT_EQ(Shown(m), silent);
    EXPECT_NE(m.View().linkTip.find("No reply since"), std::string::npos);
    // The last values are not the radio's now; a click's clearing keeps the error.
    EXPECT_EQ(m.View().vfoAText, kUnknownKHz);
    m.ClearStatus();
    EXPECT_EQ(Shown(m), silent);
    // Answering again clears only the link's own text.
    Link(m, [&](LinkMonitor& l) { return l.OnPollTick(11, t0 + 3s); });
    EXPECT_EQ(Shown(m), (Seen{colour::kLinkLive, "", StatusStyle::Normal}));
    EXPECT_EQ(m.View().vfoAText, "   7030.00");

    Link(m, [&](LinkMonitor& l) { return l.Lost(EIO); });
    EXPECT_EQ(m.View().linkLamp, colour::kLinkFailed);
    EXPECT_EQ(m.View().statusStyle, StatusStyle::Error);
    EXPECT_NE(m.View().statusText.find("Lost /dev/ttyUSB0"), std::string::npos);
    m.ShowStatus("something else");
    Link(m, [&](LinkMonitor& l) { return l.Reopened(); });
    EXPECT_EQ(m.View().linkLamp, colour::kLinkWaiting);
    EXPECT_EQ(m.View().statusText, "something else"); // not the link's to clear
    EXPECT_EQ(m.View().vfoAText, kUnknownKHz);        // back, but not answered yet
    m.ApplyReply(ID_FA, "FA00007031000");
    EXPECT_EQ(m.View().vfoAText, "   7031.00");
}

TEST(KeyboardTuning, KeysStepsShiftAndWheelNotches) {
    EXPECT_EQ(KeyTuningDelta(Qt::Key_Down, false, 100), -100);
    EXPECT_EQ(KeyTuningDelta(Qt::Key_PageDown, true, 10), -1000);
    EXPECT_EQ(KeyTuningDelta(Qt::Key_Left, false, 10), 0);
    EXPECT_EQ(TuneStepHz(2), 1000);
    EXPECT_EQ(TuneStepHz(7), 10);
    // Only a vertical turn counts; a high-resolution wheel's parts add up.
    WheelNotches wheel;
    EXPECT_EQ(wheel.Turn({120, 0}) + wheel.Turn({0, 0}), 0);
    int notches = 0;
    for (int i = 0; i < 5; ++i)
        notches += wheel.Turn({0, 40});
    EXPECT_EQ(notches, 1);
    EXPECT_EQ(wheel.Turn({0, 80}), 1);    // with the 80 left over
    EXPECT_EQ(wheel.Turn({0, -280}), -2); // with the 40 left over
}

TEST_F(PanelWire, StepsGoAsUpDownOrAsANewFrequency) {
    model.Reply("FA00014060000");
    controls.OnTuneBy(KeyTuningDelta(Qt::Key_Up, false, 10));
    controls.OnTuneBy(KeyTuningDelta(Qt::Key_Down, false, 1000));
    controls.OnTuneBy(KeyTuningDelta(Qt::Key_PageUp, false, 10));
    controls.OnTuneBy(KeyTuningDelta(Qt::Key_Up, true, 10));
    controls.OnTuneBy(KeyTuningDelta(Qt::Key_Up, true, 100));      // 1 kHz: the radio's own step
    controls.OnTuneBy(KeyTuningDelta(Qt::Key_PageUp, true, 1000)); // 100 kHz: one new frequency
    EXPECT_EQ(Sent(), (std::vector<std::string>{"UP1", "DN4", "UP3", "UP3", "UP3", "UP3", "UP4",
                                                "FA00014160000"}));

    model.ApplyReply(ID_LK, "LK1");
    controls.OnTuneBy(10);
    EXPECT_EQ(model.View().statusText, kVfoLockedStatus);
    controls.OnTuneBy(-100000);
    EXPECT_EQ(Sent(), std::vector<std::string>{});
    model.ApplyReply(ID_LK, "LK0");
    controls.OnTuneBy(10);
    EXPECT_EQ(model.View().statusText, "");
    EXPECT_EQ(Sent(), std::vector<std::string>{"UP1"});
}

TEST_F(PanelWire, TheWholeStateIsReadAgainNowAndThenAndSoonAfterAGarbledReply) {
    model.Reply("FA00014060000");
    ManualClock clock;
    int refreshes = 0;
    LinkWatch watch(
        model.radio, clock, [] {},
        [&] {
            ++refreshes;
            model.ops.RefreshState();
        },
        20);
    watch.SetChannel(&channel);
    // A reply between ticks keeps the link live, as the status poll does.
    auto tick = [&] {
        model.ApplyReply(ID_BG, "BG05");
        watch.Tick();
    };
    for (int i = 0; i < 19; ++i)
        tick();
    EXPECT_EQ(refreshes, 0);
    tick();
    EXPECT_EQ(refreshes, 1);
    // The whole state, without the status poll between its queries.
    auto reread = [&] {
        EXPECT_TRUE(
            peer.collectUntil([](const auto& c) { return !c.empty() && c.back().text == "LK"; }));
        std::vector<std::string> t = peer.texts();
        std::erase_if(t, [](const std::string& c) { return c == "DS" || c == "BG"; });
        peer.clear();
        return t;
    };
    const std::vector<std::string> all = {"IF", "FA", "FB", "PA", "RA", "FW", "GT",
                                          "KS", "PC", "SQ", "AN", "NB", "LK"};
    EXPECT_EQ(reread(), all);

    // A garbled mode: read again at the fifth tick since the last reading.
    model.ApplyReply(ID_MD, "M\x7f");
    for (int i = 0; i < 4; ++i)
        tick();
    EXPECT_EQ(refreshes, 1);
    tick();
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(reread(), all);
}
