#include "CK2CommChannel.h"

#include "CK2StatusCmdQueryThread.h"
#include "CRecvrCmdParsingThread.h"
#include "K2Commands.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace tamrel {

using namespace std::chrono_literals;

namespace {

// Formats one command into a 32-byte buffer, as every encoder does (so the
// text, without ";", is at most 31 characters; snprintf cuts anything longer),
// and sends it.
__attribute__((format(printf, 2, 3))) uint32_t sendFormatted(CK2CommChannel& channel,
                                                             const char* fmt, ...) {
    std::array<char, 32> buffer;
    va_list args;
    va_start(args, fmt);
    int n = std::vsnprintf(buffer.data(), buffer.size(), fmt, args);
    va_end(args);
    return channel.SendCommand({buffer.data(), static_cast<std::size_t>(std::clamp(n, 0, 31))});
}

// The command's name from the table, by its fixed position. The names are
// string literals, so data() is a C string.
const char* name(ReplyId id) {
    return commandName(id).data();
}

int digit(uint32_t flag) {
    return flag != 0 ? 1 : 0;
}

} // namespace

std::string_view ResultCodeName(uint32_t code) {
    switch (code) {
    case K2_OK:
        return "K2_OK";
    case K2_ERR_PORT_OPEN:
        return "K2_ERR_PORT_OPEN";
    case K2_ERR_PORT_SETUP:
        return "K2_ERR_PORT_SETUP";
    case K2_ERR_NO_PORT:
        return "K2_ERR_NO_PORT";
    case K2_ERR_LINE_STALLED:
        return "K2_ERR_LINE_STALLED";
    case K2_ERR_PARAM_RANGE:
        return "K2_ERR_PARAM_RANGE";
    default:
        return {};
    }
}

CK2CommChannel::CK2CommChannel(uint8_t loggingMode, Clock& clock)
    : loggingMode_(loggingMode), clock_(clock) {}

CK2CommChannel::~CK2CommChannel() {
    (void)Close(); // it cannot fail
}

uint32_t CK2CommChannel::Open(uint16_t port, uint16_t baud, uint8_t byteSize, uint8_t parity,
                              uint8_t stopBits) {
    return OpenDevice(SerialPort::deviceForPort(port), port, baud, byteSize, parity, stopBits);
}

uint32_t CK2CommChannel::OpenDevice(const std::string& device, uint16_t portNumber, uint16_t baud,
                                    uint8_t byteSize, uint8_t parity, uint8_t stopBits) {
    {
        // A second open replaces the port under the other threads' feet.
        std::scoped_lock guard(lock_, writeLock_);
        if (int err = port_.open(device, baud, byteSize, parity, stopBits); err != 0) {
            lastError_ = static_cast<uint32_t>(err);
            open_ = false;
            portNumber_ = -1;
            device_.clear();
            return K2_ERR_PORT_OPEN;
        }
        port_.purgeInput();
        line_ = {device, baud, byteSize, parity, stopBits};
        lost_ = false;
    }
    portNumber_ = portNumber;
    device_ = device;
    open_ = true;

    if (!runner_)
        runner_ = std::make_unique<SequenceRunner>(clock_);
    // The queues exist when start() returns, so the setup is posted at once.
    if (!recvThread_) {
        recvThread_ = std::make_unique<CRecvrCmdParsingThread>(clock_);
        recvThread_->start();
        RecvSetup setup{&port_, 100ms, &lock_, &bytesReceived_, {}};
        setup.recovery.close = [this] { CloseLostPort(); };
        setup.recovery.reopen = [this] { return ReopenLostPort(); };
        recvThread_->post(std::move(setup));
    }
    if (!statusThread_) {
        statusThread_ = std::make_unique<CK2StatusCmdQueryThread>(clock_);
        statusThread_->start();
        statusThread_->post(StatusSetup{this, 1000ms});
    }
    return K2_OK;
}

// On the receive thread, after it saw the line hang up: the descriptor of a
// device that is gone is useless, and keeping it open would keep its node
// (and the adapter's name) from coming back the same.
void CK2CommChannel::CloseLostPort() {
    std::scoped_lock guard(lock_, writeLock_);
    port_.close();
    lost_ = true;
}

int CK2CommChannel::ReopenLostPort() {
    std::scoped_lock guard(lock_, writeLock_);
    if (port_.isOpen())
        return 0;
    const LineSettings& l = line_;
    if (int err = port_.open(l.device, l.baud, l.byteSize, l.parity, l.stopBits); err != 0)
        return err;
    port_.purgeInput();
    lost_ = false;
    return 0;
}

uint32_t CK2CommChannel::Close() {
    // The status thread goes first, as it only sends; then what is queued
    // still goes out (the shutdown sequence posts to the receive thread, so
    // the runner finishes before that ends). The runner itself is destroyed
    // last, when no thread that could reach it is left, so none can be inside
    // a lock or using the port when it closes.
    statusThread_.reset();
    open_ = false; // from here other senders hear K2_ERR_NO_PORT
    if (runner_)
        runner_->Finish();
    recvThread_.reset();
    runner_.reset();
    {
        std::scoped_lock guard(lock_, writeLock_);
        port_.close();
    }
    portNumber_ = -1;
    device_.clear();
    open_ = false;
    return K2_OK;
}

uint32_t CK2CommChannel::SendCommand(std::string_view text) {
    return Queue(text, 0);
}

uint32_t CK2CommChannel::Queue(std::string_view text, uint64_t checkpoint) {
    // As "%s;": the text ends at a NUL.
    text = text.substr(0, text.find('\0'));
    std::string wire;
    wire.reserve(text.size() + 1);
    wire.append(text).push_back(';');
    // Sequence steps run on the runner's thread: they write in their turn.
    if (runner_ && runner_->OnRunnerThread())
        return WriteNoting(wire, checkpoint);
    if (!open_ || !runner_)
        return K2_ERR_NO_PORT;
    // While the line is stalled one command at a time probes it; the rest are
    // refused at once instead of each waiting out the stall in the queue.
    if (stalled_ && queued_ > 0) {
        ++refused_;
        return K2_ERR_LINE_STALLED;
    }
    ++queued_;
    if (!runner_->Post([this, checkpoint, wire = std::move(wire)] {
            WriteNoting(wire, checkpoint);
            --queued_;
        })) {
        --queued_;
        ++refused_;
        return K2_ERR_LINE_STALLED;
    }
    return K2_OK;
}

uint32_t CK2CommChannel::WriteNoting(const std::string& wire, uint64_t checkpoint) {
    if (checkpoint == 0)
        return Write(wire);
    // Noted before it leaves, so that its reply can never come first.
    {
        std::lock_guard guard(checkpointLock_);
        checkpoints_.push_back(checkpoint);
    }
    const uint32_t result = Write(wire);
    if (result != K2_OK)
        ForgetCheckpoint(checkpoint);
    return result;
}

uint32_t CK2CommChannel::CmdCheckpoint(uint64_t tag) {
    return Queue(name(ID_ID), tag);
}

std::optional<uint64_t> CK2CommChannel::TakeCheckpoint() {
    std::lock_guard guard(checkpointLock_);
    if (checkpoints_.empty())
        return std::nullopt;
    const uint64_t tag = checkpoints_.front();
    checkpoints_.pop_front();
    return tag;
}

std::optional<uint64_t> CK2CommChannel::NextCheckpoint() const {
    std::lock_guard guard(checkpointLock_);
    if (checkpoints_.empty())
        return std::nullopt;
    return checkpoints_.front();
}

void CK2CommChannel::ForgetCheckpoint(uint64_t tag) {
    std::lock_guard guard(checkpointLock_);
    std::erase(checkpoints_, tag);
}

uint32_t CK2CommChannel::Write(const std::string& wire) {
    // Not the port lock: a write waiting out a stall must not hold up replies.
    std::lock_guard guard(writeLock_);
    // Behind a stall, commands still queued only take what the line takes at
    // once; the probe that comes after them waits out the stall time.
    const auto stall = stalled_ && queued_ > 1 ? 0ms : 1000ms;
    switch (port_.writeCommand(wire, stall)) {
    case WriteResult::Written:
        stalled_ = false;
        return K2_OK;
    case WriteResult::NotOpen:
        return K2_ERR_NO_PORT;
    default:
        stalled_ = true;
        return K2_ERR_LINE_STALLED;
    }
}

uint64_t CK2CommChannel::WriteFailures() const {
    return port_.writeFailures() + refused_;
}

bool CK2CommChannel::PostToReceiveThread(RecvMessage message) {
    return recvThread_ && recvThread_->post(std::move(message));
}

void CK2CommChannel::SetStatusPolling(bool on) {
    if (statusThread_)
        statusThread_->post(StatusPolling{on});
}

// ---- Encoders ---------------------------------------------------------------
// Steps of a paced sequence run on the runner, where nobody waits for their
// results: a line that takes nothing shows in LineStalled() and in the
// replies that stop coming.

uint32_t CK2CommChannel::CmdAI(uint16_t action, uint16_t level) {
    if (action != K2_SET)
        return SendCommand(name(ID_AI));
    if (level > 3)
        return K2_ERR_PARAM_RANGE;
    return sendFormatted(*this, "%s%1d", name(ID_AI), level);
}

uint32_t CK2CommChannel::CmdK2(uint16_t action, uint16_t level) {
    if (action != K2_SET)
        return SendCommand(name(ID_K2));
    if (level > 3)
        return K2_ERR_PARAM_RANGE;
    return sendFormatted(*this, "%s%1d", name(ID_K2), level);
}

uint32_t CK2CommChannel::CmdSelectAntenna(uint16_t action, uint16_t antenna) {
    if (action != K2_SET)
        return SendCommand(name(ID_AN));
    if (antenna != 1 && antenna != 2)
        return K2_ERR_PARAM_RANGE;
    return sendFormatted(*this, "%s%1d", name(ID_AN), antenna);
}

uint32_t CK2CommChannel::CmdUpDown(uint16_t direction, uint16_t step) {
    if ((direction != 1 && direction != 2) || step < 1 || step > 4)
        return K2_ERR_PARAM_RANGE;
    return sendFormatted(*this, "%s%1d", name(direction == 1 ? ID_UP : ID_DN), step);
}

uint32_t CK2CommChannel::CmdVfoFreq(uint16_t action, uint16_t vfo, uint32_t frequencyHz) {
    if (vfo > 1)
        return K2_ERR_PARAM_RANGE;
    const char* n = name(vfo == 0 ? ID_FA : ID_FB);
    if (action != K2_SET)
        return SendCommand(n);
    return sendFormatted(*this, "%s%011u", n, frequencyHz);
}

uint32_t CK2CommChannel::CmdNB(uint16_t action, uint16_t value) {
    if (action != K2_SET)
        return SendCommand(name(ID_NB));
    if (value > 2)
        return K2_ERR_PARAM_RANGE;
    // The radio steps the blanker itself; the value does not change the text.
    return sendFormatted(*this, "%s1", name(ID_NB));
}

uint32_t CK2CommChannel::CmdPA(uint16_t action, uint32_t on) {
    if (action != K2_SET)
        return SendCommand(name(ID_PA));
    return sendFormatted(*this, "%s%1d", name(ID_PA), digit(on));
}

uint32_t CK2CommChannel::CmdRA(uint16_t action, uint32_t on) {
    if (action != K2_SET)
        return SendCommand(name(ID_RA));
    return sendFormatted(*this, "%s0%1d", name(ID_RA), digit(on));
}

uint32_t CK2CommChannel::CmdFW(uint16_t action, uint16_t width, uint16_t filter) {
    if (action != K2_SET)
        return SendCommand(name(ID_FW));
    if (filter < 1 || filter > 4)
        return K2_ERR_PARAM_RANGE;
    return sendFormatted(*this, "%s%04d%1d", name(ID_FW), width, filter);
}

uint32_t CK2CommChannel::CmdMD(uint16_t action, uint16_t mode) {
    if (action != K2_SET)
        return SendCommand(name(ID_MD));
    if (mode < 1 || mode > 9)
        return K2_ERR_PARAM_RANGE;
    return sendFormatted(*this, "%s%1d", name(ID_MD), mode);
}

uint32_t CK2CommChannel::CmdIF() {
    return SendCommand(name(ID_IF));
}

uint32_t CK2CommChannel::CmdGT(uint16_t action, uint16_t speed) {
    if (action != K2_SET)
        return SendCommand(name(ID_GT));
    if (speed > 4)
        return K2_ERR_PARAM_RANGE;
    return sendFormatted(*this, "%s%03d%1d", name(ID_GT), speed, digit(speed));
}

uint32_t CK2CommChannel::CmdKS(uint16_t action, uint16_t wpm) {
    if (action != K2_SET)
        return SendCommand(name(ID_KS));
    return sendFormatted(*this, "%s%03d", name(ID_KS), std::clamp<int>(wpm, 9, 50));
}

uint32_t CK2CommChannel::CmdPC(uint16_t action, uint16_t power, uint32_t rangeFlag) {
    if (action != K2_SET)
        return SendCommand(name(ID_PC));
    return sendFormatted(*this, "%s%03d%1d", name(ID_PC), std::min<int>(power, 150),
                         digit(rangeFlag));
}

uint32_t CK2CommChannel::CmdSQ(uint16_t action, uint16_t level) {
    if (action != K2_SET)
        return SendCommand(name(ID_SQ));
    return sendFormatted(*this, "%s%03d", name(ID_SQ), std::min<int>(level, 250));
}

uint32_t CK2CommChannel::CmdFR(uint16_t action, uint16_t vfo) {
    if (action != K2_SET)
        return SendCommand(name(ID_FR));
    if (vfo > 1)
        return K2_ERR_PARAM_RANGE;
    return sendFormatted(*this, "%s%1d", name(ID_FR), vfo);
}

uint32_t CK2CommChannel::CmdFT(uint16_t action, uint16_t vfo) {
    if (action != K2_SET)
        return SendCommand(name(ID_FT));
    if (vfo > 1)
        return K2_ERR_PARAM_RANGE;
    return sendFormatted(*this, "%s%1d", name(ID_FT), vfo);
}

uint32_t CK2CommChannel::CmdRT(uint16_t action, uint32_t on) {
    if (action != K2_SET)
        return SendCommand(name(ID_RT));
    return sendFormatted(*this, "%s%1d", name(ID_RT), digit(on));
}

uint32_t CK2CommChannel::CmdXT(uint16_t action, uint32_t on) {
    if (action != K2_SET)
        return SendCommand(name(ID_XT));
    return sendFormatted(*this, "%s%1d", name(ID_XT), digit(on));
}

uint32_t CK2CommChannel::CmdLK(uint16_t action, uint32_t on) {
    if (action != K2_SET)
        return SendCommand(name(ID_LK));
    return sendFormatted(*this, "%s%1d", name(ID_LK), digit(on));
}

uint32_t CK2CommChannel::CmdRitStep(uint16_t direction) {
    if (direction != 1 && direction != 2)
        return K2_ERR_PARAM_RANGE;
    return SendCommand(name(direction == 1 ? ID_RU : ID_RD));
}

uint32_t CK2CommChannel::CmdRitOffset(uint16_t direction, uint32_t offsetHz) {
    if (direction != 1 && direction != 2)
        return K2_ERR_PARAM_RANGE;
    if (!open_ || !runner_)
        return K2_ERR_NO_PORT;
    // Each step moves the offset by 10 Hz.
    std::vector<SequenceRunner::Step> steps(
        (offsetHz & 0xffff) / 10, {[this, direction] { (void)CmdRitStep(direction); }, 10ms});
    runner_->Run(SequenceRunner::Kind::RitOffset, std::move(steps));
    return K2_OK;
}

uint32_t CK2CommChannel::CmdRC() {
    return SendCommand(name(ID_RC));
}

uint32_t CK2CommChannel::CmdTransmit(bool on) {
    return SendCommand(name(on ? ID_TX : ID_RX));
}

uint32_t CK2CommChannel::CmdBandStep(uint16_t direction) {
    return sendFormatted(*this, "%s%s", name(ID_SW), direction == 1 ? "01" : "03");
}

uint32_t CK2CommChannel::CmdSW20() {
    return sendFormatted(*this, "%s20", name(ID_SW));
}

uint32_t CK2CommChannel::CmdSW29() {
    return sendFormatted(*this, "%s29", name(ID_SW));
}

uint32_t CK2CommChannel::CmdSwitch(int16_t code) {
    if (code < 1 || code > 69)
        return K2_ERR_PARAM_RANGE;
    return sendFormatted(*this, "%s%02d", name(ID_SW), code);
}

uint32_t CK2CommChannel::CmdKYQuery() {
    return SendCommand(name(ID_KY));
}

uint32_t CK2CommChannel::CmdKYText(std::string_view text) {
    // A ";" would end the KY command and make the rest a command of its own.
    if (text.find(';') != std::string_view::npos)
        return K2_ERR_PARAM_RANGE;
    // "KY " leaves 28 characters of the 31 for the text; a longer text is cut
    // to fit (the CW thread sends at most 24).
    std::string command(name(ID_KY));
    command.append(" ").append(text.substr(0, 28));
    return SendCommand(command);
}

uint32_t CK2CommChannel::CmdKYCancel() {
    return sendFormatted(*this, "%s @", name(ID_KY));
}

uint32_t CK2CommChannel::CmdStatusQuery() {
    if (uint32_t r = SendCommand(name(ID_DS)); r != K2_OK)
        return r;
    if (uint32_t r = SendCommand(name(ID_BG)); r != K2_OK || !pollVfoA_)
        return r;
    return SendCommand(name(ID_FA));
}

uint32_t CK2CommChannel::CmdScanSetup(int32_t lowHz, int32_t highHz) {
    if (lowHz > highHz)
        return K2_ERR_PARAM_RANGE;
    if (!open_ || !runner_)
        return K2_ERR_NO_PORT;
    // Not atomic: other threads' commands may fall between the steps.
    const auto low = static_cast<uint32_t>(lowHz);
    const auto high = static_cast<uint32_t>(highHz);
    runner_->Run(SequenceRunner::Kind::ScanSetup,
                 {{[this, low] { (void)CmdVfoFreq(K2_SET, 0, low); }, 100ms},
                  {[this, high] { (void)CmdVfoFreq(K2_SET, 1, high); }, 100ms},
                  {[this] { (void)CmdSwitch(19); }, 100ms},
                  {[this] { (void)CmdSwitch(25); }, {}}});
    return K2_OK;
}

} // namespace tamrel
