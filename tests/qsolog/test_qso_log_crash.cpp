// A process killed at any moment of appends and rewrites leaves every QSO it
// had written intact in the log, and no torn line.

#include "QsoTestSupport.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tamrel;

namespace {

class LogCrash : public test::LogFileFixture {};

std::string callOf(int i) {
    return "Q" + std::to_string(i);
}

// The child: logs QSO after QSO, rewriting the whole log every fourth one,
// and reports each QSO on the pipe once it is written. Never returns.
[[noreturn]] void logUntilKilled(const std::string& folder, int reportFd) {
    RecordingPrompter prompter;
    CRigControlRegistry registry(prompter, folder + "/Rig.reg");
    registry.CreateDefaultSettings();
    QsoLogFile log(registry, folder);
    log.load(std::nullopt, 0, true);
    for (int i = 0; i < 100000; ++i) {
        if (!log.add(test::normalQso(callOf(i), 1070000000 + i)).written())
            _exit(2);
        if (i % 4 == 3 && !log.rewrite().written())
            _exit(3);
        if (::write(reportFd, &i, sizeof i) != sizeof i)
            _exit(4);
    }
    _exit(0);
}

} // namespace

TEST_F(LogCrash, KilledDuringAppendsAndRewritesLosesNoWrittenQso) {
    std::mt19937 random(20031205);
    std::array<int, 4> kills{};
    for (int run = 0; run < 100; ++run) {
        const std::string folder = root_ + "/run" + std::to_string(run);
        std::filesystem::create_directories(folder);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            logUntilKilled(folder, fds[1]);
        }
        ::close(fds[1]);
        // Wait for the first written QSO, so that every run kills a busy writer.
        int confirmed = -1;
        ASSERT_EQ(::read(fds[0], &confirmed, sizeof confirmed), sizeof confirmed) << "run " << run;
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 80000)(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "run " << run << " ended by itself: " << status;

        for (int i; ::read(fds[0], &i, sizeof i) == sizeof i;)
            confirmed = i;
        ::close(fds[0]);

        const std::string text = read(folder + "/Tamrel.QSO.Log");
        const LogText log = readLogText(text, 0);
        EXPECT_TRUE(log.passLines.empty()) << "run " << run << ": torn or stray line";
        EXPECT_TRUE(text.empty() || text.back() == '\n') << "run " << run;
        ASSERT_GE(static_cast<int>(log.records.size()), confirmed + 1) << "run " << run;
        for (std::size_t i = 0; i < log.records.size(); ++i)
            ASSERT_EQ(log.records[i].call, callOf(static_cast<int>(i))) << "run " << run;
        if (std::filesystem::exists(folder + "/Tamrel.QSO.Log.Bak")) {
            const LogText bak = readLogText(read(folder + "/Tamrel.QSO.Log.Bak"), 0);
            EXPECT_TRUE(bak.passLines.empty()) << "run " << run << ": torn backup";
        }
        kills[static_cast<std::size_t>(std::min(confirmed / 4, 3))]++;
    }
    std::printf("runs killed after 1-4, 5-8, 9-12, more QSOs: %d %d %d %d\n", kills[0], kills[1],
                kills[2], kills[3]);
}
