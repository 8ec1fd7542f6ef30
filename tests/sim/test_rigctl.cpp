// hamlib's rigctl, an independent client, driving the simulated radio.
#include "sim/SimulatedRadio.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

using namespace tamrel::k2sim;

TEST(Rigctl, DrivesTheSimulatedRadio) {
    if (std::system("command -v rigctl >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
    SimulatedRadio::Options o;
    o.baud = 4800;
    SimulatedRadio radio(o);
    radio.start();
    // 2021 is hamlib's Elecraft K2.
    const std::string command = "rigctl -m 2021 -r '" + radio.devicePath() +
                                "' -s 4800 f F 14070000 f M CW 500 m s 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe))
        out += buf;
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    // f, f, m (mode and passband), s (split and transmit VFO).
    EXPECT_EQ(out, "14060000\n14070000\nCW\n500\n0\nVFOA\n");
    auto m = radio.model();
    EXPECT_EQ(m->frequency(0, Millis(0)), 14070000u);
    EXPECT_EQ(m->current().mode, 3);
    EXPECT_EQ(m->current().filter, 2); // FL2 (700 Hz): the narrowest at least 500 Hz wide
    EXPECT_EQ(m->k2Mode(), 0);         // hamlib leaves the radio in K20
    EXPECT_EQ(m->aiLevel(), 0);
}
