#include "PseudoTerminal.h"

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace tamrel {

PseudoTerminal::PseudoTerminal() {
    int slave = -1;
    char name[256] = {};
    termios tio{};
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&tio, B38400);
    if (::openpty(&master_, &slave, name, &tio, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "openpty");
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::close(slave);
    slavePath_ = name;
}

PseudoTerminal::~PseudoTerminal() {
    holdSlaveOpen(false);
    if (master_ >= 0)
        ::close(master_);
}

void PseudoTerminal::holdSlaveOpen(bool hold) {
    if (hold && heldSlave_ < 0) {
        heldSlave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (heldSlave_ >= 0) {
            termios tio{};
            ::tcgetattr(heldSlave_, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(heldSlave_, TCSANOW, &tio);
        }
    } else if (!hold && heldSlave_ >= 0) {
        ::close(heldSlave_);
        heldSlave_ = -1;
    }
}

} // namespace tamrel
