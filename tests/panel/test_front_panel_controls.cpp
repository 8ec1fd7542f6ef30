#include "TestPanel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

using namespace tamrel;
using namespace std::chrono_literals;
using Texts = std::vector<std::string>;
using test::PanelWire;

TEST_F(PanelWire, VfoButtonsAndFrequencyEntry) {
    controls.OnFrequencyEditFocus(1); // B does not receive: stays read-only
    EXPECT_FALSE(model.View().editWritable[1]);
    controls.OnFrequencyEditFocus(0);
    EXPECT_TRUE(model.View().editWritable[0]);
    EXPECT_EQ(model.View().entryButton[0], MakeRgb(223, 109, 226));
    controls.OnEnterFrequency(0, "7040.5"); // nothing typed: nothing sent
    controls.OnFrequencyEdited(0);
    EXPECT_TRUE(model.View().editing[0]);
    controls.OnEnterFrequency(0, "7040.5");
    EXPECT_FALSE(model.View().editing[0]);
    EXPECT_EQ(model.Fields().vfoA, 7040500u);
    controls.OnFrequencyEdited(0);
    controls.OnEnterFrequency(0, "abc"); // unreadable: nothing sent
    controls.OnFrequencyEdited(0);
    controls.OnFrequencyEditFocusLost(0); // the typed text is dropped
    EXPECT_FALSE(model.View().editing[0]);
    EXPECT_FALSE(model.View().editWritable[0]);
    EXPECT_FALSE(model.View().entryEnabled[0]);
    EXPECT_EQ(model.View().entryButton[0], colour::kSilver);
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
}

TEST(TypedFrequency, KilohertzMegahertzAndTheRadiosRange) {
    const std::pair<const char*, uint32_t> good[] = {
        {"7040.5", 7040500},   {"7040,5", 7040500}, {"14.0605", 14060500}, {"14,0605", 14060500},
        {" 14060 ", 14060000}, {"0.5", 500000},     {"30000", 30000000},   {"3.5000004", 3500000},
        {"99.5e", 0},          {"1.8", 1800000},    {"28.4", 28400000},    {"100.5", 0}};
    for (auto [text, hz] : good) {
        const TypedFrequency f = ParseTypedFrequency(text);
        EXPECT_EQ(f.hz, hz) << text;
        EXPECT_EQ(f.refusal.empty(), hz != 0) << text << ": " << f.refusal;
    }
    for (const char* bad : {"", ".", "abc", "7040.5.1", "-7040", "99999", "14", "30000.01", "99.9",
                            "123456789012345678901234"})
        EXPECT_FALSE(ParseTypedFrequency(bad).refusal.empty()) << bad;
    EXPECT_EQ(ParseTypedFrequency("99999").refusal, "99999 kHz: not in 0.5-30 MHz");
}

TEST_F(PanelWire, RitXitToggles) {
    controls.OnXit();
    EXPECT_EQ(model.View().offsetEditBack, MakeRgb(223, 83, 118));
    controls.OnRit(); // XIT goes off first
    EXPECT_EQ(Sent(), (Texts{"XT1", "XT0", "RT1"}));
    EXPECT_EQ(model.View().offsetEditBack, MakeRgb(159, 117, 206));
    EXPECT_EQ(model.View().ritButton, colour::kOn);
    EXPECT_EQ(model.View().xitButton, colour::kSilver);
    EXPECT_TRUE(model.View().ritXitControlsEnabled);
    controls.OnRit();
    EXPECT_EQ(Sent(), Texts{"RT0"});
    EXPECT_EQ(model.View().offsetEditBack, colour::kSilver);
    EXPECT_FALSE(model.View().ritXitControlsEnabled);
}

TEST_F(PanelWire, TuningRangeComboSavesWithoutClearingStatus) {
    model.Reply("FA00014001000");
    model.ShowStatus("Memory 3 recalled");
    controls.OnTuningRangeSelected(3);
    EXPECT_EQ(savedRange, 3);
    EXPECT_EQ(model.View().tuning, (SliderView{1400000, 1400500, 1400100}));
    EXPECT_EQ(model.View().statusText, "Memory 3 recalled");
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

TEST(PanelNoPort, ControlsStillChangeState) {
    test::TestPanel model;
    FrontPanelControls controls(model, model.ops, [](int) {});
    controls.OnReceiveVfo(1);
    controls.OnCopyAToB();
    controls.OnAntenna();
    EXPECT_EQ(model.Fields().receiveVfo, 1);
    EXPECT_EQ(model.Fields().transmitVfo, 1);
    EXPECT_EQ(model.Fields().vfoB, model.Fields().vfoA);
    EXPECT_EQ(model.Fields().antenna, 2);
}

TEST_F(PanelWire, FirstReplyStartsStatusPolling) {
    model.SetPortLabel("/dev/ttyUSB0");
    model.Reply("FA00014060000");
    EXPECT_EQ(model.View().portText, "/dev/ttyUSB0");
    EXPECT_TRUE(peer.collectUntil(
        [](const auto& c) {
            return std::any_of(c.begin(), c.end(), [](const auto& x) { return x.text == "BG"; });
        },
        5s));
}
