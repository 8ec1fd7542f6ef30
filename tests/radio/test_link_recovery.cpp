// The line hanging up and coming back, over real pseudo-terminals.
#include "platform/Mailbox.h"
#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <unistd.h>

using namespace tamrel;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::size_t entriesIn(const char* folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++n;
    return n;
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
    void plugIn() {
        radio.emplace();
        fs::path next = folder / "next";
        fs::create_symlink(radio->device(), next);
        fs::rename(next, link);
    }
    void unplug() { radio.reset(); }

    // The next link event, skipping replies.
    std::optional<LinkEvent> linkEvent(std::chrono::milliseconds timeout = 5s) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            auto m = panel->takeWithin(std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now()));
            if (m && !std::holds_alternative<ReplyReceived>(*m))
                return m;
        }
        return std::nullopt;
    }
    static bool isLost(const std::optional<LinkEvent>& e) {
        return e && std::holds_alternative<LinkLost>(*e);
    }
    static bool isBack(const std::optional<LinkEvent>& e) {
        return e && std::holds_alternative<LinkReopened>(*e);
    }
};

} // namespace

TEST_F(LineRecovery, HangUpIsReportedAndTheReturnedDeviceIsWrittenAndRead) {
    radio->send("FA00014060000;");
    ASSERT_TRUE(radio->collectUntil([&](const auto&) { return channel.BytesReceived() >= 14; }));

    unplug();
    ASSERT_TRUE(isLost(linkEvent()));
    EXPECT_TRUE(channel.IsLost());
    EXPECT_TRUE(channel.IsOpen()); // still the channel of that device
    // Commands while the device is away go nowhere, and nothing blocks.
    EXPECT_EQ(channel.CmdIF(), K2_OK);

    plugIn();
    ASSERT_TRUE(isBack(linkEvent()));
    EXPECT_FALSE(channel.IsLost());

    // Commands go out on the new line. (That the panel then sends the initial
    // query is its own test, FrontPanelWindow.LampsShowTheLinkAndTheTransmitter.)
    EXPECT_EQ(channel.CmdIF(), K2_OK);
    ASSERT_TRUE(radio->waitForCommands(1));
    EXPECT_EQ(radio->texts()[0], "IF");
    // And it reads the new line.
    const uint64_t before = channel.BytesReceived();
    radio->send("FB00007030000;");
    EXPECT_TRUE(radio->collectUntil([&](const auto&) { return channel.BytesReceived() > before; }));
}

TEST_F(LineRecovery, UnpluggingTwiceLeaksNoDescriptorOrThread) {
    // One cycle first, so lazily made things (the runner's thread) exist in both counts.
    unplug();
    ASSERT_TRUE(linkEvent());
    plugIn();
    ASSERT_TRUE(linkEvent());
    const std::size_t fds = entriesIn("/proc/self/fd");
    const std::size_t threads = entriesIn("/proc/self/task");
    for (int i = 0; i < 2; ++i) {
        unplug();
        ASSERT_TRUE(isLost(linkEvent()));
        plugIn();
        ASSERT_TRUE(isBack(linkEvent()));
    }
    EXPECT_EQ(entriesIn("/proc/self/fd"), fds);
    EXPECT_EQ(entriesIn("/proc/self/task"), threads);
}

TEST_F(LineRecovery, ADeviceThatComesBackBusyIsReportedAsBusy) {
    unplug();
    ASSERT_TRUE(linkEvent());
    // Another program takes the new device's lock before we can.
    radio.emplace();
    SerialPort other;
    ASSERT_EQ(other.open(radio->device(), 4800, 8, 0, 1), 0);
    fs::create_symlink(radio->device(), folder / "next");
    fs::rename(folder / "next", link);
    auto busy = linkEvent();
    ASSERT_TRUE(isLost(busy));
    const int err = std::get<LinkLost>(*busy).error;
    EXPECT_TRUE(err == EWOULDBLOCK || err == EBUSY) << err;
    EXPECT_TRUE(channel.IsLost());
    // Once it lets go, we get it.
    other.close();
    ASSERT_TRUE(isBack(linkEvent()));
}
