#include "platform/SerialPort.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

using namespace tamrel;
using namespace std::chrono_literals;

TEST(SerialPort, PortNumbersMapToTtyDevices) {
    EXPECT_EQ(SerialPort::deviceForPort(0), "");
    EXPECT_EQ(SerialPort::deviceForPort(1), "/dev/ttyS0");
    EXPECT_EQ(SerialPort::deviceForPort(10), "/dev/ttyS9");
}

TEST(SerialPort, MissingDeviceReportsErrno) {
    SerialPort port;
    EXPECT_EQ(port.open("/dev/does-not-exist", 4800, 8, 0, 1), ENOENT);
    EXPECT_FALSE(port.isOpen());
}

TEST(SerialPort, IsExclusive) {
    test::PtyPeer peer;
    SerialPort a, b;
    ASSERT_EQ(a.open(peer.device(), 4800, 8, 0, 2), 0);
    EXPECT_NE(b.open(peer.device(), 4800, 8, 0, 1), 0);
    a.close();
    EXPECT_EQ(b.open(peer.device(), 4800, 8, 0, 1), 0);
    // Closed while something else still holds the open line (as a poll in
    // progress on the receive thread does), it is free for the next open.
    b.close();
    ASSERT_EQ(a.open(peer.device(), 4800, 8, 0, 1), 0);
    const int held = ::dup(a.fd());
    a.close();
    EXPECT_EQ(b.open(peer.device(), 4800, 8, 0, 1), 0);
    ::close(held);
}

namespace {
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
} // namespace

TEST(SerialPort, CloseLeavesTheTtyUnlockedWhileTheOtherEndKeepsItAlive) {
    test::PtyPeer peer; // holds the tty open the whole time
    SerialPort port;
    ASSERT_EQ(port.open(peer.device(), 4800, 8, 0, 1), 0);
    EXPECT_EQ(exclusiveFlag(peer.device()), 1);
    // A refused second opener must not unlock the port it could not have.
    SerialPort second;
    EXPECT_NE(second.open(peer.device(), 4800, 8, 0, 1), 0);
    EXPECT_EQ(exclusiveFlag(peer.device()), 1);
    port.close();
    EXPECT_EQ(exclusiveFlag(peer.device()), 0);

    // The destructor closes the same way.
    {
        SerialPort scoped;
        ASSERT_EQ(scoped.open(peer.device(), 4800, 8, 0, 1), 0);
    }
    EXPECT_EQ(exclusiveFlag(peer.device()), 0);
}

TEST(SerialPort, WritesReadsCountsAndPurgesRawBytes) {
    test::PtyPeer peer;
    SerialPort port;
    ASSERT_EQ(port.open(peer.device(), 38400, 8, 0, 1), 0);
    ASSERT_TRUE(port.writeAll("IF;", 3));
    ASSERT_TRUE(peer.waitForCommands(1));
    EXPECT_EQ(peer.raw(), "IF;");

    // Raw mode: bit 7, NUL, CR and LF pass untouched.
    const std::string reply("DS\xb0\x00\r\n;", 7);
    peer.send(reply);
    for (int i = 0; i < 100 && port.bytesWaiting() < 7; ++i)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(port.bytesWaiting(), 7);
    uint8_t buf[16];
    ASSERT_EQ(port.read(buf, sizeof buf), 7);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 7), reply);

    peer.send("FA00007000000;");
    for (int i = 0; i < 100 && port.bytesWaiting() < 14; ++i)
        std::this_thread::sleep_for(5ms);
    port.purgeInput();
    EXPECT_EQ(port.bytesWaiting(), 0);
    EXPECT_EQ(port.read(buf, sizeof buf), 0);
}
