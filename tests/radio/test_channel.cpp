// The channel on pseudo-terminals: what its encoders put on the wire, a line
// that stalls, and a line that hangs up and comes back.
#include "platform/Mailbox.h"
#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <thread>

using namespace tamrel;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct OpenChannel : ::testing::Test {
    test::PtyPeer peer;
    CK2CommChannel channel;
    void SetUp() override {
        ASSERT_EQ(channel.OpenDevice(peer.device(), 3, 38400, 8, 0, 1), K2_OK);
    }

    // Runs body on another thread while the peer collects what it sends.
    std::vector<test::PtyPeer::Command> sendAndCollect(std::size_t n,
                                                       const std::function<void()>& body) {
        std::thread sender(body);
        peer.waitForCommands(n, 10s);
        sender.join();
        peer.collectFor(30ms);
        return peer.commands();
    }
};

} // namespace

TEST_F(OpenChannel, EncodersPutExactTextsOnTheWire) {
    const std::string longText(40, 'E');
    std::vector<std::string> expected = {"FA00007000000", "KS009",  "KS050",   "PC1501", "SQ250",
                                         "GT0000",        "GT0041", "NB1",     "NB1",    "NB1",
                                         "RA01",          "PA1",    "FW02502", "SW07",   "SW03",
                                         "SW01",          "UP1",    "DN4",     "MD3",    "IF"};
    expected.insert(expected.end(),
                    {"KY CQ TEST", "KY " + longText.substr(0, 28), "KY @", "SW20", "SW29", "RC"});
    // Queries: the two letters alone, whatever the other arguments.
    expected.insert(expected.end(), {"AI", "K2", "AN", "FB", "NB", "PA", "RA", "FW", "MD", "GT",
                                     "KS", "PC", "SQ", "FR", "FT", "RT", "XT", "LK", "KY"});

    sendAndCollect(expected.size(), [&] {
        // Braced lists are evaluated in order, so the calls run as listed.
        const std::vector<uint32_t> refused = {channel.CmdVfoFreq(K2_QUERY, 2, 0),
                                               channel.CmdGT(K2_SET, 5),
                                               channel.CmdNB(K2_SET, 3),
                                               channel.CmdFW(K2_SET, 250, 5),
                                               channel.CmdSwitch(0),
                                               channel.CmdSwitch(70),
                                               channel.CmdUpDown(1, 5),
                                               channel.CmdMD(K2_SET, 0),
                                               channel.CmdAI(K2_SET, 4),
                                               channel.CmdRitOffset(3, 50),
                                               channel.CmdScanSetup(7000001, 7000000),
                                               channel.CmdKYText("AB;FA00007000000")};
        EXPECT_EQ(refused, std::vector<uint32_t>(refused.size(), K2_ERR_PARAM_RANGE));
        const std::vector<uint32_t> accepted = {
            channel.CmdVfoFreq(K2_SET, 0, 7000000), channel.CmdKS(K2_SET, 5),
            channel.CmdKS(K2_SET, 60), channel.CmdPC(K2_SET, 200, 1), channel.CmdSQ(K2_SET, 300),
            channel.CmdGT(K2_SET, 0), channel.CmdGT(K2_SET, 4), channel.CmdNB(K2_SET, 0),
            channel.CmdNB(K2_SET, 1), channel.CmdNB(K2_SET, 2), channel.CmdRA(K2_SET, 1),
            channel.CmdPA(K2_SET, 7), channel.CmdFW(K2_SET, 250, 2), channel.CmdSwitch(7),
            channel.CmdBandStep(2), channel.CmdBandStep(1), channel.CmdUpDown(1, 1),
            channel.CmdUpDown(2, 4), channel.CmdMD(K2_SET, 3), channel.CmdIF(),
            channel.CmdKYText("CQ TEST"), channel.CmdKYText(longText), channel.CmdKYCancel(),
            channel.CmdSW20(), channel.CmdSW29(), channel.CmdRC(),
            // queries
            channel.CmdAI(K2_QUERY, 9), channel.CmdK2(K2_QUERY, 9),
            channel.CmdSelectAntenna(K2_QUERY, 9), channel.CmdVfoFreq(K2_QUERY, 1, 5),
            channel.CmdNB(K2_QUERY, 9), channel.CmdPA(K2_QUERY, 1), channel.CmdRA(K2_QUERY, 1),
            channel.CmdFW(K2_QUERY, 1, 9), channel.CmdMD(K2_QUERY, 0), channel.CmdGT(K2_QUERY, 9),
            channel.CmdKS(K2_QUERY, 0), channel.CmdPC(K2_QUERY, 0, 0), channel.CmdSQ(K2_QUERY, 0),
            channel.CmdFR(K2_QUERY, 9), channel.CmdFT(K2_QUERY, 9), channel.CmdRT(K2_QUERY, 1),
            channel.CmdXT(K2_QUERY, 1), channel.CmdLK(K2_QUERY, 1), channel.CmdKYQuery()};
        EXPECT_EQ(accepted, std::vector<uint32_t>(accepted.size(), K2_OK));
    });
    EXPECT_EQ(peer.texts(), expected);
    std::string wire; // nothing but the texts and their ";"
    for (const auto& c : expected)
        wire += c + ";";
    EXPECT_EQ(peer.raw(), wire);
}

TEST_F(OpenChannel, MultiCommandEncodersArePacedOnTheWire) {
    // Arrivals can only be late (the reading side may be slow): the spread
    // between the first and the last gets room for that.
    auto rit = sendAndCollect(5, [&] { EXPECT_EQ(channel.CmdRitOffset(2, 50), K2_OK); });
    ASSERT_EQ(rit.size(), 5u);
    EXPECT_GE(rit.back().at - rit.front().at, 4 * 10ms - 20ms);

    peer.clear();
    auto scan =
        sendAndCollect(4, [&] { EXPECT_EQ(channel.CmdScanSetup(14000000, 14100000), K2_OK); });
    EXPECT_EQ(peer.texts(),
              (std::vector<std::string>{"FA00014000000", "FB00014100000", "SW19", "SW25"}));
    EXPECT_GE(scan.back().at - scan.front().at, 3 * 100ms - 100ms);
}

TEST_F(OpenChannel, ConcurrentSendersNeverInterleave) {
    const std::vector<std::string> texts = {"FA00014060000", "KY CQ CQ DE ZZ9ZZ", "SW07"};
    constexpr int kEach = 200;
    std::vector<std::thread> senders;
    for (const auto& t : texts)
        senders.emplace_back([&] {
            for (int i = 0; i < kEach; ++i)
                EXPECT_EQ(channel.SendCommand(t), K2_OK);
        });
    peer.waitForCommands(texts.size() * kEach, 20s);
    for (auto& s : senders)
        s.join();
    peer.collectFor(30ms);
    std::map<std::string, int> counts;
    for (const auto& c : peer.texts())
        ++counts[c];
    EXPECT_EQ(counts, (std::map<std::string, int>{
                          {texts[0], kEach}, {texts[1], kEach}, {texts[2], kEach}}));
}

TEST_F(OpenChannel, AStalledLineNeverMergesCommandsAndRefusesWithoutWaiting) {
    // The radio end stops reading: numbered commands fill the line until the
    // writer meets the stall. No call waits on the line meanwhile.
    std::vector<std::string> accepted;
    auto send = [&](const std::string& text) {
        const auto before = std::chrono::steady_clock::now();
        const uint32_t result = channel.SendCommand(text);
        EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
        if (result == K2_OK)
            accepted.push_back(text);
        return result;
    };
    const auto giveUp = std::chrono::steady_clock::now() + 30s;
    for (int i = 0; !channel.LineStalled() && std::chrono::steady_clock::now() < giveUp;) {
        const std::string text = "KY " + std::to_string(100000 + i) + " ABCDEFGHIJKLMNOPQRS";
        if (send(text) == K2_OK)
            ++i;
        else
            std::this_thread::sleep_for(5ms); // the queue is full: let the writer work
    }
    ASSERT_TRUE(channel.LineStalled());
    EXPECT_GT(channel.WriteFailures(), 0u);
    // While one command probes the stalled line, the others are refused whole.
    int refused = 0;
    for (int i = 0; i < 10; ++i)
        refused += send("KY probe " + std::to_string(i)) == K2_ERR_LINE_STALLED;
    EXPECT_GE(refused, 9);

    // Reading again: only whole commands arrive, in the order they were accepted.
    peer.collectFor(1500ms);
    EXPECT_EQ(channel.SendCommand("IF"), K2_OK);
    ASSERT_TRUE(
        peer.collectUntil([](const auto& c) { return !c.empty() && c.back().text == "IF"; }));
    auto texts = peer.texts();
    texts.pop_back();
    ASSERT_FALSE(texts.empty());
    std::size_t next = 0;
    for (const auto& t : texts) {
        while (next < accepted.size() && accepted[next] != t)
            ++next;
        ASSERT_LT(next, accepted.size()) << "not a whole command sent in order: " << t;
    }
    EXPECT_FALSE(channel.LineStalled());
}

TEST_F(OpenChannel, ReopenKeepsThreadsAndCloseOrAFailedOpenSendsAndStartsNothing) {
    // Replies go to a mailbox; the receive thread keeps that across a reopen.
    auto replies = std::make_shared<Mailbox<LinkEvent>>();
    ASSERT_TRUE(channel.PostToReceiveThread(RecvDeliverTo{Address<LinkEvent>(replies)}));
    ASSERT_TRUE(channel.PostToReceiveThread(RecvStart{}));
    ASSERT_EQ(channel.OpenDevice(peer.device(), 4, 4800, 8, 0, 2), K2_OK);
    peer.send("FA00014060000;");
    std::optional<LinkEvent> reply = replies->takeWithin(5s);
    ASSERT_TRUE(reply && std::holds_alternative<ReplyReceived>(*reply));
    EXPECT_EQ(std::get<ReplyReceived>(*reply).text, "FA00014060000");

    EXPECT_EQ(channel.Close(), K2_OK);
    EXPECT_FALSE(channel.PostToReceiveThread(RecvPurge{})); // the thread is gone
    EXPECT_EQ(channel.OpenDevice("/dev/does-not-exist", 1, 4800, 8, 0, 1), K2_ERR_PORT_OPEN);
    EXPECT_EQ(channel.LastError(), static_cast<uint32_t>(ENOENT));
    EXPECT_EQ(channel.Open(0, 4800, 8, 0, 1), K2_ERR_PORT_OPEN); // port 0 names no device
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_FALSE(channel.PostToReceiveThread(RecvStart{}));
    channel.SetStatusPolling(true); // no status thread: nothing happens
    // Single commands and sequences alike.
    for (uint32_t r :
         {channel.SendCommand("IF"), channel.CmdVfoFreq(K2_SET, 1, 14060000),
          channel.CmdRitOffset(1, 95), channel.CmdScanSetup(1, 2), channel.CmdKYText("CQ")})
        EXPECT_EQ(r, K2_ERR_NO_PORT);
}

namespace {

auto entriesIn(const char* folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

// The channel on a symlink to a pseudo-terminal, as /dev/serial/by-id names
// an adapter; the test's queue stands in for the front panel.
struct LineRecovery : ::testing::Test {
    fs::path folder;
    fs::path link;
    std::optional<test::PtyPeer> radio;
    std::shared_ptr<Mailbox<LinkEvent>> panel = std::make_shared<Mailbox<LinkEvent>>();
    CK2CommChannel channel;

    void SetUp() override {
        char tmpl[] = "/tmp/tamrel-link-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        folder = tmpl;
        link = folder / "usb-radio";
        plugIn();
        ASSERT_EQ(channel.OpenDevice(link.string(), 0, 4800, 8, 0, 1), K2_OK);
        channel.PostToReceiveThread(RecvDeliverTo{Address<LinkEvent>(panel)});
        channel.PostToReceiveThread(RecvStart{});
    }
    void TearDown() override {
        channel.Close();
        fs::remove_all(folder);
    }
    // A new adapter: a new pseudo-terminal, and the link re-pointed at it at once.
    // Another program may take the new device's lock before the channel can.
    void plugIn(SerialPort* takenBy = nullptr) {
        radio.emplace();
        if (takenBy) {
            ASSERT_EQ(takenBy->open(radio->device(), 4800, 8, 0, 1), 0);
        }
        fs::create_symlink(radio->device(), folder / "next");
        fs::rename(folder / "next", link);
    }
    void unplug() { radio.reset(); }

    // The next link event, skipping replies, if it is an Event.
    template <class Event> std::optional<Event> next() {
        std::optional<LinkEvent> m;
        do
            m = panel->takeWithin(5s);
        while (m && std::holds_alternative<ReplyReceived>(*m));
        return m && std::holds_alternative<Event>(*m) ? std::get<Event>(*m)
                                                      : std::optional<Event>();
    }
};

} // namespace

TEST_F(LineRecovery, HangUpsAreReportedAndTheDeviceThatComesBackIsUsedWithoutLeaks) {
    radio->send("FA00014060000;");
    ASSERT_TRUE(radio->collectUntil([&](const auto&) { return channel.BytesReceived() >= 14; }));

    unplug();
    ASSERT_TRUE(next<LinkLost>());
    EXPECT_TRUE(channel.IsLost());
    // Commands while the device is away go nowhere, and nothing blocks.
    EXPECT_EQ(channel.CmdIF(), K2_OK);

    plugIn();
    ASSERT_TRUE(next<LinkReopened>());
    EXPECT_FALSE(channel.IsLost());
    // The new line is written.
    EXPECT_EQ(channel.CmdIF(), K2_OK);
    ASSERT_TRUE(radio->waitForCommands(1));
    EXPECT_EQ(radio->texts()[0], "IF");

    // After one cycle, which made what is made lazily (the runner's thread),
    // two more leak no descriptor or thread.
    const auto fds = entriesIn("/proc/self/fd");
    const auto threads = entriesIn("/proc/self/task");
    for (int i = 0; i < 2; ++i) {
        unplug();
        ASSERT_TRUE(next<LinkLost>());
        plugIn();
        ASSERT_TRUE(next<LinkReopened>());
    }
    EXPECT_EQ(entriesIn("/proc/self/fd"), fds);
    EXPECT_EQ(entriesIn("/proc/self/task"), threads);

    // A device that comes back busy is reported as busy, and taken once let go.
    unplug();
    ASSERT_TRUE(next<LinkLost>());
    SerialPort other;
    plugIn(&other);
    auto busy = next<LinkLost>();
    ASSERT_TRUE(busy);
    const int err = busy->error;
    EXPECT_TRUE(err == EWOULDBLOCK || err == EBUSY) << err;
    EXPECT_TRUE(channel.IsLost());
    other.close();
    ASSERT_TRUE(next<LinkReopened>());
}
