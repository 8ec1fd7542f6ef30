// Conformance of the simulated radio's model with the K2's command set, and
// what it sends on its own at each auto-information level.
#include "sim/K2Model.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace tamrel::k2sim;

namespace {

// A model on a fake clock: ask() sends bytes and returns what is due at once.
struct Rig {
    K2Model m;
    Millis t{0};
    explicit Rig(K2Model::Options o = {}) : m(o) {}
    std::string ask(std::string_view bytes) {
        m.receive(bytes, t);
        return m.takeDue(t);
    }
    std::string after(int ms) {
        t += Millis(ms);
        return m.takeDue(t);
    }
    // Everything that comes out within the next second.
    std::string settle() {
        std::string out;
        for (int i = 0; i < 100; ++i)
            out += after(10);
        return out;
    }
    std::string event(std::string_view bytes) {
        std::string out = ask(bytes);
        return out + settle();
    }
};

// Names of the replies in a stream, in order ("IF", "FA", ...).
std::vector<std::string> names(const std::string& stream) {
    std::vector<std::string> out;
    for (std::size_t at = 0, end; (end = stream.find(';', at)) != std::string::npos; at = end + 1)
        out.push_back(stream.substr(at, 2));
    return out;
}

using Names = std::vector<std::string>;
const Names kBurst = {"IF", "FA", "FB", "FR", "FT", "PA", "RA", "AN", "GT", "FW", "NB"};

} // namespace

TEST(K2Model, IdentityAndMetaCommands) {
    Rig r;
    EXPECT_EQ(r.ask("ID;PS;K2;AI;k22;k2;ai2;ai;"), "ID017;PS1;K20;AI0;K22;AI2;");
    EXPECT_EQ(r.ask("K24;AI4;PS1;ID1;"), "?;?;?;?;");
    // CR and LF are ignored, lower case is answered in upper case.
    EXPECT_EQ(r.ask("\r\nfa;\r\n"), "FA00014060000;");
    // Parsing recovers from unknown and overlong commands.
    EXPECT_EQ(r.ask("ZZ;F;;Q1;" + std::string(60, 'A') + ";ID;"), "?;?;?;?;ID017;");
}

TEST(K2Model, IfLayoutMatchesTheReferenceExample) {
    Rig r;
    r.ask("RT1;");
    for (int i = 0; i < 12; ++i)
        r.ask("RU;");
    EXPECT_EQ(r.ask("IF;"), "IF00014060000     +012010 0003000001 ;");

    // Negative offset, VFO B receive, split, transmit, RTTY converted in K21.
    r.ask("RC;RD;RD;FB00007040000;"); // another band: 40 m now
    r.ask("FR1;FT0;MD6;K21;TX;");
    // VFO B's frequency (the receive VFO); t, RTTY as LSB, v, no scan, split.
    EXPECT_EQ(r.ask("IF;"), "IF00007040000     -002010 0011101001 ;");
    EXPECT_EQ(r.ask("RX;K22;MD;"), "MD6;");
}

TEST(K2Model, FrequenciesAndBands) {
    Rig r;
    // The leading two digits and the 1 Hz digit are ignored.
    EXPECT_EQ(r.ask("FA99014070127;FA;FB00014100000;FB;"), "FA00014070120;FB00014100000;");
    EXPECT_EQ(r.ask("FA1407;FA0001407000x;"), "?;?;");
    // Another band reloads that band's settings; coming back restores ours.
    r.ask("MD2;PA1;");
    r.ask("FA00007030000;");
    EXPECT_EQ(r.ask("FA;FB;MD;PA;"), "FA00007030000;FB00007040000;MD3;PA0;");
    EXPECT_EQ(r.ask("FA00014020000;FA;FB;MD;PA;"), "FA00014020000;FB00014100000;MD2;PA1;");
    // Out of reach: the nearest band with its last values, request not applied.
    EXPECT_EQ(r.ask("FA00005000000;FA;"), "FA00003560000;"); // 80 m
    // BAND+ and BAND- step through the bands with their own frequencies.
    EXPECT_EQ(r.ask("SW01;FA;SW03;SW03;FA;"), "FA00007030000;FA00001810000;");
    r.ask("SW03;");
    EXPECT_EQ(r.m.band(), 0); // 160 m wraps to 10 m
}

TEST(K2Model, UpDownSteps) {
    Rig r;
    EXPECT_EQ(r.ask("UP;UP;DN;FA;UP1;"), "FA00014060010;?;"); // the step digit needs K22
    EXPECT_EQ(r.ask("K22;UP2;UP3;UP4;DN1;FA;UP5;UP0;"), "FA00014061070;?;?;");
    EXPECT_EQ(r.ask("LK1;UP4;LK;FA;"), "LK1;FA00014061070;");
    EXPECT_EQ(r.ask("LK0;FR1;UP4;FA;FB;"), "FA00014061070;FB00014061000;");
}

TEST(K2Model, VfoRoutingAndSplit) {
    Rig r;
    EXPECT_EQ(r.ask("FR;FT;FT1;"), "FR0;FT0;");
    EXPECT_EQ(r.ask("FR0;FR;FT;"), "FR0;FT0;"); // any FR cancels split
    EXPECT_EQ(r.ask("SW26;FT;"), "FT1;");
    EXPECT_EQ(r.ask("SW09;FR;FT;"), "FR1;FT0;");                  // A/B keeps split, swaps sides
    EXPECT_EQ(r.ask("FB00014080000;SW10;FA;"), "FA00014080000;"); // A=B copies the receive VFO
    EXPECT_EQ(r.ask("FR2;FT9;"), "?;?;");
}

TEST(K2Model, ModeFilterAgcAndBlanker) {
    Rig r;
    EXPECT_EQ(r.ask("MD4;MD5;MD0;FW;"), "?;?;?;FW1500;");
    EXPECT_EQ(r.ask("FW0000;FW;"), "FW0700;");         // basic SET steps to the next filter
    EXPECT_EQ(r.ask("FW00003;"), "?;");                // extended layout in K20
    EXPECT_EQ(r.ask("MD2;FW;"), "FW0000;");            // SSB on a narrow filter
    EXPECT_EQ(r.ask("SW13;SW13;SW13;FW;"), "FW2500;"); // XFIL round to FL1
    EXPECT_EQ(r.ask("K22;MD3;FW04003;SW29;FW;"), "FW040031;");
    EXPECT_EQ(r.ask("SW29;SW29;SW08;FW;MD;"), "FW210030;MD6;"); // AFIL back to off; MODE CW -> RTTY
    EXPECT_EQ(r.ask("SW28;MD;"), "MD9;");                       // CW RV on RTTY

    EXPECT_EQ(r.ask("GT;GT0041;GT;"), "GT0021;GT0041;");
    EXPECT_EQ(r.ask("GT0000;GT;"), "GT0040;"); // AGC off keeps the speed
    EXPECT_EQ(r.ask("GT0031;GT0002;"), "?;?;");
    EXPECT_EQ(r.ask("SW36;SW12;GT;K20;GT;GT0041;"), "GT0021;GT002;?;");

    EXPECT_EQ(r.ask("NB;NB1;NB;K22;NB;"), "NB0;NB1;NB10;");
    EXPECT_EQ(r.ask("NB1;SW22;NB;SW06;NB;"), "NB21;NB01;");
}

TEST(K2Model, RfControlsAndPotValues) {
    Rig r;
    EXPECT_EQ(r.ask("AN2;PA1;RA01;RT1;XT1;AN;PA;RA;RT;XT;"), "AN2;PA1;RA01;RT1;XT1;");
    EXPECT_EQ(r.ask("AN3;PA2;RA1;RA02;RT2;"), "?;?;?;?;?;");
    // The ANT, PRE/ATT (pre -> att), RIT and XIT switches.
    EXPECT_EQ(r.ask("RA00;SW04;SW11;SW14;SW15;AN;PA;RA;RT;XT;"), "AN1;PA0;RA01;RT0;XT0;");

    // Speed, squelch and power are clamped to their ranges.
    EXPECT_EQ(r.ask("KS005;KS;KS060;KS;KS12;"), "KS009;KS050;?;");
    EXPECT_EQ(r.ask("SQ030;SQ;SQ300;SQ;"), "SQ025;SQ250;");
    EXPECT_EQ(r.ask("PC012;PC;PC0120;"), "PC012;?;"); // the range digit needs K22
    EXPECT_EQ(r.ask("K22;PC0500;PC;K20;PC;K22;PC1501;"), "PC0500;PC005;?;"); // no 100 W option

    Rig big({.paOption = true});
    EXPECT_EQ(big.ask("K22;PC1501;PC;"), "PC1101;");
    EXPECT_EQ(big.ask("PC050;PC;"), "PC0501;"); // the range is kept when x is left out
}

TEST(K2Model, BusyStatesRefuseSetsButAnswerGetsAndRitStopsAtItsLimit) {
    Rig r;
    EXPECT_EQ(r.ask("TQ;TX;TQ;FA00014070000;MD2;PA1;UP;RU;TX;"), "TQ0;TQ1;?;?;?;?;?;?;");
    EXPECT_EQ(r.ask("KS030;PC005;AI0;K22;KS;FA;RX;TQ;"), "KS030;FA00014060000;TQ0;");
    EXPECT_EQ(r.ask("SW20;TQ;SM;PA1;SW20;TQ;"), "TQ1;SM0000;?;TQ0;"); // TUNE on and off
    // Direct frequency entry: digits by switch codes (0 7 1 0 0 is 7100 kHz),
    // any other key cancels.
    EXPECT_EQ(r.ask("SW34;FA00007000000;SW07;SW14;SW08;SW07;SW07;FA;"), "?;FA00007100000;");
    r.ask("SW34;SW08;SW01;");
    EXPECT_FALSE(r.m.busy(r.t));
    EXPECT_EQ(r.ask("SW00;SW70;SW1;SWH20;"), "?;?;?;?;");

    // RIT stops at its limit; RC in transmit is refused but still clears once
    // back in receive.
    for (int i = 0; i < 1005; ++i)
        r.ask("RD;");
    EXPECT_EQ(r.m.ritOffset(), -9990);
    EXPECT_EQ(r.ask("TX;RC;"), "?;");
    EXPECT_EQ(r.m.ritOffset(), -9990);
    r.ask("RX;");
    EXPECT_EQ(r.m.ritOffset(), 0);
}

// With AI1 its start and end are reported as IF, and nothing while it sweeps.
TEST(K2Model, ScanRunsBetweenTheVfosUntilAnySwitch) {
    Rig r;
    r.ask("AI1;FA00014000000;FB00014001000;");
    r.settle();
    r.ask("SW19;SW25;");
    ASSERT_TRUE(r.m.scanning());
    EXPECT_EQ(r.ask("FA00014050000;"), "?;");
    const std::string start = r.after(260); // five steps of 100 Hz at 50 ms
    ASSERT_EQ(names(start), Names{"IF"});
    EXPECT_EQ(start[31], '1');
    EXPECT_EQ(r.ask("FA;"), "FA00014000500;");
    EXPECT_EQ(r.after(350), ""); // past the upper limit: starts again at the lower one
    EXPECT_EQ(r.ask("FA;"), "FA00014000100;");
    const std::string stop = r.event("SW01;"); // ends the scan and does nothing else
    ASSERT_EQ(names(stop), Names{"IF"});
    EXPECT_EQ(stop[31], '0');
    EXPECT_FALSE(r.m.scanning());
    EXPECT_EQ(r.ask("FA;"), "FA00014000100;");
    // STORE then another key does not scan.
    r.ask("SW19;SW09;");
    EXPECT_FALSE(r.m.scanning());
}

TEST(K2Model, KeyerDrainsAtPARISSpeed) {
    Rig r;
    // 20 WPM: 60 ms per dot; one PARIS word is 50 dots.
    EXPECT_EQ(r.ask("KS020;K22;KY;KY PARIS ;KY;TQ;"), "KY2;KY0;TQ1;");
    r.after(50 * 60 - 1);
    EXPECT_EQ(r.ask("KY;"), "KY0;");
    r.after(1);
    EXPECT_EQ(r.ask("KY;TQ;"), "KY2;TQ0;");
    // Nearly full: KY1 in both layouts, and abort empties at once.
    for (int i = 0; i < 3; ++i)
        r.ask("KY ABCDEFGHIJKLMNOPQRSTUVWX;");
    EXPECT_EQ(r.ask("KY;"), "KY0;"); // 71 waiting: under three quarters
    EXPECT_EQ(r.ask("KY ABCDEFGHIJKLMNOPQRSTUVWX;KY;"), "KY1;");
    EXPECT_EQ(r.ask("K20;KY;KY @;K22;KY;"), "KY1;KY2;");
    EXPECT_EQ(r.ask("KY0;KY 1234567890123456789012345;"), "?;?;");
    EXPECT_EQ(r.ask("KY <EEE>;TQ;"), "TQ0;"); // CW TEST keys without transmitting
}

TEST(K2Model, DisplayBytes) {
    Rig r;
    r.ask("PA1;RT1;");
    // 14060.00 with preamp and RIT on: the reference's own example frame.
    const std::string expected = "DS\x40\x31\x34\x30\x36\x30\xB0\x30\x92\x80;";
    EXPECT_EQ(r.ask("DS;"), expected);
    r.ask("PA0;RT0;NB1;AN2;RA01;XT1;FT1;K22;NB1;SW22;FA00007040000;");
    // XIT; 40 m has its own NB/ANT/ATT, split and threshold are shown anyway.
    EXPECT_EQ(r.ask("DS;"), "DS@@7040\xB0"
                            "0\x81\xC0;");
}

TEST(K2Model, BarGraphWandersAroundItsLevel) {
    Rig r({.barMode = false});
    int sum = 0;
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        const int dot = std::stoi(r.ask("BG;").substr(2, 2));
        EXPECT_TRUE(dot >= 0 && dot <= 10) << dot;
        sum += dot;
        seen.insert(dot);
    }
    EXPECT_NEAR(sum / 200.0, 4.0, 1.5);
    EXPECT_GT(seen.size(), 1u);                    // it moves
    EXPECT_EQ(Rig().ask("PC010;TX;BG;"), "BG19;"); // 10 W of 15 in the low range, BAR values
}

TEST(K2ModelAi, LevelOneReportsIfAfterFrequencyAndModeEventsAndLevelZeroNothing) {
    Rig r;
    const std::string first = r.ask("AI1;"); // reports IF at once
    EXPECT_EQ(first, r.ask("IF;"));

    // A run of VFO steps gives one IF, after the VFO stops.
    std::string out = r.ask("UP;");
    for (int i = 0; i < 5; ++i) {
        r.t += Millis(30);
        out += r.ask("UP;");
    }
    EXPECT_EQ(out, "");
    out = r.settle();
    EXPECT_EQ(names(out), Names{"IF"});
    EXPECT_EQ(out.substr(2, 11), "00014060060");

    for (const char* c : {"MD2;", "FT1;", "RT1;", "RU;", "RC;", "SW09;", "SW10;", "SW26;", "SW14;"})
        EXPECT_EQ(names(r.event(c)), Names{"IF"}) << c;
    for (const char* c : {"PA1;", "AN2;", "SW13;", "SW06;", "KS030;", "SW11;"})
        EXPECT_EQ(r.event(c), "") << c;

    const std::string band = r.event("SW01;");
    EXPECT_EQ(names(band), kBurst);
    EXPECT_EQ(band.substr(2, 11), "00018069000");
    EXPECT_EQ(band[33], '0'); // band-change flag only in the extended layout
    r.ask("K22;");
    EXPECT_EQ(r.event("FA00014060000;")[33], '1');
    // Level 0 sends nothing of its own.
    for (const char* c : {"AI0;UP;", "MD2;", "RT1;", "SW01;", "SW09;"})
        EXPECT_EQ(r.event(c), "") << c;
}

TEST(K2ModelAi, LevelTwoReportsEveryChange) {
    Rig r;
    EXPECT_EQ(r.ask("AI2;"), "");
    // PRE/ATT (SW11) reports both; AGC off (SW36) is reported only in K22/K23.
    EXPECT_EQ(r.event("PA1;SW11;SW13;KS025;SW23;SW12;SW36;"),
              "PA1;PA0;RA01;FW0700;KS025;LK1;GT004;");
    EXPECT_EQ(r.event("K22;SW36;"), "GT0041;");

    // A VFO move reports the VFO at once and IF when it stops.
    EXPECT_EQ(r.ask("FA00014061000;"), "FA00014061000;");
    EXPECT_EQ(names(r.settle()), Names{"IF"});
    // MODE reports IF, not MD.
    EXPECT_EQ(names(r.event("SW08;")), Names{"IF"});
    EXPECT_EQ(names(r.event("RT1;")), (Names{"RT", "IF"}));
    EXPECT_EQ(names(r.event("FR1;")), (Names{"FR", "FT", "IF"}));
    EXPECT_EQ(names(r.event("SW03;")), kBurst);
    // Switches the model does not act on report nothing.
    EXPECT_EQ(r.event("SW05;SW07;SW16;SW40;"), "");
    // Replies to GETs keep their order among the reports.
    EXPECT_EQ(r.ask("PA1;PA;ID;"), "PA1;PA1;ID017;");
}

TEST(K2ModelKnob, TurningTheKnobReportsAsAutoInformationSays) {
    Rig r;
    r.m.turnKnob(10, r.t);
    EXPECT_EQ(r.settle(), ""); // AI0: silent

    r.ask("AI3;");
    r.settle();
    r.m.turnKnob(10, r.t);
    EXPECT_EQ(r.m.takeDue(r.t), "FA00014060020;"); // at once, then the held-back IF
    EXPECT_EQ(names(r.settle()), std::vector<std::string>{"IF"});

    r.ask("LK1;");
    r.settle();
    r.m.turnKnob(10, r.t);
    EXPECT_EQ(r.m.rxFrequency(r.t), 14060020u);
}
