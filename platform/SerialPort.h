#pragma once
// A serial device opened the way the radio needs it: exclusive, raw, 8 data
// bits with the given parity and stop bits, no flow control.
//
// Not synchronised: the radio channel serialises every use with its own lock.
// writeCommand has one caller, the channel's writer thread; writeFailures()
// may be read from any thread.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tamrel {

// What became of one command handed to SerialPort::writeCommand.
enum class WriteResult {
    Written, // the whole command is on the wire (after an earlier one's tail, if any)
    Stalled, // part went out, then the line took nothing for the stall time; the
             // rest is kept and goes out before any later byte
    Dropped, // the line took none of it within the stall time; nothing kept
    Refused, // an earlier command's tail still could not go out; nothing of this
             // one was written
    Failed,  // the device reported an error (lastWriteError()); a cut command's
             // rest is kept, as after a stall
    NotOpen, // no device open; not counted as a failure
};
std::string_view writeResultName(WriteResult result);

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
    // line takes nothing for a second (a hung or stalled device), leaving
    // whatever part went out. Knows nothing of commands: use writeCommand for
    // the radio, and not both on one port.
    bool writeAll(const char* data, std::size_t size);

    // Writes one whole command, or nothing of it, so that the radio only ever
    // reads whole commands: a command cut by a stalled line (no progress for
    // `stall`) is completed before any later byte, and while that cannot be
    // done later commands are refused whole. Waits at most `stall` without
    // progress, so a call can take longer only while the line keeps moving.
    WriteResult writeCommand(std::string_view command,
                             std::chrono::milliseconds stall = std::chrono::seconds(1));
    // Bytes of a cut command still to go out (0 when the line is clean).
    std::size_t pendingTail() const { return tail_.size(); }
    // Every Stalled, Dropped, Refused and Failed result since construction.
    uint64_t writeFailures() const { return failures_.load(std::memory_order_relaxed); }
    // The errno of the last Failed result.
    int lastWriteError() const { return lastWriteError_; }

    // 0 while the line is usable; else why not: EIO after a hang-up (the
    // device was unplugged, the far end of a pseudo-terminal closed), ENODEV
    // when the device node is gone.
    int hangUpError() const;
    // Discards whatever waits in the input queue.
    void purgeInput();

private:
    enum class Push { Done, Stalled, Failed };
    // Writes from the front of `bytes`, removing what went out.
    Push push(std::string_view& bytes, std::chrono::milliseconds stall);
    WriteResult fail(WriteResult result);

    int fd_ = -1;
    std::string tail_;
    // The last command did not go out whole: closing discards the output
    // queue instead of waiting for a line that may never drain.
    bool stalled_ = false;
    int lastWriteError_ = 0;
    std::atomic<uint64_t> failures_{0};
};

} // namespace tamrel
