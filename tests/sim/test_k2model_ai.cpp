// What the simulated radio sends on its own at each auto-information level.
#include "sim/K2Model.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tamrel::k2sim;

namespace {

// Names of the replies in a stream, in order ("IF", "FA", ...).
std::vector<std::string> names(const std::string& stream) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < stream.size(); ++i)
        if (stream[i] == ';') {
            out.push_back(stream.substr(start, 2));
            start = i + 1;
        }
    return out;
}

struct AiRig {
    K2Model m;
    Millis t{0};
    std::string send(std::string_view bytes) {
        m.receive(bytes, t);
        return m.takeDue(t);
    }
    // Everything that comes out within the next second.
    std::string settle() {
        std::string out;
        for (int i = 0; i < 100; ++i) {
            t += Millis(10);
            out += m.takeDue(t);
        }
        return out;
    }
    std::string event(std::string_view bytes) {
        std::string out = send(bytes);
        return out + settle();
    }
};

using Names = std::vector<std::string>;
const Names kBurst = {"IF", "FA", "FB", "FR", "FT", "PA", "RA", "AN", "GT", "FW", "NB"};

} // namespace

TEST(K2ModelAi, LevelZeroSendsNothing) {
    AiRig r;
    for (const char* c : {"FA00014070000;", "UP;", "MD2;", "PA1;", "SW08;", "SW09;", "SW01;",
                          "FA00007040000;", "RT1;", "RU;", "SW02;"})
        EXPECT_EQ(r.event(c), "") << c;
    EXPECT_EQ(r.event("FA;"), "FA00007040000;");
}

TEST(K2ModelAi, LevelOneReportsIfAfterFrequencyAndModeEvents) {
    AiRig r;
    const std::string first = r.send("AI1;");
    EXPECT_EQ(names(first), Names{"IF"}); // setting AI1 reports at once
    EXPECT_EQ(first, r.send("IF;"));

    // A run of VFO steps gives one IF, after the VFO stops.
    std::string out = r.send("UP;");
    for (int i = 0; i < 5; ++i) {
        r.t += Millis(30);
        out += r.send("UP;");
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
    r.send("K22;");
    EXPECT_EQ(r.event("FA00014060000;")[33], '1');
    EXPECT_EQ(r.event("AI0;UP;"), "");
}

TEST(K2ModelAi, LevelsTwoAndThreeReportEveryChange) {
    for (const char* level : {"AI2;", "AI3;"}) {
        AiRig r;
        EXPECT_EQ(r.send(level), "") << level;
        EXPECT_EQ(r.event("PA1;"), "PA1;");
        EXPECT_EQ(r.event("SW11;"), "PA0;RA01;"); // PRE/ATT reports both
        EXPECT_EQ(r.event("SW13;"), "FW0700;");
        EXPECT_EQ(r.event("KS025;"), "KS025;");
        EXPECT_EQ(r.event("SW23;"), "LK1;");
        EXPECT_EQ(r.event("SW12;"), "GT004;");
        EXPECT_EQ(r.event("SW36;"), ""); // AGC off is reported only in K22/K23
        r.send("K22;");
        EXPECT_EQ(r.event("SW36;"), "GT0041;");

        // A VFO move reports the VFO at once and IF when it stops.
        const std::string now = r.send("FA00014061000;");
        EXPECT_EQ(now, "FA00014061000;");
        EXPECT_EQ(names(r.settle()), Names{"IF"});
        // MODE reports IF, not MD.
        EXPECT_EQ(names(r.event("SW08;")), Names{"IF"});
        EXPECT_EQ(names(r.event("RT1;")), (Names{"RT", "IF"}));
        EXPECT_EQ(names(r.event("FR1;")), (Names{"FR", "FT", "IF"}));
        EXPECT_EQ(names(r.event("SW03;")), kBurst);
        // Switches the model does not act on report nothing.
        EXPECT_EQ(r.event("SW05;SW07;SW16;SW40;"), "");
        // Replies to GETs keep their order among the reports.
        EXPECT_EQ(r.send("PA1;PA;ID;"), "PA1;PA1;ID017;");
    }
}

TEST(K2ModelAi, ScanStartAndStopAreFrequencyEvents) {
    AiRig r;
    r.send("AI1;FA00014000000;FB00014002000;");
    r.settle();
    r.send("SW19;SW25;");
    const std::string start = r.settle();
    ASSERT_EQ(names(start), Names{"IF"});
    EXPECT_EQ(start[31], '1');
    EXPECT_EQ(r.settle(), ""); // nothing while it sweeps
    const std::string stop = r.event("SW05;");
    ASSERT_EQ(names(stop), Names{"IF"});
    EXPECT_EQ(stop[31], '0');
}

namespace {

TEST(K2ModelKnob, TurningTheKnobReportsAsAutoInformationSays) {
    AiRig r;
    r.send("FA00014060000;");
    r.m.turnKnob(10, r.t);
    EXPECT_EQ(r.settle(), ""); // AI0: silent
    EXPECT_EQ(r.m.rxFrequency(r.t), 14060010u);

    r.send("AI3;");
    r.settle();
    r.m.turnKnob(10, r.t);
    EXPECT_EQ(r.m.takeDue(r.t), "FA00014060020;"); // at once, then the held-back IF
    EXPECT_EQ(names(r.settle()), std::vector<std::string>{"IF"});

    r.send("LK1;");
    r.settle();
    r.m.turnKnob(10, r.t);
    EXPECT_EQ(r.m.rxFrequency(r.t), 14060020u);
}

} // namespace
