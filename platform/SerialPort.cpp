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
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
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
        ::ioctl(fd, TIOCNXCL); // ours: set just above
        ::close(fd);
        return err;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    switch (byteSize) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    default:
        tio.c_cflag |= CS8;
        break;
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
        // The exclusive flag belongs to the tty, not to this descriptor: while
        // anything else keeps the tty open (a pseudo-terminal's other end, a
        // getty), it would stay set and lock everybody else out.
        ::ioctl(fd_, TIOCNXCL);
        if (stalled_)
            ::tcflush(fd_, TCOFLUSH);
        // Unlocked before the close: a poll still in progress on another
        // thread keeps the open file alive, and with it the lock, so that
        // opening the line again at once would find it taken.
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
    // A new line starts clean: the cut command belonged to the old one.
    tail_.clear();
    stalled_ = false;
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

std::string_view writeResultName(WriteResult result) {
    switch (result) {
    case WriteResult::Written:
        return "written";
    case WriteResult::Stalled:
        return "stalled";
    case WriteResult::Dropped:
        return "dropped";
    case WriteResult::Refused:
        return "refused";
    case WriteResult::Failed:
        return "failed";
    case WriteResult::NotOpen:
        return "not open";
    }
    return {};
}

SerialPort::Push SerialPort::push(std::string_view& bytes, std::chrono::milliseconds stall) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + stall;
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            deadline = Clock::now() + stall;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            lastWriteError_ = errno;
            return Push::Failed;
        }
        // Nothing taken (a full queue, or output held): wait for room.
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Push::Stalled;
        pollfd p{fd_, POLLOUT, 0};
        int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno != EINTR) {
            lastWriteError_ = errno;
            return Push::Failed;
        }
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT)) {
            lastWriteError_ = EIO;
            return Push::Failed;
        }
    }
    return Push::Done;
}

WriteResult SerialPort::fail(WriteResult result) {
    stalled_ = true;
    failures_.fetch_add(1, std::memory_order_relaxed);
    return result;
}

WriteResult SerialPort::writeCommand(std::string_view command, std::chrono::milliseconds stall) {
    if (fd_ < 0)
        return WriteResult::NotOpen;
    if (!tail_.empty()) {
        std::string_view rest = tail_;
        Push p = push(rest, stall);
        tail_.erase(0, tail_.size() - rest.size());
        if (p != Push::Done)
            return fail(WriteResult::Refused);
    }
    std::string_view rest = command;
    Push p = push(rest, stall);
    if (p == Push::Done) {
        stalled_ = false;
        return WriteResult::Written;
    }
    if (rest.size() == command.size())
        return fail(p == Push::Failed ? WriteResult::Failed : WriteResult::Dropped);
    tail_.assign(rest);
    return fail(p == Push::Failed ? WriteResult::Failed : WriteResult::Stalled);
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
