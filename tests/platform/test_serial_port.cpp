// The serial port on a pseudo-terminal: opening, locking, raw bytes, and
// whole-command writes while the radio end stops reading.
#include "platform/SerialPort.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tamrel;
using namespace std::chrono_literals;

namespace {

struct CommandWrites : ::testing::Test {
    test::PtyPeer peer;
    SerialPort port;

    void SetUp() override { ASSERT_EQ(port.open(peer.device(), 38400, 8, 0, 1), 0); }

    // Reads on another thread until the raw bytes end with `end`.
    std::thread readUntil(std::string end) {
        return std::thread([this, end = std::move(end)] {
            peer.collectUntil(
                [&](const auto&) {
                    const std::string& raw = peer.raw();
                    return raw.size() >= end.size() &&
                           raw.compare(raw.size() - end.size(), end.size(), end) == 0;
                },
                10s);
        });
    }
};

// More than any pseudo-terminal buffers: cannot go out whole while nobody reads.
std::string hugeCommand() {
    return "KY " + std::string(256 * 1024, 'E') + ";";
}

// The tty's exclusive flag as another opener sees it: 1 set, 0 clear. An
// unprivileged opener is refused while it is set, which counts as set too.
int exclusiveFlag(const std::string& device) {
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY ? 1 : -errno;
    int flag = -1;
    if (::ioctl(fd, TIOCGEXCL, &flag) != 0)
        flag = -errno;
    ::close(fd);
    return flag;
}

bool waitingReaches(SerialPort& port, int bytes) {
    for (int i = 0; i < 100 && port.bytesWaiting() < bytes; ++i)
        std::this_thread::sleep_for(5ms);
    return port.bytesWaiting() == bytes;
}

} // namespace

TEST(SerialPort, PortNumbersMapToTtyDevicesAndAMissingOneReportsErrno) {
    EXPECT_EQ(SerialPort::deviceForPort(0), "");
    EXPECT_EQ(SerialPort::deviceForPort(1), "/dev/ttyS0");
    EXPECT_EQ(SerialPort::deviceForPort(10), "/dev/ttyS9");
    SerialPort port;
    EXPECT_EQ(port.open("/dev/does-not-exist", 4800, 8, 0, 1), ENOENT);
    EXPECT_FALSE(port.isOpen());
}

TEST(SerialPort, IsExclusiveAndCloseLeavesTheTtyUnlockedWhileTheOtherEndKeepsItAlive) {
    test::PtyPeer peer; // holds the tty open the whole time
    SerialPort port;
    ASSERT_EQ(port.open(peer.device(), 4800, 8, 0, 2), 0);
    EXPECT_EQ(exclusiveFlag(peer.device()), 1);
    // A refused second opener must not unlock the port it could not have.
    SerialPort second;
    EXPECT_NE(second.open(peer.device(), 4800, 8, 0, 1), 0);
    EXPECT_EQ(exclusiveFlag(peer.device()), 1);
    port.close();
    EXPECT_EQ(exclusiveFlag(peer.device()), 0);
    EXPECT_EQ(second.open(peer.device(), 4800, 8, 0, 1), 0);
    second.close();

    // The destructor closes the same way, also while something else still
    // holds the open line (as a poll in progress on the receive thread does).
    int held = -1;
    {
        SerialPort scoped;
        ASSERT_EQ(scoped.open(peer.device(), 4800, 8, 0, 1), 0);
        held = ::dup(scoped.fd());
    }
    EXPECT_EQ(exclusiveFlag(peer.device()), 0);
    EXPECT_EQ(port.open(peer.device(), 4800, 8, 0, 1), 0);
    ::close(held);
}

TEST_F(CommandWrites, RawBytesAreWrittenReadCountedAndPurged) {
    ASSERT_TRUE(port.writeAll("IF;", 3));
    ASSERT_TRUE(peer.waitForCommands(1));
    EXPECT_EQ(peer.raw(), "IF;");

    // Raw mode: bit 7, NUL, CR and LF pass untouched.
    const std::string reply("DS\xb0\x00\r\n;", 7);
    peer.send(reply);
    ASSERT_TRUE(waitingReaches(port, 7));
    uint8_t buf[16];
    ASSERT_EQ(port.read(buf, sizeof buf), 7);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 7), reply);

    peer.send("FA00007000000;");
    ASSERT_TRUE(waitingReaches(port, 14));
    port.purgeInput();
    EXPECT_EQ(port.bytesWaiting(), 0);
    EXPECT_EQ(port.read(buf, sizeof buf), 0);
}

TEST_F(CommandWrites, CutCommandIsCompletedBeforeTheNextAndNothingIsMerged) {
    const std::string huge = hugeCommand();
    EXPECT_EQ(port.writeCommand(huge, 100ms), WriteResult::Stalled);
    const std::size_t tail = port.pendingTail();
    EXPECT_GT(tail, 0u);
    EXPECT_LT(tail, huge.size());

    // Still nobody reading: a later command is refused whole.
    EXPECT_EQ(port.writeCommand("IF;", 100ms), WriteResult::Refused);
    EXPECT_EQ(port.pendingTail(), tail);
    EXPECT_EQ(port.writeFailures(), 2u);

    std::thread reader = readUntil("FA00014060000;");
    EXPECT_EQ(port.writeCommand("FA00014060000;", 5s), WriteResult::Written);
    EXPECT_EQ(port.pendingTail(), 0u);
    reader.join();
    EXPECT_EQ(peer.raw(), huge + "FA00014060000;");
    EXPECT_EQ(port.writeFailures(), 2u);
}

TEST_F(CommandWrites, HeldOutputDropsTheCommandWholeAndTheLineStaysClean) {
    ASSERT_EQ(::tcflow(port.fd(), TCOOFF), 0); // the line takes nothing
    EXPECT_EQ(port.writeCommand("FA00007000000;", 50ms), WriteResult::Dropped);
    EXPECT_EQ(port.pendingTail(), 0u);
    EXPECT_EQ(port.writeFailures(), 1u);
    ASSERT_EQ(::tcflow(port.fd(), TCOON), 0);
    EXPECT_EQ(port.writeCommand("IF;", 1s), WriteResult::Written);
    ASSERT_TRUE(peer.waitForCommands(1));
    peer.collectFor(50ms);
    EXPECT_EQ(peer.raw(), "IF;");
}

TEST_F(CommandWrites, ClosingForgetsACutCommand) {
    const std::string huge = hugeCommand();
    EXPECT_EQ(port.writeCommand(huge, 50ms), WriteResult::Stalled);
    const std::size_t wentOut = huge.size() - port.pendingTail();
    port.close();
    EXPECT_EQ(port.pendingTail(), 0u);
    EXPECT_EQ(port.writeCommand("IF;"), WriteResult::NotOpen);
    EXPECT_EQ(port.writeFailures(), 1u); // no port is not a line failure

    // The new line does not finish the old line's command. (Closing discards
    // what the old line still queued where the device can; a pseudo-terminal
    // has already handed it over.)
    ASSERT_EQ(port.open(peer.device(), 38400, 8, 0, 1), 0);
    std::thread reader = readUntil("IF;");
    EXPECT_EQ(port.writeCommand("IF;", 5s), WriteResult::Written);
    reader.join();
    const std::string& raw = peer.raw();
    ASSERT_GE(raw.size(), 3u);
    EXPECT_LE(raw.size() - 3, wentOut);
    EXPECT_EQ(raw.substr(0, raw.size() - 3), huge.substr(0, raw.size() - 3));
    EXPECT_EQ(raw.substr(raw.size() - 3), "IF;");
}

// A radio end that stops reading in the middle of a stream of commands of
// several lengths, then reads again, four times over: every command it reads
// is one that was sent, whole and in order, and exactly those that the results
// said went out (where the line stalls inside a command is the kernel's choice,
// so four stalls make a cut command all but certain).
TEST_F(CommandWrites, StreamSurvivesAReaderThatStopsAndResumes) {
    std::vector<std::string> sent; // texts without ";", in order
    std::vector<WriteResult> results;
    std::atomic<bool> finish{false};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        int writtenAfterFinish = 0;
        for (int i = 0; !done; ++i) {
            char text[40];
            if (i % 3 == 0)
                std::snprintf(text, sizeof text, "FA%011d", 14000000 + i);
            else if (i % 3 == 1)
                std::snprintf(text, sizeof text, "KY CQ CQ DE %d", i);
            else
                std::snprintf(text, sizeof text, "KS%03d", i % 1000);
            sent.push_back(text);
            results.push_back(port.writeCommand(std::string(text) + ";", 50ms));
            if (finish && results.back() == WriteResult::Written && ++writtenAfterFinish >= 50)
                done = true;
        }
    });
    for (int cycle = 0; cycle < 4; ++cycle) {
        const uint64_t failures = port.writeFailures();
        for (int i = 0; i < 2000 && port.writeFailures() == failures; ++i)
            std::this_thread::sleep_for(5ms);
        EXPECT_GT(port.writeFailures(), failures) << "the line never stalled";
        // Let a few more commands meet the stalled line, then read a while.
        std::this_thread::sleep_for(100ms);
        peer.collectFor(100ms);
    }
    finish = true;
    peer.collectUntil([&](const auto&) { return done.load(); }, 60s);
    writer.join();
    peer.collectFor(100ms);

    ASSERT_EQ(results.back(), WriteResult::Written);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < sent.size(); ++i)
        if (results[i] == WriteResult::Written || results[i] == WriteResult::Stalled)
            expected.push_back(sent[i]);
    EXPECT_EQ(peer.texts(), expected);
    EXPECT_EQ(peer.raw().back(), ';');
    EXPECT_EQ(port.pendingTail(), 0u);
}
