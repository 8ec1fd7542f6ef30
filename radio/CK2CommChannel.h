#pragma once
// CK2CommChannel: the one serial channel to the radio.
//
// Responsibilities: owns the serial port, the lock that serialises every use
// of it, and the two radio-link worker threads (the receive thread, the only
// reader, and the status polling thread). Every command leaves the program
// through SendCommand, always via one of the encoders below, which format the
// text and check or clamp its parameters.
//
// Threads: SendCommand and the encoders are called from the user-interface
// thread, the CW thread and the status thread. None of them waits on the
// line: a command is checked, formatted and queued to the sequence runner,
// whose thread alone writes the port, each command whole or not at all.
// Multi-command sequences run there too, paced by the runner, so they can be
// interleaved with single commands at command boundaries, but the bytes of two
// commands never interleave. The port lock guards opening and closing, the
// receive thread's reading passes and purges; writes take a lock of their own
// (and opening and closing both), so a write waiting out a stalled line holds
// up no reply. No other lock is taken while either is held.
//
// Open and Close are called by the application's thread only. Open starts the
// runner and the two worker threads once (a second open reuses them); Close
// lets the runner finish what is queued (a shutdown sequence, say), then posts
// the workers the quit message and joins them before it closes the port, so
// none can be inside the lock then. SetStatusPolling and PostToReceiveThread may be
// used from any thread while the channel is open (not during Open or Close).
// The runner's pacing and the threads' periods are on the channel's clock.

#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/SequenceRunner.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tamrel {

class CK2StatusCmdQueryThread;

// Result codes: 0 is success, the high byte names the area.
inline constexpr uint32_t K2_OK = 0;
inline constexpr uint32_t K2_ERR_PORT_OPEN = 0x2000001;
inline constexpr uint32_t K2_ERR_PORT_SETUP = 0x2000002;
inline constexpr uint32_t K2_ERR_NO_PORT = 0x2000003;
// The line takes nothing (the radio end stopped reading): commands are refused
// whole rather than queued without bound.
inline constexpr uint32_t K2_ERR_LINE_STALLED = 0x2000004;
inline constexpr uint32_t K2_ERR_PARAM_RANGE = 0x3000001;
// The code's name ("K2_ERR_NO_PORT"), or empty for an unknown code.
std::string_view ResultCodeName(uint32_t code);

// Encoder action argument: 1 sets, anything else queries.
inline constexpr uint16_t K2_SET = 1;
inline constexpr uint16_t K2_QUERY = 0;

class CK2CommChannel {
public:
    explicit CK2CommChannel(uint8_t loggingMode = 0, Clock& clock = SteadyClock());
    virtual ~CK2CommChannel();
    CK2CommChannel(const CK2CommChannel&) = delete;
    CK2CommChannel& operator=(const CK2CommChannel&) = delete;

    // Opens numbered port N (its device is SerialPort::deviceForPort(N)).
    // K2_ERR_PORT_OPEN with the errno in LastError() when the device cannot be
    // opened; a failed second open leaves the channel without a port.
    [[nodiscard]] uint32_t Open(uint16_t port, uint16_t baud, uint8_t byteSize, uint8_t parity,
                                uint8_t stopBits);
    // Opens a named device; portNumber is what the panel shows (0 for a device
    // given by path).
    [[nodiscard]] uint32_t OpenDevice(const std::string& device, uint16_t portNumber, uint16_t baud,
                                      uint8_t byteSize, uint8_t parity, uint8_t stopBits);
    // Ends both worker threads (quit message, then join), then closes the port.
    uint32_t Close(); // always K2_OK

    // Queues text + ";" for the runner, which writes it whole under the lock.
    [[nodiscard]] uint32_t SendCommand(std::string_view text);
    // Paces multi-command sequences; null when the channel is not open.
    SequenceRunner* Runner() const { return runner_.get(); }
    // Commands refused, dropped or cut short by a stalled line.
    uint64_t WriteFailures() const;
    // The last write found the line stalled (cleared by the next whole write).
    bool LineStalled() const { return stalled_; }
    // False when there is no receive thread (the channel never opened).
    bool PostToReceiveThread(RecvMessage message);
    // Switches the status thread's polling on or off, if there is one.
    void SetStatusPolling(bool on);
    // While the radio scans it holds back its IF reports: the status poll
    // then reads VFO A as well, so the panel follows the sweep.
    void SetPollVfoA(bool on) { pollVfoA_ = on; }
    Clock& GetClock() const { return clock_; }

    // Every byte the receive thread has read since the channel was made: a
    // radio that answers at all moves it (the link's liveness evidence).
    uint64_t BytesReceived() const { return bytesReceived_.load(std::memory_order_relaxed); }
    // True between a hang-up and the reopen of the same device.
    bool IsLost() const { return lost_; }

    bool IsOpen() const { return open_; }
    uint32_t LastError() const { return lastError_; }
    int PortNumber() const { return portNumber_; }
    const std::string& DeviceName() const { return device_; }
    uint8_t LoggingMode() const { return loggingMode_; }

    // Encoders. Arguments are 16-bit unless said otherwise; only the low 16
    // bits of a wider value count. Range errors return K2_ERR_PARAM_RANGE and
    // send nothing.
    [[nodiscard]] uint32_t CmdAI(uint16_t action, uint16_t level);
    [[nodiscard]] uint32_t CmdK2(uint16_t action, uint16_t level);
    [[nodiscard]] uint32_t CmdSelectAntenna(uint16_t action, uint16_t antenna);
    [[nodiscard]] uint32_t CmdUpDown(uint16_t direction, uint16_t step);
    [[nodiscard]] uint32_t CmdVfoFreq(uint16_t action, uint16_t vfo, uint32_t frequencyHz);
    [[nodiscard]] uint32_t CmdNB(uint16_t action, uint16_t value);
    [[nodiscard]] uint32_t CmdPA(uint16_t action, uint32_t on);
    [[nodiscard]] uint32_t CmdRA(uint16_t action, uint32_t on);
    [[nodiscard]] uint32_t CmdFW(uint16_t action, uint16_t width, uint16_t filter);
    [[nodiscard]] uint32_t CmdMD(uint16_t action, uint16_t mode);
    [[nodiscard]] uint32_t CmdIF();
    [[nodiscard]] uint32_t CmdGT(uint16_t action, uint16_t speed);
    [[nodiscard]] uint32_t CmdKS(uint16_t action, uint16_t wpm);
    [[nodiscard]] uint32_t CmdPC(uint16_t action, uint16_t power, uint32_t rangeFlag);
    [[nodiscard]] uint32_t CmdSQ(uint16_t action, uint16_t level);
    [[nodiscard]] uint32_t CmdFR(uint16_t action, uint16_t vfo);
    [[nodiscard]] uint32_t CmdFT(uint16_t action, uint16_t vfo);
    [[nodiscard]] uint32_t CmdRT(uint16_t action, uint32_t on);
    [[nodiscard]] uint32_t CmdXT(uint16_t action, uint32_t on);
    [[nodiscard]] uint32_t CmdLK(uint16_t action, uint32_t on);
    [[nodiscard]] uint32_t CmdRitStep(uint16_t direction); // 1 RU, 2 RD
    // |offset|/10 steps, 10 ms apart, replacing the rest of an earlier offset move.
    [[nodiscard]] uint32_t CmdRitOffset(uint16_t direction, uint32_t offsetHz);
    [[nodiscard]] uint32_t CmdRC();
    [[nodiscard]] uint32_t CmdTransmit(bool on);            // TX or RX
    [[nodiscard]] uint32_t CmdBandStep(uint16_t direction); // 1 SW01, else SW03
    [[nodiscard]] uint32_t CmdSW20();
    [[nodiscard]] uint32_t CmdSW29();
    [[nodiscard]] uint32_t CmdSwitch(int16_t code); // 1..69
    [[nodiscard]] uint32_t CmdKYQuery();
    // "KY " + text cut to 28 characters; a text holding ";" is refused.
    [[nodiscard]] uint32_t CmdKYText(std::string_view text);
    [[nodiscard]] uint32_t CmdKYCancel();
    [[nodiscard]] uint32_t CmdStatusQuery(); // DS, then BG
    [[nodiscard]] uint32_t CmdScanSetup(int32_t lowHz,
                                        int32_t highHz); // FA, FB, SW19, SW25, 100 ms apart

    // Checkpoints: "ID;" sent behind a set, its tag noted in the order the
    // commands leave, so that each ID reply names the set it follows. The radio
    // answers in order, so every reply before it comes from commands sent before.
    [[nodiscard]] uint32_t CmdCheckpoint(uint64_t tag);
    // The tag of the oldest checkpoint on the wire whose reply has not been taken.
    std::optional<uint64_t> TakeCheckpoint();
    std::optional<uint64_t> NextCheckpoint() const;
    // Drops a checkpoint whose reply will not be waited for any longer.
    void ForgetCheckpoint(uint64_t tag);

private:
    uint32_t Queue(std::string_view text, uint64_t checkpoint);
    uint32_t Write(const std::string& wire);
    uint32_t WriteNoting(const std::string& wire, uint64_t checkpoint);
    void CloseLostPort();
    int ReopenLostPort();

    // The device and line settings of the last good open, for the reopen
    // after a hang-up; guarded by lock_.
    struct LineSettings {
        std::string device;
        uint16_t baud = 0;
        uint8_t byteSize = 8;
        uint8_t parity = 0;
        uint8_t stopBits = 0;
    };

    std::atomic<bool> open_ = false;
    std::atomic<bool> stalled_ = false;
    std::atomic<int> queued_ = 0;
    std::atomic<uint64_t> refused_ = 0;
    std::atomic<uint64_t> bytesReceived_ = 0;
    std::atomic<bool> lost_ = false;
    std::atomic<bool> pollVfoA_ = false;
    LineSettings line_;
    uint32_t lastError_ = 0;
    int portNumber_ = -1;
    uint8_t loggingMode_ = 0;
    Clock& clock_;
    std::string device_;
    std::mutex lock_;
    std::mutex writeLock_; // the writer's, so a stalled write holds up no reader
    mutable std::mutex checkpointLock_;
    std::deque<uint64_t> checkpoints_; // guarded by checkpointLock_
    SerialPort port_;
    // Declared last: destroyed (and so joined) before the port and the lock;
    // the runner last of all, as its steps post to the two threads.
    std::unique_ptr<CK2StatusCmdQueryThread> statusThread_;
    std::unique_ptr<CRecvrCmdParsingThread> recvThread_;
    std::unique_ptr<SequenceRunner> runner_;
};

} // namespace tamrel
