#include "TestPanel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace tamrel;
using test::IfReply;

namespace {

// Applies a reply from an exact-size heap copy, so that the address sanitizer
// catches any read past the reply's end.
void Apply(test::TestPanel& m, std::string_view text, int id = -1) {
    auto copy = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), copy.get());
    m.ApplyReply(id < 0 ? ReplyIdOf(text) : id, std::string_view(copy.get(), text.size()));
}

std::string Freq(const char* name, uint32_t hz) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%011u", name, hz);
    return buf;
}

constexpr Rgb kSilver = colour::kSilver;

} // namespace

TEST(FrontPanelPresenter, FrequencyReportsMoveSliderWindowAndBand) {
    test::TestPanel m;
    Apply(m, Freq("FA", 14050000)); // outside the 10 m window: band lookup
    EXPECT_EQ(m.CurrentBand().index, 4);
    EXPECT_EQ(m.View().tuning, (SliderView{1400000, 1435000, 1405000}));
    Apply(m, Freq("FA", 14060000)); // inside
    EXPECT_EQ(m.View().tuning.pos, 1406000);
    EXPECT_EQ(m.View().vfoAText, "  14060.00");
    EXPECT_EQ(m.View().bandIndex, 4);

    // FB while A receives: only B's text.
    Apply(m, Freq("FB", 14070000));
    EXPECT_EQ(m.View().vfoBText, "  14070.00");
    EXPECT_EQ(m.View().tuning.pos, 1406000);

    // Below every band: the band stays, the window is still set from it.
    m.SetTuningRangeIndex(1);
    Apply(m, Freq("FA", 500000));
    EXPECT_EQ(m.CurrentBand().index, 4);
    EXPECT_EQ(m.View().tuning, (SliderView{1400000, 1410000, 50000}));
    EXPECT_EQ(m.View().tuningText, "    500.00");
}

TEST(FrontPanelPresenter, TuningWindowKeepsInsideTheBand) {
    test::TestPanel m(3);
    Apply(m, Freq("FA", 14001000));
    EXPECT_EQ(m.View().tuning, (SliderView{1400000, 1400500, 1400100}));
    Apply(m, Freq("FA", 14349000));
    EXPECT_EQ(m.View().tuning, (SliderView{1434500, 1435000, 1434900}));
    m.SetTuningRangeIndex(2);
    m.SetTuningWindowAround(14100000);
    EXPECT_EQ(m.View().tuning, (SliderView{1408000, 1412000, 1410000}));
}

TEST(FrontPanelPresenter, TuneGateHoldsUntilTargetReported) {
    test::TestPanel m;
    Apply(m, Freq("FA", 7020000));
    m.radio.ArmTuneGate(7040000);
    Apply(m, Freq("FA", 7035000));
    EXPECT_EQ(m.View().vfoAText, "   7035.00");
    EXPECT_EQ(m.View().tuning.pos, 702000);
    EXPECT_EQ(m.View().tuningText, "   7020.00");
    Apply(m, Freq("FB", 7010000)); // not the receive VFO: not held back
    EXPECT_EQ(m.View().vfoBText, "   7010.00");
    Apply(m, Freq("FA", 7040000));
    EXPECT_EQ(m.View().tuning.pos, 704000);
}

TEST(FrontPanelPresenter, IfReplySetsRolesOffsetAndMode) {
    test::TestPanel m;
    Apply(m, IfReply(14060000, 120, 1, 0, 3, 0, 1)); // split: receive A, transmit B
    EXPECT_EQ(m.Fields().receiveVfo, 0);
    EXPECT_EQ(m.Fields().transmitVfo, 1);
    const PanelView& v = m.View();
    EXPECT_EQ(v.editABack, colour::kSplitReceive);
    EXPECT_EQ(v.editBBack, colour::kSplitTransmit);
    EXPECT_EQ(std::vector<Rgb>({v.rxA, v.txA, v.rxB, v.txB}),
              std::vector<Rgb>({colour::kOn, kSilver, kSilver, colour::kOn}));
    EXPECT_EQ(v.offsetEditBack, colour::kRitOffset);
    EXPECT_EQ(v.xitButton, kSilver);
    EXPECT_EQ(v.offsetText, "120");
    EXPECT_EQ(v.offset.pos, 1120);
    EXPECT_EQ(v.offsetSliderText, "120");
    EXPECT_EQ(v.modeSelected, (std::array<bool, 6>{false, false, true, false, false, false}));
    EXPECT_EQ(m.CurrentBand().index, 4);

    Apply(m, IfReply(14061000, -50, 1, 1, 7, 1, 0)); // both on, VFO B, not split
    EXPECT_EQ(v.xitButton, colour::kOn);
    EXPECT_EQ(v.offsetText, "-50");
    EXPECT_EQ(v.offset.pos, 950);
    EXPECT_EQ(v.editBBack, colour::kActiveVfo);
    EXPECT_EQ(std::vector<Rgb>({v.rxA, v.txA, v.rxB, v.txB}),
              std::vector<Rgb>({kSilver, kSilver, colour::kOn, colour::kOn}));
    EXPECT_EQ(m.VfoMemoryTable()[4].b, 14061000u);

    Apply(m, IfReply(14061000, 0, 0, 1, 7, 1, 1)); // XIT only, receive B, transmit A
    EXPECT_EQ(v.offsetEditBack, MakeRgb(223, 83, 118));
    EXPECT_EQ(v.editABack, colour::kSplitTransmit);
    Apply(m, IfReply(14061000, 0, 0, 0, 7, 1, 0));
    EXPECT_EQ(v.offsetEditBack, kSilver);
    EXPECT_FALSE(v.ritXitControlsEnabled);
}

TEST(FrontPanelPresenter, PowerAgcModeAndFilterReplies) {
    test::TestPanel m;
    Apply(m, "PC0501");
    EXPECT_EQ(m.View().powerText, "  50.0");
    Apply(m, "PC0500");
    EXPECT_EQ(m.View().powerText, "   5.0");
    EXPECT_EQ(m.View().power.pos, 100);

    using Agc = std::array<bool, 3>;
    Apply(m, "GT0021");
    EXPECT_EQ(m.View().agcSelected, (Agc{true, false, false}));
    Apply(m, "GT0040");
    EXPECT_EQ(m.View().agcSelected, (Agc{false, false, true}));
    Apply(m, "GT0031"); // unknown code: stored, buttons kept
    EXPECT_EQ(m.Fields().agc, 3);
    EXPECT_EQ(m.View().agcSelected, (Agc{false, false, true}));

    Apply(m, "MD7");
    Apply(m, "MD4"); // unknown code: stored, buttons kept
    EXPECT_EQ(m.Fields().mode, 4);
    EXPECT_EQ(m.View().modeSelected,
              (std::array<bool, 6>{false, false, false, false, true, false}));

    Apply(m, "FW025021");
    EXPECT_EQ(m.View().bandwidthText, "250");
    EXPECT_EQ(m.View().afilCaption, "AFIL: 1");
    EXPECT_EQ(m.View().xfilSelected, (std::array<bool, 4>{false, true, false, false}));
    Apply(m, "AN2");
    Apply(m, "NB0");
    EXPECT_EQ(m.View().antCaption, "ANT: 2");
    Apply(m, "NB7");
    EXPECT_EQ(m.View().nbCaption, "");
    Apply(m, "PA1");
    Apply(m, "RA01");
    Apply(m, "KS020");
    Apply(m, "SQ125");
    const K2RadioState s = m.radio.Snapshot();
    EXPECT_EQ(std::vector<uint32_t>({s.crystalFilter, s.bandwidth, s.audioFilter, s.antenna,
                                     s.preamp, s.attenuator, s.cwSpeed, s.power}),
              std::vector<uint32_t>({2, 250, 1, 2, 1, 1, 20, 50}));
    EXPECT_TRUE(m.View().preSelected && m.View().attSelected);
    EXPECT_EQ(m.View().squelchSlider.pos, 125);
}

TEST(FrontPanelPresenter, BarGraphAndDisplayEcho) {
    test::TestPanel m;
    auto lit = [&](std::string_view bg) {
        Apply(m, bg);
        std::string s;
        for (Rgb c : m.View().meter)
            s += c == colour::kMeterGreen   ? 'g'
                 : c == colour::kMeterAmber ? 'a'
                 : c == colour::kMeterRed   ? 'r'
                                            : '.';
        return s;
    };
    EXPECT_EQ(lit("BG11"), ".g........");
    EXPECT_EQ(lit("BG22"), "ggggggaarr");
    EXPECT_EQ(lit("BG12"), "..........");
    EXPECT_EQ(lit("BG05"), ".....g....");
    EXPECT_EQ(lit("BG-3"), ".........."); // never indexes outside the meter
    m.TakeChanges();
    Apply(m, "BG05");
    Apply(m, "BG05");
    EXPECT_EQ(m.TakeChanges(), 0u | kChangeMeter); // a meter change only, no text refresh

    Apply(m, "DS 14.060.004040");
    EXPECT_EQ(m.View().displayText, " 14.060.00");
    EXPECT_EQ(m.View().lamps[kLampNB], colour::kLampBlink);
    Apply(m, "DSCW  3140");
    for (int lamp = 0; lamp < kLampCount; ++lamp) // ANT2, PRE, XIT on; NB blinks
        EXPECT_EQ(m.View().lamps[lamp], lamp == kLampNB ? colour::kLampBlink
                                        : lamp == kLampANT2 || lamp == kLampPRE || lamp == kLampXIT
                                            ? colour::kLampOn
                                            : kSilver);
    Apply(m, "DS3030"); // blink bits 5 and 4 do not flash
    EXPECT_EQ(m.View().lamps[kLampANT2], colour::kLampOn);
    EXPECT_EQ(m.View().displayText, "");
}

TEST(FrontPanelPresenter, FirstReplyThenIgnoredShortAndGarbageReplies) {
    test::TestPanel m;
    m.SetPortNumber(3);
    m.ShowStatus("Querying Info From Radio...");
    EXPECT_EQ(m.View().portText, "None");
    Apply(m, "TX", 33);
    EXPECT_FALSE(m.Fields().awaitingFirstReply);
    EXPECT_EQ(m.View().statusText, "");
    EXPECT_EQ(m.View().portText, "COM3");

    Apply(m, Freq("FA", 14060000));
    const K2RadioState before = m.radio.Snapshot();
    const uint64_t revision = m.radio.Revision();
    const PanelView view = m.View();
    Apply(m, "TX", 33);
    Apply(m, "ZZ123", 0);
    Apply(m, "XT1", 34);
    EXPECT_EQ(m.radio.Revision(), revision);
    // Each is one character short of what its rule reads, or has no number.
    // (FA0001406000 lost a digit on the line, FA000140600000 has one too many.)
    for (std::string_view r :
         {"FW00252", "PC050", "DS40x0", "FAxyz", "SQ-", "MD", "FA0001406000", "FA000140600000",
          "FB00014O60000", "IF00014060000     +012010 0003000",
          "IF0001406000      +012010 0003000001 "})
        Apply(m, r);
    EXPECT_EQ(m.radio.Snapshot(), before);
    EXPECT_EQ(m.View().displayText, view.displayText);
    EXPECT_EQ(m.View().tuning, view.tuning);
    // Every id with every short prefix of a long reply: must not read past the end.
    const std::string longReply = IfReply(7040000, -9990, 1, 1, 9, 1, 1);
    for (int id = 0; id <= 35; ++id)
        for (std::size_t n = 0; n <= longReply.size(); ++n)
            Apply(m, std::string_view(longReply).substr(0, n), id);
}
