// The serial port on a pseudo-terminal: opening, locking, raw bytes, and
// whole-command writes while the radio end stops reading.
#include "platform/SerialPort.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace tamrel;
using namespace std::chrono_literals;

namespace {

struct SerialOnPty : ::testing::Test {
    test::PtyPeer peer; // holds the tty open the whole time
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

// A device that is missing: Channel.WithoutAnOpenLineNothingIsSentOrStarted.
TEST(SerialPort, PortNumbersMapToTtyDevices) {
    EXPECT_EQ(SerialPort::deviceForPort(0), "");
    EXPECT_EQ(SerialPort::deviceForPort(1), "/dev/ttyS0");
}

TEST_F(SerialOnPty, IsExclusiveAndCloseLeavesTheTtyUnlockedWhileTheOtherEndKeepsItAlive) {
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

TEST_F(SerialOnPty, RawBytesPassBothWaysAndHeldOutputDropsACommandWhole) {
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

    ASSERT_EQ(::tcflow(port.fd(), TCOOFF), 0); // the line takes nothing
    EXPECT_EQ(port.writeCommand("FA00007000000;", 50ms), WriteResult::Dropped);
    EXPECT_EQ(port.pendingTail(), 0u);
    EXPECT_EQ(port.writeFailures(), 1u);
    ASSERT_EQ(::tcflow(port.fd(), TCOON), 0);
    EXPECT_EQ(port.writeCommand("KS020;", 1s), WriteResult::Written);
    ASSERT_TRUE(peer.waitForCommands(2));
    peer.collectFor(50ms);
    EXPECT_EQ(peer.raw(), "IF;KS020;");
}

// A command cut by a stall is forgotten with its line. (That a cut command is
// completed before the next, and others are refused meanwhile, is the channel's
// test: OpenChannel.AStalledLineNeverMergesCommandsAndRefusesWithoutWaiting.)
TEST_F(SerialOnPty, ACutCommandIsForgottenWithItsLine) {
    // More than any pseudo-terminal buffers: cannot go out whole while nobody reads.
    const std::string huge = "KY " + std::string(256 * 1024, 'E') + ";";
    EXPECT_EQ(port.writeCommand(huge, 50ms), WriteResult::Stalled);
    const std::size_t wentOut = huge.size() - port.pendingTail();
    EXPECT_GT(port.pendingTail(), 0u);
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
