#include "SerialPort.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tamrel {

namespace {
speed_t speedConstant(uint32_t baud) {
    switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}
} // namespace

std::string SerialPort::deviceForPort(unsigned port) {
    if (port == 0)
        return {};
    return "/dev/ttyS" + std::to_string(port - 1);
}

int SerialPort::open(const std::string& path, uint32_t baud, uint8_t byteSize, uint8_t parity,
                     uint8_t stopBits) {
    close();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    // Another program sharing the radio's line would corrupt both streams.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        int err = errno;
        ::close(fd);
        return err;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        int err = errno;
        ::close(fd);
        return err;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    switch (byteSize) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
    }
    if (parity == 1)
        tio.c_cflag |= PARENB | PARODD;
    else if (parity == 2)
        tio.c_cflag |= PARENB;
    if (stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (speed_t s = speedConstant(baud); s != B0)
        ::cfsetspeed(&tio, s);
    // Like the line settings of the original program, a refused setting is not fatal.
    ::tcsetattr(fd, TCSANOW, &tio);
    fd_ = fd;
    return 0;
}

void SerialPort::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

int SerialPort::bytesWaiting() const {
    int n = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &n) != 0)
        return -1;
    return n;
}

long SerialPort::read(uint8_t* buffer, std::size_t size) {
    if (fd_ < 0)
        return -1;
    for (;;) {
        ssize_t n = ::read(fd_, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return 0;
        return n;
    }
}

bool SerialPort::writeAll(const char* data, std::size_t size) {
    if (fd_ < 0)
        return false;
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, 1000) <= 0)
            return false;
    }
    return true;
}

int SerialPort::hangUpError() const {
    if (fd_ < 0)
        return EBADF;
    pollfd p{fd_, POLLIN, 0};
    int n = ::poll(&p, 1, 0);
    if (n < 0)
        return errno == EINTR ? 0 : errno;
    if (p.revents & POLLNVAL)
        return EBADF;
    if (p.revents & (POLLHUP | POLLERR))
        return EIO;
    return 0;
}

void SerialPort::purgeInput() {
    if (fd_ >= 0)
        ::tcflush(fd_, TCIFLUSH);
}

} // namespace tamrel
