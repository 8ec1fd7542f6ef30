#include "panel/FrontPanelControls.h"
#include "radio/CK2CommChannel.h"
#include "radio/K2Commands.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace tamrel;
using namespace std::chrono_literals;
using Texts = std::vector<std::string>;

namespace {

int IdOf(std::string_view text) {
    for (std::size_t i = 0; i < kCommandNames.size(); ++i)
        if (text.substr(0, 2) == kCommandNames[i])
            return static_cast<int>(i) + 1;
    return 0;
}

// The panel's controls wired to a channel whose far end is a pseudo-terminal.
class PanelWire : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(channel.OpenDevice(peer.device(), 0, 4800, 8, 0, 2), K2_OK);
        model.SetChannel(&channel);
    }
    void Reply(std::string_view text) { model.ApplyReply(IdOf(text), text); }
    // Everything written so far: a marker command ends the collection, so no
    // test waits on a clock.
    Texts Sent() {
        channel.SendCommand("ZZ");
        EXPECT_TRUE(
            peer.collectUntil([](const auto& c) { return !c.empty() && c.back().text == "ZZ"; }));
        Texts t = peer.texts();
        t.pop_back();
        peer.clear();
        return t;
    }

    test::PtyPeer peer;
    CK2CommChannel channel;
    CFrontPanelModel model;
    CFrontPanelControls controls{model, &channel};
};

} // namespace

TEST_F(PanelWire, LockSilencesFrequencyControlsOnly) {
    controls.OnVfoLock();
    EXPECT_TRUE(model.View().vfoLock);
    controls.OnTuneStep(true, 1);
    controls.OnBandStep(false);
    controls.OnCopyAToB();
    controls.OnCopyBToA();
    controls.OnReceiveVfo(1);
    controls.OnTransmitVfo(1);
    controls.OnBandSelected(4);
    controls.OnFrequencyEditFocus(0);
    controls.OnEnterFrequency(0, "7040.5");
    controls.OnTuningSlider(kThumbTrack, 2810000);
    EXPECT_EQ(Sent(), Texts{"LK1"});
    EXPECT_FALSE(model.View().editWritable[0]);
    EXPECT_EQ(model.Fields().vfoB, 14060000u);

    controls.OnRit();
    controls.OnMode(2);
    controls.OnAgc(2);
    controls.OnCrystalFilter(1);
    controls.OnPreamp();
    controls.OnAttenuator();
    controls.OnAudioFilter();
    controls.OnNoiseBlanker();
    controls.OnAntenna();
    controls.OnTune();
    controls.OnClearOffset();
    controls.OnOffsetStep(false);
    controls.OnVfoLock();
    controls.OnTuneStep(false, 4);
    EXPECT_EQ(Sent(), (Texts{"RT1", "MD2", "GT0021", "FW00001", "PA1", "RA01", "SW29", "NB1", "AN2",
                             "SW20", "RC", "RD", "LK0", "DN4"}));
}

TEST_F(PanelWire, SameGuardsAndAgcOff) {
    Reply("MD3");
    controls.OnMode(3);
    controls.OnCrystalFilter(4);
    model.ShowStatus("Memory saved", StatusStyle::Error);
    controls.OnAgc(0); // already off: nothing sent, Off still shown selected
    EXPECT_EQ(model.View().agcSelected, (std::array<bool, 3>{false, false, true}));
    EXPECT_EQ(model.View().statusText, "");
    EXPECT_EQ(Sent(), Texts{});
    Reply("GT0041");
    controls.OnAgc(4);
    controls.OnAgc(0);
    EXPECT_EQ(Sent(), Texts{"GT0000"});
    EXPECT_EQ(model.Fields().agc, 0);
    EXPECT_TRUE(model.View().agcSelected[kAgcOff]);
}

TEST_F(PanelWire, VfoButtonsAndFrequencyEntry) {
    controls.OnFrequencyEditFocus(1); // B does not receive: stays read-only
    EXPECT_FALSE(model.View().editWritable[1]);
    controls.OnFrequencyEditFocus(0);
    EXPECT_TRUE(model.View().editWritable[0]);
    EXPECT_EQ(model.View().entryButton[0], MakeRgb(223, 109, 226));
    controls.OnFrequencyEditFocusLost(0);
    EXPECT_FALSE(model.View().editWritable[0]);
    EXPECT_TRUE(model.View().entryEnabled[0]); // its own ">>" can still be clicked
    controls.OnEnterFrequency(0, "7040.5");
    EXPECT_FALSE(model.View().entryEnabled[0]);
    EXPECT_EQ(model.View().entryButton[0], colour::kSilver);
    EXPECT_EQ(model.Fields().vfoA, 7040500u);
    controls.OnEnterFrequency(0, "abc"); // unreadable: nothing sent
    controls.OnCopyAToB();
    controls.OnReceiveVfo(1);
    controls.OnTransmitVfo(0);
    EXPECT_EQ(Sent(), (Texts{"FA00007040500", "FB00007040500", "FR1", "FT0"}));
    EXPECT_EQ(model.Fields().vfoB, 7040500u);
    EXPECT_EQ(model.Fields().receiveVfo, 1);
    EXPECT_EQ(model.Fields().transmitVfo, 0);

    Reply("FA00014060000");
    controls.OnBandSelected(6); // receive VFO B: FB with 40 m's memory
    controls.OnBandSelected(model.CurrentBand().index);
    EXPECT_EQ(Sent(), Texts{"FB00007040000"});
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

TEST_F(PanelWire, OffsetSliderStepsAndClear) {
    controls.OnOffsetSlider(kThumbTrack, 1125);
    EXPECT_EQ(model.View().offsetSliderText, "125");
    const auto start = std::chrono::steady_clock::now();
    controls.OnOffsetSlider(kEndScroll, 1125);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 108ms); // 10 ms after each step
    EXPECT_EQ(Sent(), Texts(12, "RU"));
    EXPECT_EQ(model.View().offset.pos, 1125); // until IF reports the offset reached
    Reply("IF00014060000     +012010 0003000001 ");
    EXPECT_EQ(model.View().offset.pos, 1120);
    controls.OnOffsetSlider(kPageUp, 0);
    controls.OnOffsetSlider(kLineUp, 0);
    controls.OnOffsetSlider(kEndScroll, 0); // 1060: 60 Hz below 120
    EXPECT_EQ(Sent(), Texts(6, "RD"));
    controls.OnClearOffset();
    EXPECT_EQ(model.View().offset.pos, 1000);
    EXPECT_EQ(model.View().offsetSliderText, "0");
    EXPECT_EQ(Sent(), Texts{"RC"});
}

TEST_F(PanelWire, PowerSpeedAndSquelchSliders) {
    controls.OnPowerSlider(kLineDown, 0);
    EXPECT_EQ(model.Fields().power, 0);
    controls.OnPowerSlider(kThumbTrack, 145);
    controls.OnPowerSlider(kPageDown, 0);
    EXPECT_EQ(model.Fields().power, 5);
    EXPECT_EQ(model.View().power.pos, 145);
    EXPECT_EQ(model.View().powerText, "   0.5");
    controls.OnPowerSlider(kEndScroll, 145);
    controls.SetPaOption(true);
    controls.OnPowerSlider(kPageUp, 0);
    controls.OnPowerSlider(kEndScroll, 0);

    controls.OnSpeedSlider(kLineUp, 0); // from the initial 1: at least 9
    controls.OnSpeedSlider(kPageDown, 0);
    controls.OnSpeedSlider(kEndScroll, 0);
    controls.OnSquelchSlider(kThumbTrack, 130);
    controls.OnSquelchSlider(kEndScroll, 130);
    EXPECT_EQ(model.View().squelchSlider.pos, 125);
    EXPECT_EQ(Sent(), (Texts{"PC0050", "PC0151", "KS014", "SQ125"}));
}

TEST_F(PanelWire, TuningSliderFollowsThumbOncePerPosition) {
    Reply("FA00014060000");
    for (int pos = 1406001; pos <= 1406005; ++pos)
        controls.OnTuningSlider(kThumbTrack, pos);
    controls.OnTuningSlider(kThumbPosition, 1406005);
    controls.OnTuningSlider(kEndScroll, 1406005);
    EXPECT_EQ(Sent(), (Texts{"FA00014060010", "FA00014060020", "FA00014060030", "FA00014060040",
                             "FA00014060050"}));
    EXPECT_EQ(model.View().tuningText, "  14060.05");
    Reply("FA00014060020"); // on the way: the thumb stays
    EXPECT_EQ(model.View().tuning.pos, 1406000);
    Reply("FA00014060050");
    EXPECT_EQ(model.View().tuning.pos, 1406005);

    controls.ToggleReleaseTuning();
    EXPECT_EQ(model.View().tuningEditBack, MakeRgb(111, 111, 255));
    controls.OnTuningSlider(kThumbTrack, 1407000);
    controls.OnTuningSlider(kThumbTrack, 1408000);
    EXPECT_EQ(model.View().tuningText, "  14080.00");
    EXPECT_EQ(Sent(), Texts{});
    controls.OnTuningSlider(kEndScroll, 1408000);
    EXPECT_EQ(Sent(), Texts{"FA00014080000"});
    Reply("FA00014060050"); // the old frequency does not pull the thumb back
    EXPECT_EQ(model.View().tuning.pos, 1406005);
    controls.ToggleReleaseTuning();
    EXPECT_EQ(model.View().tuningEditBack, colour::kSilver);
}

TEST_F(PanelWire, TuningRangeComboSavesWithoutClearingStatus) {
    int saved = -1;
    controls.SetTuningRangeSaver([&](int r) { saved = r; });
    Reply("FA00014001000");
    model.ShowStatus("Memory 3 recalled");
    controls.OnTuningRangeSelected(3);
    EXPECT_EQ(saved, 3);
    EXPECT_EQ(model.View().tuning, (SliderView{1400000, 1400500, 1400100}));
    EXPECT_EQ(model.View().statusText, "Memory 3 recalled");
}

TEST(PanelNoPort, ControlsStillChangeState) {
    CFrontPanelModel model;
    CFrontPanelControls controls(model, nullptr);
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
    Reply("FA00014060000");
    EXPECT_EQ(model.View().portText, "/dev/ttyUSB0");
    EXPECT_TRUE(peer.collectUntil(
        [](const auto& c) {
            return std::any_of(c.begin(), c.end(), [](const auto& x) { return x.text == "BG"; });
        },
        5s));
}
