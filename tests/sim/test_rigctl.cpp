// hamlib's rigctl, an independent client, driving the simulated radio.
#include "sim/SimulatedRadio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace tamrel::k2sim;

extern char** environ;

namespace {

std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (::access((dir + "/" + name).c_str(), X_OK) == 0)
            return dir + "/" + name;
    return {};
}

// Runs the program, returns its exit status and standard output.
std::pair<int, std::string> run(const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0)
        return {-1, {}};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buf[512];
    ssize_t n;
    while (rc == 0 && (n = ::read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = -1;
    if (rc == 0)
        ::waitpid(pid, &status, 0);
    return {rc == 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

} // namespace

TEST(Rigctl, DrivesTheSimulatedRadio) {
    const std::string rigctl = findOnPath("rigctl");
    if (rigctl.empty())
        GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
    SimulatedRadio::Options o;
    o.baud = 4800;
    SimulatedRadio radio(o);
    radio.start();
    // 2021 is hamlib's Elecraft K2.
    const auto [status, out] = run({rigctl, "-m", "2021", "-r", radio.devicePath(), "-s", "4800",
                                    "f", "F", "14070000", "f", "M", "CW", "500", "m", "s"});
    EXPECT_EQ(status, 0) << out;
    // f, f, m (mode and passband), s (split and transmit VFO).
    EXPECT_EQ(out, "14060000\n14070000\nCW\n500\n0\nVFOA\n");
    auto m = radio.model();
    EXPECT_EQ(m->frequency(0, Millis(0)), 14070000u);
    EXPECT_EQ(m->current().mode, 3);
    EXPECT_EQ(m->current().filter, 2); // FL2 (700 Hz): the narrowest at least 500 Hz wide
    EXPECT_EQ(m->k2Mode(), 0);         // hamlib leaves the radio in K20
    EXPECT_EQ(m->aiLevel(), 0);
}
