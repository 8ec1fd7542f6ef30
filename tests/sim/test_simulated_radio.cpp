// The simulated radio on a real pseudo-terminal, with and without faults;
// driven by a bare serial port and by the program's channel and receive
// thread, which must survive the faults.
#include "sim/SimulatedRadio.h"

#include "platform/SerialPort.h"
#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/K2Commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <unistd.h>

using namespace tamrel;
using namespace tamrel::k2sim;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

namespace {

// The program's side of the line: a serial port that sends commands and cuts
// what comes back into replies at ";".
struct Client {
    SerialPort port;
    std::string partial;

    explicit Client(const std::string& device) { EXPECT_EQ(port.open(device, 4800, 8, 0, 1), 0); }
    void send(std::string_view s) { EXPECT_TRUE(port.writeAll(s.data(), s.size())); }
    // Replies (with ";") that arrive within the timeout, until n have come.
    std::vector<std::string> read(std::size_t n, std::chrono::milliseconds timeout = 2s) {
        std::vector<std::string> out;
        const auto end = Steady::now() + timeout;
        while (out.size() < n && Steady::now() < end) {
            uint8_t buf[256];
            const long got = port.read(buf, sizeof buf);
            if (got <= 0) {
                std::this_thread::sleep_for(2ms);
                continue;
            }
            for (long i = 0; i < got; ++i) {
                partial += static_cast<char>(buf[i]);
                if (buf[i] == ';') {
                    out.push_back(partial);
                    partial.clear();
                }
            }
        }
        return out;
    }
    std::string ask(std::string_view command) {
        send(command);
        auto r = read(1);
        return r.empty() ? std::string() : r.front();
    }
};

} // namespace

TEST(SimulatedRadio, AnswersOnThePtyAtItsPaceAndLogsCommands) {
    std::mutex logMutex;
    std::vector<std::pair<Millis, std::string>> log;
    SimulatedRadio::Options o;
    o.replyDelayMs = 150;
    o.linkPath = ::testing::TempDir() + "k2sim-link-" + std::to_string(::getpid());
    o.commandLog = [&](Millis at, std::string_view c) {
        std::lock_guard lock(logMutex);
        log.emplace_back(at, std::string(c));
    };
    SimulatedRadio radio(o);
    radio.start();
    ASSERT_TRUE(std::filesystem::is_symlink(o.linkPath)); // the client opens it
    {
        Client c(o.linkPath);
        EXPECT_EQ(c.ask("FA;"), "FA00014060000;");
        c.send("FA00007040000;");
        EXPECT_EQ(c.ask("fb;"), "FB00007040000;"); // 40 m's B: the band changed
        // 150 ms, then 152 bytes at 480 bytes a second: at least 465 ms.
        const auto begin = Steady::now();
        c.send("IF;IF;IF;IF;");
        const auto replies = c.read(4, 5s);
        EXPECT_GE(Steady::now() - begin, 415ms);
        EXPECT_EQ(replies.size(), 4u);
    }
    radio.stop();
    EXPECT_FALSE(std::filesystem::exists(o.linkPath));
    std::lock_guard lock(logMutex);
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(log[1].second, "FA00007040000");
    EXPECT_EQ(log[2].second, "fb");
}

TEST(SimulatedRadio, StallAndHangUpAreFollowedByCleanReplies) {
    SimulatedRadio::Options o;
    o.baud = 0;
    {
        SimulatedRadio::Options stalling = o;
        stalling.stallMs = 300; // once, from the first command
        SimulatedRadio radio(stalling);
        radio.start();
        Client c(radio.devicePath());
        c.send("ID;");
        EXPECT_TRUE(c.read(1, 150ms).empty());
        EXPECT_EQ(c.read(1, 2s), std::vector<std::string>{"ID017;"});
        EXPECT_EQ(c.ask("FA;"), "FA00014060000;");
    }
    o.hangupAfterMs = 100;
    o.hangupForMs = 400;
    SimulatedRadio radio(o);
    radio.start();
    Client c(radio.devicePath());
    std::this_thread::sleep_for(150ms);
    c.send("FA00007040000;ID;");
    EXPECT_TRUE(c.read(1, 200ms).empty()); // dead: nothing comes back
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(c.ask("FA;"), "FA00014060000;"); // the lost SET never arrived
}

// (The link test alone saw a simulator that wrote its replies only when a
// command came in.)
TEST(SimulatedRadioLink, ChannelSurvivesFaultsAndParsesLaterReplies) {
    SimulatedRadio::Options o;
    o.dropProbability = 0.03;
    o.garbleProbability = 0.03;
    o.stallMs = 100;
    o.stallEveryMs = 450;
    o.hangupAfterMs = 600;
    o.hangupForMs = 300;
    o.seed = 5;
    SimulatedRadio radio(o);
    radio.start();

    auto target = std::make_shared<Mailbox<LinkEvent>>();
    CK2CommChannel channel;
    ASSERT_EQ(channel.OpenDevice(radio.devicePath(), 0, 4800, 8, 0, 1), K2_OK);
    ASSERT_TRUE(channel.PostToReceiveThread(RecvDeliverTo{Address<LinkEvent>(target)}));
    channel.PostToReceiveThread(RecvStart{});

    // Keep asking through stalls, the dead period and the damaged bytes.
    const auto begin = std::chrono::steady_clock::now();
    int cleanAfterHangup = 0;
    int total = 0;
    int damaged = 0;
    while (std::chrono::steady_clock::now() - begin < 1800ms) {
        EXPECT_EQ(channel.CmdVfoFreq(K2_QUERY, 0, 0), K2_OK);
        EXPECT_EQ(channel.CmdMD(K2_QUERY, 0), K2_OK);
        while (auto m = target->takeWithin(60ms)) {
            const auto* r = std::get_if<ReplyReceived>(&*m);
            if (!r)
                continue; // the hang-up and the return
            ++total;
            const bool clean = (r->id == ID_FA && r->text == "FA00014060000") ||
                               (r->id == ID_MD && r->text == "MD3");
            damaged += !clean;
            if (std::chrono::steady_clock::now() - begin > 1000ms && clean && r->id == ID_FA)
                ++cleanAfterHangup;
        }
    }
    EXPECT_GT(total, 10);
    EXPECT_GT(damaged, 0); // the faults did reach the channel
    EXPECT_GT(cleanAfterHangup, 0);
    EXPECT_EQ(channel.Close(), K2_OK);
    radio.stop();
}
