#pragma once
// A pseudo-terminal pair: the simulated radio and the tests sit on the master
// side, and the program opens the slave device as if it were a serial port.

#include <string>

namespace tamrel {

class PseudoTerminal {
public:
    // Opens a raw pair. Throws std::system_error when the system has none.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Keeps one descriptor of the slave open so that the master does not read
    // EIO while no program has the device open. Exclusive openers (the serial
    // port takes TIOCEXCL) are not hindered by it.
    void holdSlaveOpen(bool hold);

private:
    int master_ = -1;
    int heldSlave_ = -1;
    std::string slavePath_;
};

} // namespace tamrel
