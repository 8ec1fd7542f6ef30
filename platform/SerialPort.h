#pragma once
// A serial device opened the way the radio needs it: exclusive, raw, 8 data
// bits with the given parity and stop bits, no flow control.
//
// Not synchronised: the radio channel serialises every use with its own lock.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tamrel {

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort() { close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // The device of a numbered port: port N is /dev/ttyS{N-1}, the usual
    // mapping of COM ports to tty devices. Empty for port 0.
    static std::string deviceForPort(unsigned port);

    // 0 on success, else the errno of the failing step. A baud rate the line
    // cannot do leaves the device's rate as it was; parity 0 none, 1 odd,
    // 2 even; stop bits 2 gives two, any other value one.
    int open(const std::string& path, uint32_t baud, uint8_t byteSize, uint8_t parity,
             uint8_t stopBits);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Bytes that wait in the input queue; -1 when the query fails.
    int bytesWaiting() const;
    // Reads what is already there without waiting; bytes read or -1.
    long read(uint8_t* buffer, std::size_t size);
    // Writes everything, waiting for the line to take it; gives up when the
    // line takes nothing for a second (a hung or stalled device).
    bool writeAll(const char* data, std::size_t size);
    // 0 while the line is usable; else why not: EIO after a hang-up (the
    // device was unplugged, the far end of a pseudo-terminal closed), ENODEV
    // when the device node is gone.
    int hangUpError() const;
    // Discards whatever waits in the input queue.
    void purgeInput();

private:
    int fd_ = -1;
};

} // namespace tamrel
