#include "remote/RigctlSession.h"

#include "cw/CwText.h"
#include "radio/K2Commands.h"
#include "radio/RadioOperations.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

namespace tamrel {

using namespace rigctl;

namespace {

enum class Op {
    GetFreq,
    SetFreq,
    GetMode,
    SetMode,
    GetVfo,
    SetVfo,
    GetSplitVfo,
    SetSplitVfo,
    GetSplitFreq,
    SetSplitFreq,
    GetSplitMode,
    SetSplitMode,
    GetSplitFreqMode,
    SetSplitFreqMode,
    GetPtt,
    SetPtt,
    GetLevel,
    SetLevel,
    GetFunc,
    SetFunc,
    GetRit,
    SetRit,
    GetXit,
    SetXit,
    GetAnt,
    SetAnt,
    VfoOp,
    SendMorse,
    StopMorse,
    WaitMorse,
    SetMem,
    GetMem,
    ChkVfo,
    SetVfoOpt,
    DumpState,
    DumpCaps,
    GetPowerstat,
    GetLockMode,
    SetLockMode,
    GetInfo,
    GetRigInfo,
    GetVfoInfo,
    GetVfoList,
    GetClock,
    ClientVersion,
    NotAvailable, // a hamlib command the radio has nothing for
    Deprecated,   // what hamlib's K2 model answers RIG_EDEPRECATED
};

// The flags of hamlib's command table that shape an answer.
constexpr unsigned kOut = 1;    // a get: no "RPRT 0" after its values in the default form
constexpr unsigned kNoVfo = 2;  // in VFO mode no VFO token comes first
constexpr unsigned kInLine = 4; // the argument is the rest of the line

// The commands that read what the radio last reported.
bool ReadsRadio(Op op) {
    switch (op) {
    case Op::GetFreq:
    case Op::GetMode:
    case Op::GetVfo:
    case Op::GetSplitVfo:
    case Op::GetSplitFreq:
    case Op::GetSplitMode:
    case Op::GetSplitFreqMode:
    case Op::GetPtt:
    case Op::GetLevel:
    case Op::GetFunc:
    case Op::GetRit:
    case Op::GetXit:
    case Op::GetAnt:
    case Op::GetRigInfo:
    case Op::GetVfoInfo:
        return true;
    default:
        return false;
    }
}

} // namespace

struct RigctlSession::Command {
    char shortName; // 0: long form only
    std::string_view longName;
    Op op;
    int args;
    unsigned flags;
};

namespace {

using Command = RigctlSession::Command;

// hamlib's rigctl commands, in its order; those a K2 cannot honour answer the
// code hamlib's K2 model answers.
// clang-format off
constexpr Command kCommands[] = {
    {'F', "set_freq", Op::SetFreq, 1, 0},
    {'f', "get_freq", Op::GetFreq, 0, kOut},
    {'M', "set_mode", Op::SetMode, 2, 0},
    {'m', "get_mode", Op::GetMode, 0, kOut},
    {'I', "set_split_freq", Op::SetSplitFreq, 1, 0},
    {'i', "get_split_freq", Op::GetSplitFreq, 0, kOut},
    {'X', "set_split_mode", Op::SetSplitMode, 2, 0},
    {'x', "get_split_mode", Op::GetSplitMode, 0, kOut},
    {'K', "set_split_freq_mode", Op::SetSplitFreqMode, 3, 0},
    {'k', "get_split_freq_mode", Op::GetSplitFreqMode, 0, kOut},
    {'S', "set_split_vfo", Op::SetSplitVfo, 2, 0},
    {'s', "get_split_vfo", Op::GetSplitVfo, 0, kOut},
    {'N', "set_ts", Op::NotAvailable, 1, 0},
    {'n', "get_ts", Op::NotAvailable, 0, kOut},
    {'L', "set_level", Op::SetLevel, 2, 0},
    {'l', "get_level", Op::GetLevel, 1, kOut},
    {'U', "set_func", Op::SetFunc, 2, 0},
    {'u', "get_func", Op::GetFunc, 1, kOut},
    {'P', "set_parm", Op::NotAvailable, 2, kNoVfo},
    {'p', "get_parm", Op::NotAvailable, 1, kOut | kNoVfo},
    {'G', "vfo_op", Op::VfoOp, 1, 0},
    {'g', "scan", Op::NotAvailable, 2, 0},
    {'A', "set_trn", Op::Deprecated, 1, kNoVfo},
    {'a', "get_trn", Op::Deprecated, 0, kOut | kNoVfo},
    {'R', "set_rptr_shift", Op::NotAvailable, 1, 0},
    {'r', "get_rptr_shift", Op::NotAvailable, 0, kOut},
    {'O', "set_rptr_offs", Op::NotAvailable, 1, 0},
    {'o', "get_rptr_offs", Op::NotAvailable, 0, kOut},
    {'C', "set_ctcss_tone", Op::NotAvailable, 1, 0},
    {'c', "get_ctcss_tone", Op::NotAvailable, 0, kOut},
    {'D', "set_dcs_code", Op::NotAvailable, 1, 0},
    {'d', "get_dcs_code", Op::NotAvailable, 0, kOut},
    {0, "set_ctcss_sql", Op::NotAvailable, 1, 0},
    {0, "get_ctcss_sql", Op::NotAvailable, 0, kOut},
    {0, "set_dcs_sql", Op::NotAvailable, 1, 0},
    {0, "get_dcs_sql", Op::NotAvailable, 0, kOut},
    {'V', "set_vfo", Op::SetVfo, 1, kNoVfo},
    {'v', "get_vfo", Op::GetVfo, 0, kOut | kNoVfo},
    {'T', "set_ptt", Op::SetPtt, 1, 0},
    {'t', "get_ptt", Op::GetPtt, 0, kOut},
    {'E', "set_mem", Op::SetMem, 1, 0},
    {'e', "get_mem", Op::GetMem, 0, kOut},
    {'H', "set_channel", Op::NotAvailable, 1, kNoVfo},
    {'h', "get_channel", Op::NotAvailable, 2, kNoVfo},
    {'B', "set_bank", Op::NotAvailable, 1, 0},
    {'_', "get_info", Op::GetInfo, 0, kOut | kNoVfo},
    {'J', "set_rit", Op::SetRit, 1, 0},
    {'j', "get_rit", Op::GetRit, 0, kOut},
    {'Z', "set_xit", Op::SetXit, 1, 0},
    {'z', "get_xit", Op::GetXit, 0, kOut},
    {'Y', "set_ant", Op::SetAnt, 2, 0},
    {'y', "get_ant", Op::GetAnt, 1, kOut},
    {0, "set_powerstat", Op::NotAvailable, 1, kNoVfo},
    {0, "get_powerstat", Op::GetPowerstat, 0, kOut | kNoVfo},
    {0, "send_dtmf", Op::NotAvailable, 1, kNoVfo},
    {0, "recv_dtmf", Op::NotAvailable, 0, kOut | kNoVfo},
    {'w', "send_cmd", Op::NotAvailable, 1, kOut | kNoVfo | kInLine},
    {'W', "send_cmd_rx", Op::NotAvailable, 2, kOut | kNoVfo},
    {'*', "reset", Op::NotAvailable, 1, kNoVfo},
    {'b', "send_morse", Op::SendMorse, 1, kNoVfo | kInLine},
    {0, "stop_morse", Op::StopMorse, 0, kNoVfo},
    {0, "wait_morse", Op::WaitMorse, 0, kNoVfo},
    {0, "send_voice_mem", Op::NotAvailable, 1, kNoVfo},
    {0, "stop_voice_mem", Op::NotAvailable, 0, kNoVfo},
    {0, "get_dcd", Op::NotAvailable, 0, kOut | kNoVfo},
    {'2', "power2mW", Op::NotAvailable, 3, kOut | kNoVfo},
    {'4', "mW2power", Op::NotAvailable, 3, kOut | kNoVfo},
    {'1', "dump_caps", Op::DumpCaps, 0, kNoVfo},
    {0, "dump_state", Op::DumpState, 0, kOut | kNoVfo},
    {0, "chk_vfo", Op::ChkVfo, 0, kNoVfo},
    {0, "set_vfo_opt", Op::SetVfoOpt, 1, kNoVfo},
    {0, "get_vfo_info", Op::GetVfoInfo, 1, kOut | kNoVfo},
    {0, "get_rig_info", Op::GetRigInfo, 0, kOut | kNoVfo},
    {0, "get_vfo_list", Op::GetVfoList, 0, kOut | kNoVfo},
    {0, "get_clock", Op::GetClock, 0, kNoVfo},
    {0, "set_lock_mode", Op::SetLockMode, 1, kNoVfo},
    {0, "get_lock_mode", Op::GetLockMode, 0, kNoVfo},
    {0, "client_version", Op::ClientVersion, 1, kNoVfo},
};
// clang-format on

const Command* FindShort(char c) {
    for (const Command& command : kCommands)
        if (command.shortName == c)
            return &command;
    return nullptr;
}

const Command* FindLong(std::string_view name) {
    for (const Command& command : kCommands)
        if (command.longName == name)
            return &command;
    return nullptr;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The next blank-separated token of line from pos, which moves past it.
std::string_view TakeToken(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos]))
        ++pos;
    return line.substr(start, pos - start);
}

// Numbers in the C locale: from_chars never looks at the user's locale.
std::optional<double> ParseDouble(std::string_view s) {
    if (!s.empty() && s[0] == '+')
        s.remove_prefix(1);
    double v = 0;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, v);
    if (ec != std::errc() || p != end || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<long> ParseInt(std::string_view s) {
    if (!s.empty() && s[0] == '+')
        s.remove_prefix(1);
    long v = 0;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, v);
    if (ec != std::errc() || p != end || s.empty())
        return std::nullopt;
    return v;
}

std::string FormatFloat(double v) {
    std::array<char, 64> buf{};
    auto [p, ec] =
        std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, 6);
    return ec == std::errc() ? std::string(buf.data(), p) : std::string("0.000000");
}

std::string Hex(uint64_t v) {
    std::array<char, 24> buf{};
    auto [p, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), v, 16);
    (void)ec;
    return "0x" + std::string(buf.data(), p);
}

std::string KHz(uint32_t hz) {
    std::array<char, 32> buf{};
    std::snprintf(buf.data(), buf.size(), "%u.%02u kHz", hz / 1000, hz % 1000 / 10);
    return buf.data();
}

// The K2's modes by their MD codes, named as hamlib's K2 model names them:
// its RTTY and RTTY reverse are hamlib's packet modes, and hamlib's own RTTY,
// AM and FM are modes a K2 does not have.
struct ModeName {
    int code;
    std::string_view name;
    uint64_t bit; // hamlib's mode bit
};
constexpr std::array<ModeName, 6> kModeNames = {{{3, "CW", 0x2},
                                                 {2, "USB", 0x4},
                                                 {1, "LSB", 0x8},
                                                 {7, "CWR", 0x80},
                                                 {6, "PKTLSB", 0x400},
                                                 {9, "PKTUSB", 0x800}}};
constexpr uint64_t kModeMask = 0xc8e;

std::string_view NameOfMode(int code) {
    for (const ModeName& m : kModeNames)
        if (m.code == code)
            return m.name;
    return "None";
}

int CodeOfMode(std::string_view name) {
    for (const ModeName& m : kModeNames)
        if (m.name == name)
            return m.code;
    return 0;
}

// hamlib's bit masks for what the server can do, as \dump_state lists them.
constexpr uint64_t kFuncNb = 1u << 1, kFuncLock = 1u << 16, kFuncRit = 1u << 24,
                   kFuncXit = 1u << 31;
constexpr uint64_t kLevelPreamp = 1u << 0, kLevelAtt = 1u << 1, kLevelSql = 1u << 5,
                   kLevelRfPower = 1u << 12, kLevelKeySpeed = 1u << 14, kLevelAgc = 1u << 17,
                   kLevelStrength = 1u << 30;
constexpr uint64_t kOpCpy = 1u << 0, kOpXchg = 1u << 1, kOpUp = 1u << 5, kOpDown = 1u << 6,
                   kOpBandUp = 1u << 7, kOpBandDown = 1u << 8, kOpToggle = 1u << 12;
constexpr std::string_view kLevelNames = "PREAMP ATT SQL RFPOWER KEYSPD AGC STRENGTH ";
constexpr std::string_view kSetLevelNames = "PREAMP ATT SQL RFPOWER KEYSPD AGC ";
constexpr std::string_view kFuncNames = "NB LOCK RIT XIT ";
constexpr std::string_view kOpNames = "CPY XCHG UP DOWN BAND_UP BAND_DOWN TOGGLE ";
constexpr std::string_view kModeNamesList = "CW USB LSB CWR PKTLSB PKTUSB ";
constexpr std::string_view kVfoNames = "VFOA VFOB ";

constexpr int kPreampDb = 14;     // the K2's preamp gain
constexpr int kAttenuatorDb = 10; // and its attenuator's loss
constexpr int kMaxOffsetHz = 9990;
// hamlib's receive range for the K2; a frequency outside it is refused.
constexpr uint32_t kLowestHz = 500000;
constexpr uint32_t kHighestHz = 30000000;
// What hamlib's K2 model asks its clients to wait, in milliseconds.
constexpr int kTimeoutMs = 2000;
// Normal passbands, as hamlib's K2 model lists them.
constexpr int kNormalCwHz = 500;
constexpr int kNormalSsbHz = 2500;

// VFO tokens as hamlib parses them: -1 for one the session does not know.
enum VfoToken { kVfoA = 0, kVfoB = 1, kCurrent = 2, kTx = 3, kRx = 4, kMain = 5, kSub = 6 };
int ParseVfo(std::string_view token) {
    constexpr std::pair<std::string_view, int> kNames[] = {
        {"VFOA", kVfoA},  {"VFOB", kVfoB}, {"currVFO", kCurrent}, {"VFO", kCurrent},
        {"TX", kTx},      {"RX", kRx},     {"Main", kMain},       {"Sub", kSub},
        {"MainA", kVfoA}, {"MainB", kVfoB}};
    for (auto [name, vfo] : kNames)
        if (token == name)
            return vfo;
    return -1;
}

// The name hamlib echoes for a VFO token.
std::string_view EchoName(int token) {
    constexpr std::string_view kEcho[] = {"VFOA", "VFOB", "currVFO", "TX", "RX", "Main", "Sub"};
    return token < 0 ? "None" : kEcho[token];
}

std::string_view VfoName(int vfo) {
    return vfo == 0 ? "VFOA" : "VFOB";
}

// Segments lit on the bar graph: BG reports 0..10 in dot mode, 12..22 in bar mode.
int Segments(uint32_t barGraph) {
    const int v = static_cast<int>(barGraph);
    return std::clamp(v >= 12 ? v - 12 : v, 0, 10);
}

// About one S unit a segment up to S9, the last segment well over it.
int StrengthDb(uint32_t barGraph) {
    const int n = Segments(barGraph);
    return n >= 10 ? 20 : n * 6 - 54;
}

int OutcomeCode(SetOutcome outcome) {
    switch (outcome) {
    case SetOutcome::Done:
        return kOk;
    case SetOutcome::Refused:
        return kRejected;
    case SetOutcome::NoAnswer:
        break;
    }
    return kTimeout;
}

// hamlib's CRC-32, which closes \get_rig_info.
uint32_t Crc32(std::string_view s) {
    uint32_t crc = 0xffffffff;
    for (char c : s) {
        crc ^= static_cast<unsigned char>(c);
        for (int i = 0; i < 8; ++i)
            crc = crc & 1 ? (crc >> 1) ^ 0xedb88320 : crc >> 1;
    }
    return crc ^ 0xffffffff;
}

} // namespace

// One command's answer: the echo, values and records gathered, then the
// ending the protocol asks for.
class RigctlSession::Reply {
public:
    Reply(char separator, bool extended, bool isGet)
        : sep_(separator), extended_(extended), get_(isGet) {}

    bool Extended() const { return extended_; }
    char Separator() const { return sep_; }
    void Echo(std::string_view text) {
        if (!extended_)
            return;
        out_ += text;
        out_ += sep_;
    }
    // A value: "Key: value" in the extended response (when it has a key), the
    // value alone otherwise, ended by the separator or, with `newline`, by a line end.
    void Value(std::string_view key, std::string_view value, bool newline = false) {
        std::string line;
        if (extended_ && !key.empty()) {
            line += key;
            line += ": ";
        }
        line += value;
        line += newline ? '\n' : sep_;
        values_ += line;
    }
    // Text written as it is (\dump_state, lists).
    void Raw(std::string_view text) { values_ += text; }

    // rigctld's ending: values only after success, then RPRT unless the
    // command is a get answered in the default form.
    void End(int code) {
        if (code == kOk)
            out_ += values_;
        values_.clear();
        if (code != kOk || extended_ || !get_)
            out_ += "RPRT " + std::to_string(code) + "\n";
    }
    // \chk_vfo's ending: its value alone.
    void EndBare() {
        out_ += values_;
        values_.clear();
    }
    std::string Take() { return std::move(out_); }

private:
    char sep_;
    bool extended_;
    bool get_;
    std::string out_;
    std::string values_;
};

RigctlSession::RigctlSession(RadioOperations& operations, MemoryLookup memories, MorseKeyer keyer,
                             Shared* shared, Listener listener)
    : ops_(operations), memories_(std::move(memories)), keyer_(std::move(keyer)),
      shared_(shared ? shared : &ownShared_), listener_(std::move(listener)) {}

RigctlSession::~RigctlSession() {
    *alive_ = false;
    if (shared_->pttOwner == this)
        shared_->pttOwner = nullptr;
}

std::string RigctlSession::HandleLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    lines_.emplace_back(line);
    Pump();
    return Take();
}

std::string RigctlSession::Take() {
    return std::move(out_);
}

void RigctlSession::Pump() {
    // A check answered at once calls back into here: the outer loop goes on.
    if (running_)
        return;
    running_ = true;
    while (!waiting_ && !quit_) {
        if (pos_ >= line_.size()) {
            if (lines_.empty())
                break;
            line_ = std::move(lines_.front());
            lines_.pop_front();
            pos_ = 0;
            continue;
        }
        RunNext();
    }
    running_ = false;
}

void RigctlSession::RunNext() {
    const std::string_view line = line_;
    while (pos_ < line.size() && IsBlank(line[pos_]))
        ++pos_;
    if (pos_ >= line.size())
        return;
    char c = line[pos_++];
    // A leading "+" or other punctuation asks for the extended response.
    bool extended = false;
    char sep = '\n';
    while (c == '+' || (std::ispunct(static_cast<unsigned char>(c)) && c != '\\' && c != '_' &&
                        c != '#' && c != '(' && c != ')')) {
        extended = true;
        if (c != '+')
            sep = c;
        if (pos_ >= line.size())
            return;
        c = line[pos_++];
    }
    if (c == '#') {
        pos_ = line.size(); // a comment
        return;
    }
    if (c == 'q' || c == 'Q') {
        out_ += "RPRT 0\n";
        quit_ = true;
        return;
    }
    const Command* command = c == '\\' ? FindLong(TakeToken(line, pos_)) : FindShort(c);
    if (!command) {
        // Nothing more on this line can be read reliably.
        pos_ = line.size();
        out_ += "RPRT " + std::to_string(kInvalid) + "\n";
        return;
    }

    Reply reply(sep, extended, (command->flags & kOut) != 0);
    Execute(*command, reply);
    out_ += reply.Take();
}

void RigctlSession::Wait(Reply& reply, const std::function<void(std::function<void(int)>)>& start) {
    // The echo goes first, whenever the answer comes.
    out_ += reply.Take();
    waiting_ = std::pair{reply.Separator(), reply.Extended()};
    std::weak_ptr<bool> alive = alive_;
    start([this, alive](int code) {
        if (!alive.expired())
            Finish(code);
    });
}

void RigctlSession::SetFrequency(int vfo, uint32_t hz, SetDone then) {
    if (hz - hz % 10 == ops_.Model().Fields().vfo(vfo))
        return then(SetOutcome::Done);
    std::weak_ptr<bool> alive = alive_;
    ops_.CheckedSetFrequency(vfo, hz, [this, alive, vfo, hz, then](SetOutcome outcome) {
        if (outcome == SetOutcome::Done && !alive.expired() && listener_.note)
            listener_.note("tuned VFO " + std::string(vfo == 0 ? "A" : "B") + " to " +
                           KHz(hz - hz % 10));
        then(outcome);
    });
}

void RigctlSession::SetMode(int code, int filter, SetDone then) {
    const RadioFields& f = ops_.Model().Fields();
    if (code == f.mode && (filter == 0 || filter == f.crystalFilter))
        return then(SetOutcome::Done);
    std::weak_ptr<bool> alive = alive_;
    ops_.CheckedSetMode(code, filter, [this, alive, code, then](SetOutcome outcome) {
        if (outcome == SetOutcome::Done && !alive.expired() && listener_.note)
            listener_.note("set the mode to " + std::string(NameOfMode(code)));
        then(outcome);
    });
}

void RigctlSession::SetVfos(int receiveVfo, int transmitVfo, SetDone then) {
    const RadioFields& f = ops_.Model().Fields();
    if (receiveVfo == f.receiveVfo && transmitVfo == f.transmitVfo)
        return then(SetOutcome::Done);
    ops_.CheckedSetVfos(receiveVfo, transmitVfo, std::move(then));
}

void RigctlSession::Finish(int code) {
    if (!waiting_)
        return;
    Reply reply(waiting_->first, waiting_->second, false);
    waiting_.reset();
    reply.End(code);
    out_ += reply.Take();
    if (running_)
        return; // answered at once: HandleLine returns it
    Pump();
    if (listener_.later) {
        const std::string answers = Take();
        if (!answers.empty())
            listener_.later(answers);
    }
}

void RigctlSession::Execute(const Command& command, Reply& reply) {
    const std::string_view line = line_;
    RadioOperations::ClientCall client(ops_);
    const bool vfoArg = vfoMode_ && !(command.flags & kNoVfo);
    std::string_view vfoToken;
    if (vfoArg)
        vfoToken = TakeToken(line, pos_);
    std::vector<std::string_view> args;
    bool missing = vfoArg && vfoToken.empty();
    std::string_view echoedLine; // rigctld 4.5 echoes the blank before the text too
    if (command.flags & kInLine) {
        echoedLine = line.substr(std::min(pos_, line.size()));
        // The rest of the line, less the blank that separates it.
        if (pos_ < line.size() && line[pos_] == ' ')
            ++pos_;
        args.push_back(line.substr(std::min(pos_, line.size())));
        pos_ = line.size();
    } else {
        for (int i = 0; i < command.args; ++i) {
            const std::string_view a = TakeToken(line, pos_);
            missing = missing || a.empty();
            args.push_back(a);
            if (i == 0 && a == "?")
                break; // "l ?" asks for the list, nothing more
        }
    }

    const int vfoTokenValue = vfoArg ? ParseVfo(vfoToken) : kCurrent;
    if (command.op != Op::ChkVfo) {
        std::string echo(command.longName);
        echo += ':';
        if (vfoMode_) {
            echo += ' ';
            echo += vfoArg ? EchoName(vfoTokenValue) : EchoName(kCurrent);
        }
        for (std::string_view a : args) {
            echo += ' ';
            echo += (command.flags & kInLine) ? echoedLine : a;
        }
        reply.Echo(echo);
    }
    auto done = [&](int code) { reply.End(code); };
    if (missing)
        return done(kInvalid);
    auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : std::string_view(); };
    const bool listsNames = arg(0) == "?";

    K2RadioModel& model = ops_.Model();
    if (ReadsRadio(command.op) && !listsNames && model.Link().State() != LinkState::Live)
        return done(kTimeout);
    const RadioFields& f = model.Fields();
    const int rx = f.receiveVfo;
    const bool split = f.transmitVfo != f.receiveVfo;

    // The VFO a command names in VFO mode; the receive VFO otherwise.
    if (vfoArg && vfoTokenValue < 0)
        return done(kInvalid);
    const int vfo = vfoTokenValue == kVfoA || vfoTokenValue == kMain  ? 0
                    : vfoTokenValue == kVfoB || vfoTokenValue == kSub ? 1
                    : vfoTokenValue == kTx                            ? f.transmitVfo
                                                                      : rx;
    // The VFO a split transmits on: without split, the other one.
    const int txVfo = split ? f.transmitVfo : 1 - rx;

    auto parseHz = [](std::string_view s) -> std::optional<uint32_t> {
        auto v = ParseDouble(s);
        if (!v || *v < kLowestHz || *v > kHighestHz)
            return std::nullopt;
        return static_cast<uint32_t>(std::llround(*v));
    };
    // A checked set: the answer waits for the radio.
    auto wait = [&](std::function<void(SetDone)> set) {
        Wait(reply, [&](std::function<void(int)> finish) {
            set([finish](SetOutcome outcome) { finish(OutcomeCode(outcome)); });
        });
    };
    // The mode and the crystal filter nearest the passband asked for (none for
    // 0, the mode's own, or -1, no change); nothing for a mode the K2 lacks.
    auto modeAndFilter = [&](std::string_view name,
                             std::string_view passband) -> std::optional<std::pair<int, int>> {
        const int code = CodeOfMode(name);
        auto width = ParseInt(passband);
        if (code == 0 || !width)
            return std::nullopt;
        const long wanted = std::labs(*width);
        int filter = 0;
        if (*width != 0 && *width != -1) {
            long best = -1;
            for (int n = 1; n <= 4; ++n) {
                const long off = std::labs(model.FilterWidth(code, n) - wanted);
                if (best < 0 || off < best) {
                    best = off;
                    filter = n;
                }
            }
        }
        return std::pair{code, filter};
    };
    auto setOffset = [&](std::string_view value, bool xit) {
        auto hz = ParseInt(value);
        if (!hz || *hz < -kMaxOffsetHz || *hz > kMaxOffsetHz)
            return kInvalid;
        // The radio steps 10 Hz at a time: many steps outlast a client's
        // patience, so the answer does not wait for them.
        const int target = static_cast<int>(std::lround(static_cast<double>(*hz) / 10.0)) * 10;
        if (target != f.offset || (!f.ritOn && !f.xitOn))
            ops_.CheckedSetOffset(target, xit, {});
        return kOk;
    };

    switch (command.op) {
    case Op::GetFreq:
        reply.Value("Frequency", std::to_string(f.vfo(vfo)));
        return done(kOk);
    case Op::SetFreq: {
        auto hz = parseHz(arg(0));
        if (!hz)
            return done(kInvalid);
        return wait([&](SetDone then) { SetFrequency(vfo, *hz, std::move(then)); });
    }
    case Op::GetMode:
    case Op::GetSplitMode:
        if (command.op == Op::GetMode) {
            reply.Value("Mode", NameOfMode(f.mode));
            reply.Value("Passband", std::to_string(f.bandwidth));
        } else {
            reply.Value("TX Mode", NameOfMode(f.mode));
            reply.Value("TX Passband", std::to_string(f.bandwidth));
        }
        return done(kOk);
    case Op::SetMode:
    case Op::SetSplitMode: { // the K2 has one mode for both VFOs
        if (command.op == Op::SetMode && shared_->lockMode)
            return done(kOk); // as rigctld: a locked mode is answered, not changed
        if (listsNames) {
            reply.Raw(std::string(kModeNamesList) + "\n");
            return done(kOk);
        }
        auto mf = modeAndFilter(arg(0), arg(1));
        if (!mf)
            return done(kInvalid);
        return wait([&](SetDone then) { SetMode(mf->first, mf->second, std::move(then)); });
    }
    case Op::GetVfo:
        reply.Value("VFO", VfoName(rx));
        return done(kOk);
    case Op::SetVfo: {
        if (listsNames) {
            reply.Raw(std::string(kVfoNames) + "\n");
            return done(kOk);
        }
        const int token = ParseVfo(arg(0));
        if (token < 0)
            return done(kInvalid);
        if (token == kCurrent || token == kRx)
            return done(kOk);
        const int target = token == kTx     ? f.transmitVfo
                           : token == kMain ? 0
                           : token == kSub  ? 1
                                            : token;
        // As hamlib's K2 model: a split stays on, transmitting on the other VFO.
        return wait(
            [&](SetDone then) { SetVfos(target, split ? 1 - target : target, std::move(then)); });
    }
    case Op::GetSplitVfo:
        reply.Value("Split", split ? "1" : "0");
        reply.Value("TX VFO", VfoName(f.transmitVfo));
        return done(kOk);
    case Op::SetSplitVfo: {
        auto on = ParseInt(arg(0));
        const int token = ParseVfo(arg(1));
        if (!on || (*on != 0 && *on != 1) || token < 0)
            return done(kInvalid);
        int tx = rx;
        if (*on) {
            tx = token == kVfoA || token == kMain  ? 0
                 : token == kVfoB || token == kSub ? 1
                                                   : 1 - rx;
            if (tx == rx)
                tx = 1 - rx; // split needs the other VFO to transmit on
        }
        return wait([&](SetDone then) { SetVfos(rx, tx, std::move(then)); });
    }
    case Op::GetSplitFreq:
        reply.Value("TX Frequency", std::to_string(f.vfo(txVfo)));
        return done(kOk);
    case Op::SetSplitFreq: {
        auto hz = parseHz(arg(0));
        if (!hz)
            return done(kInvalid);
        return wait([&](SetDone then) { SetFrequency(txVfo, *hz, std::move(then)); });
    }
    case Op::GetSplitFreqMode:
        reply.Value("TX Frequency", std::to_string(f.vfo(txVfo)));
        reply.Value("TX Mode", NameOfMode(f.mode));
        reply.Value("TX Passband", std::to_string(f.bandwidth));
        return done(kOk);
    case Op::SetSplitFreqMode: {
        auto hz = parseHz(arg(0));
        auto mf = modeAndFilter(arg(1), arg(2));
        if (!hz || !mf)
            return done(kInvalid);
        const int which = txVfo;
        const std::pair<int, int> mode = *mf;
        const uint32_t hzValue = *hz;
        std::weak_ptr<bool> alive = alive_;
        return wait([&, which, mode, hzValue, alive](SetDone then) {
            SetFrequency(which, hzValue, [this, alive, mode, then](SetOutcome outcome) {
                if (outcome != SetOutcome::Done || alive.expired())
                    return then(outcome);
                SetMode(mode.first, mode.second, then);
            });
        });
    }
    case Op::GetPtt:
        // Keyed by a T 1 the radio's IF report has not yet echoed counts too.
        reply.Value("PTT", f.transmitting || model.PttKeyed() ? "1" : "0");
        return done(kOk);
    case Op::SetPtt: {
        auto ptt = ParseInt(arg(0));
        if (!ptt || *ptt < 0 || *ptt > 3)
            return done(kInvalid);
        // As hamlib's K2 model, TX in every mode: in CW the radio decides.
        const bool on = *ptt != 0;
        keyedPtt_ = on;
        shared_->pttOwner = on ? this : nullptr;
        return wait([&](SetDone then) {
            std::weak_ptr<bool> alive = alive_;
            ops_.CheckedSetPtt(on, [this, alive, on, then](SetOutcome outcome) {
                if (on && outcome != SetOutcome::Done && !alive.expired()) {
                    keyedPtt_ = false;
                    if (shared_->pttOwner == this)
                        shared_->pttOwner = nullptr;
                }
                then(outcome);
            });
        });
    }
    case Op::GetLevel: {
        const std::string_view level = arg(0);
        if (listsNames) {
            reply.Raw(std::string(kLevelNames) + "\n");
            return done(kOk);
        }
        std::string value;
        if (level == "KEYSPD")
            value = std::to_string(f.cwSpeed);
        else if (level == "RFPOWER")
            // Low range in tenths of a watt up to 15 W, high range in watts up to 110 W.
            value = FormatFloat(std::clamp(f.power / (f.powerRange ? 110.0 : 150.0), 0.0, 1.0));
        else if (level == "STRENGTH")
            value = std::to_string(StrengthDb(f.barGraph));
        else if (level == "PREAMP")
            value = std::to_string(f.preamp ? kPreampDb : 0);
        else if (level == "ATT")
            value = std::to_string(f.attenuator ? kAttenuatorDb : 0);
        else if (level == "AGC")
            value = std::to_string(f.agc == 2 ? 2 : f.agc == 4 ? 3 : 0); // FAST, SLOW, OFF
        else if (level == "SQL")
            value = FormatFloat(std::clamp(f.squelch / 250.0, 0.0, 1.0));
        else
            return done(kInvalid);
        reply.Value({}, value);
        return done(kOk);
    }
    case Op::SetLevel: {
        const std::string_view level = arg(0);
        if (listsNames) {
            reply.Raw(std::string(kSetLevelNames) + "\n");
            return done(kOk);
        }
        auto v = ParseDouble(arg(1));
        if (!v)
            return done(kInvalid);
        if (level == "KEYSPD") {
            const long wpm = std::lround(*v);
            if (wpm < 9 || wpm > 50)
                return done(kInvalid);
            if (wpm != f.cwSpeed)
                ops_.SetCwSpeed(static_cast<int>(wpm));
        } else if (level == "RFPOWER") {
            if (*v < 0 || *v > 1)
                return done(kInvalid);
            const int power = static_cast<int>(std::lround(*v * (ops_.PaOption() ? 110 : 150)));
            if (power != f.power)
                ops_.SetPower(power);
        } else if (level == "PREAMP") {
            if (*v != 0 && std::lround(*v) != kPreampDb)
                return done(kInvalid);
            if ((*v != 0) != (f.preamp != 0))
                ops_.SetPreamp(*v != 0);
        } else if (level == "ATT") {
            if (*v != 0 && std::lround(*v) != kAttenuatorDb)
                return done(kInvalid);
            if ((*v != 0) != (f.attenuator != 0))
                ops_.SetAttenuator(*v != 0);
        } else if (level == "AGC") {
            const long agc = std::lround(*v);
            if (agc != 0 && agc != 2 && agc != 3)
                return done(kInvalid); // the K2 has fast, slow and off
            ops_.SetAgc(agc == 2 ? 2 : agc == 3 ? 4 : 0);
        } else if (level == "SQL") {
            if (*v < 0 || *v > 1)
                return done(kInvalid);
            ops_.SetSquelch(static_cast<int>(std::lround(*v * 250)));
        } else {
            return done(kInvalid);
        }
        return done(kOk);
    }
    case Op::GetFunc: {
        const std::string_view func = arg(0);
        if (listsNames) {
            reply.Raw(std::string(kFuncNames) + "\n");
            return done(kOk);
        }
        bool on = false;
        if (func == "NB")
            on = f.noiseBlanker != 0;
        else if (func == "RIT")
            on = f.ritOn != 0;
        else if (func == "XIT")
            on = f.xitOn != 0;
        else if (func == "LOCK")
            on = f.vfoLock != 0;
        else
            return done(kInvalid);
        reply.Value({}, on ? "1" : "0");
        return done(kOk);
    }
    case Op::SetFunc: {
        const std::string_view func = arg(0);
        if (listsNames) {
            reply.Raw(std::string(kFuncNames) + "\n");
            return done(kOk);
        }
        auto v = ParseInt(arg(1));
        if (!v)
            return done(kInvalid);
        const bool on = *v != 0;
        if (func == "NB") {
            // The radio's NB command steps OFF, NB1, NB2: off from NB1 takes two.
            const int now = f.noiseBlanker;
            const int steps = on ? (now == 0 ? 1 : 0) : (now == 1 ? 2 : now == 2 ? 1 : 0);
            for (int i = 0; i < steps; ++i)
                ops_.StepNoiseBlanker();
        } else if (func == "RIT") {
            if (on != (f.ritOn != 0))
                ops_.ToggleRit();
        } else if (func == "XIT") {
            if (on != (f.xitOn != 0))
                ops_.ToggleXit();
        } else if (func == "LOCK") {
            if (on != (f.vfoLock != 0))
                ops_.SetVfoLock(on);
        } else {
            return done(kInvalid);
        }
        return done(kOk);
    }
    case Op::GetRit:
        reply.Value("RIT", std::to_string(f.offset));
        return done(kOk);
    case Op::GetXit:
        reply.Value("XIT", std::to_string(f.offset));
        return done(kOk);
    case Op::SetRit:
    case Op::SetXit: // the K2 has one offset for both
        return done(setOffset(arg(0), command.op == Op::SetXit));
    case Op::GetAnt: {
        auto which = ParseInt(arg(0));
        if (!which)
            return done(kInvalid);
        const std::string ant = "ANT" + std::to_string(f.antenna) + " ";
        reply.Value("AntCurr", ant);
        reply.Value("Option", "0");
        reply.Value("AntTx", ant);
        reply.Value("AntRx", ant);
        return done(kOk);
    }
    case Op::SetAnt: {
        auto ant = ParseInt(arg(0));
        if (!ant || (*ant != 1 && *ant != 2) || !ParseInt(arg(1)))
            return done(kInvalid);
        if (*ant != f.antenna)
            ops_.SetAntenna(static_cast<int>(*ant));
        return done(kOk);
    }
    case Op::VfoOp: {
        const std::string_view name = arg(0);
        if (listsNames) {
            reply.Raw(std::string(kOpNames) + "\n");
            return done(kOk);
        }
        if (name == "UP" || name == "DOWN") {
            ops_.TuneStep(name == "UP", 1);
            return done(kOk);
        }
        if (name == "BAND_UP" || name == "BAND_DOWN") {
            ops_.BandStep(name == "BAND_UP");
            return done(kOk);
        }
        if (name == "CPY")
            return wait([&](SetDone then) { SetFrequency(1 - rx, f.vfo(rx), std::move(then)); });
        if (name == "XCHG") {
            const uint32_t a = f.vfoA;
            const uint32_t b = f.vfoB;
            std::weak_ptr<bool> alive = alive_;
            return wait([&, a, b, alive](SetDone then) {
                SetFrequency(0, b, [this, alive, a, then](SetOutcome outcome) {
                    if (outcome != SetOutcome::Done || alive.expired())
                        return then(outcome);
                    SetFrequency(1, a, then);
                });
            });
        }
        if (name == "TOGGLE")
            return wait(
                [&](SetDone then) { SetVfos(1 - rx, split ? rx : 1 - rx, std::move(then)); });
        return done(name == "FROM_VFO" || name == "TO_VFO" || name == "MCL" || name == "LEFT" ||
                            name == "RIGHT" || name == "TUNE"
                        ? kNotAvailable
                        : kInvalid);
    }
    case Op::ChkVfo:
        checkedVfo_ = true;
        reply.Value("ChkVFO", vfoMode_ ? "1" : "0", true);
        if (reply.Separator() != '\n')
            reply.Raw("\n");
        return reply.EndBare();
    case Op::SetVfoOpt: {
        auto on = ParseInt(arg(0));
        if (!on || (*on != 0 && *on != 1))
            return done(kInvalid);
        vfoMode_ = *on != 0;
        return done(kOk);
    }
    case Op::DumpState: {
        const std::string modes = Hex(kModeMask);
        const std::string funcs = Hex(kFuncNb | kFuncLock | kFuncRit | kFuncXit);
        std::string s;
        auto line = [&s](std::string_view text) {
            s += text;
            s += '\n';
        };
        line("1");    // protocol version
        line("2021"); // hamlib's model number of the K2
        line("0");    // ITU region, no longer used
        line(FormatFloat(kLowestHz) + " " + FormatFloat(kHighestHz) + " " + modes +
             " -1 -1 0x3 0x3");
        line("0 0 0 0 0 0 0");
        line(FormatFloat(1800000) + " " + FormatFloat(29700000) + " " + modes + " 100 " +
             std::to_string(ops_.PaOption() ? 110000 : 15000) + " 0x3 0x3");
        line("0 0 0 0 0 0 0");
        line(modes + " 10");
        line("0 0");
        // The crystal filters per mode group, the normal one first, then the
        // narrower ones from wide to narrow, then the wider ones from narrow to
        // wide: what hamlib reads as normal, narrow and wide.
        for (auto [mask, code, normal] : {std::tuple{uint64_t{0xc}, 2, kNormalSsbHz},
                                          std::tuple{uint64_t{0x82}, 3, kNormalCwHz},
                                          std::tuple{uint64_t{0xc00}, 9, kNormalSsbHz}}) {
            std::array<int, 4> widths{};
            for (int n = 1; n <= 4; ++n)
                widths[n - 1] = model.FilterWidth(code, n);
            std::sort(widths.begin(), widths.end(), std::greater<>());
            // Of two as near, the narrower.
            auto first = widths.begin();
            for (auto it = widths.begin(); it != widths.end(); ++it)
                if (std::abs(*it - normal) <= std::abs(*first - normal))
                    first = it;
            std::vector<int> order{*first};
            for (auto it = first + 1; it != widths.end(); ++it)
                order.push_back(*it);
            for (auto it = std::make_reverse_iterator(first); it != widths.rend(); ++it)
                order.push_back(*it);
            for (int w : order)
                line(Hex(mask) + " " + std::to_string(w));
        }
        line("0 0");
        line(std::to_string(kMaxOffsetHz)); // RIT
        line(std::to_string(kMaxOffsetHz)); // XIT
        line("0");                          // IF shift
        line("0");                          // announcements
        line(std::to_string(kPreampDb) + " ");
        line(std::to_string(kAttenuatorDb) + " ");
        line(funcs);
        line(funcs);
        line(Hex(kLevelPreamp | kLevelAtt | kLevelSql | kLevelRfPower | kLevelKeySpeed | kLevelAgc |
                 kLevelStrength));
        line(
            Hex(kLevelPreamp | kLevelAtt | kLevelSql | kLevelRfPower | kLevelKeySpeed | kLevelAgc));
        line("0x0");
        line("0x0");
        if (checkedVfo_) {
            // A client that asked \chk_vfo reads settings up to "done".
            line("vfo_ops=" +
                 Hex(kOpCpy | kOpXchg | kOpUp | kOpDown | kOpBandUp | kOpBandDown | kOpToggle));
            line("ptt_type=0x1");
            line("targetable_vfo=0x1");
            line("has_set_vfo=1");
            line("has_get_vfo=1");
            line("has_set_freq=1");
            line("has_get_freq=1");
            line("has_set_conf=0");
            line("has_get_conf=0");
            line("has_power2mW=0");
            line("has_mW2power=0");
            line("timeout=" + std::to_string(kTimeoutMs));
            line("rig_model=2021");
            line("rigctld_version=Tamrel");
            line("agc_levels=0=OFF 2=FAST 3=SLOW");
            line("done");
        }
        reply.Raw(s);
        return done(kOk);
    }
    case Op::DumpCaps: {
        std::string s = "Caps dump for model: 2021\nModel name:\tK2\nMfg name:\tElecraft\n"
                        "Backend version:\tTamrel\nBackend status:\tStable\n"
                        "Rig type:\tTransceiver\nPTT type:\tRig capable\nDCD type:\tNone\n"
                        "Port type:\tNetwork link\n";
        s += "Has targetable VFO: Y\nMax RIT: -9.990kHz/+9.990kHz\n"
             "Max XIT: -9.990kHz/+9.990kHz\nPreamp: 14dB\nAttenuator: 10dB\n";
        s += "Get functions: " + std::string(kFuncNames) + "\n";
        s += "Set functions: " + std::string(kFuncNames) + "\n";
        s += "Get level: " + std::string(kLevelNames) + "\n";
        s += "Set level: " + std::string(kSetLevelNames) + "\n";
        s += "Mode list: " + std::string(kModeNamesList) + "\n";
        s += "VFO list: " + std::string(kVfoNames) + "\n";
        s += "VFO Ops: " + std::string(kOpNames) + "\n";
        s += "Tuning steps:\n\t10.0 Hz:   \t" + std::string(kModeNamesList) + "\n";
        for (std::string_view can :
             {"Can set Frequency:\tY",  "Can get Frequency:\tY",  "Can set Mode:\tY",
              "Can get Mode:\tY",       "Can set VFO:\tY",        "Can get VFO:\tY",
              "Can set PTT:\tY",        "Can get PTT:\tY",        "Can set Split Freq:\tY",
              "Can get Split Freq:\tY", "Can set Split Mode:\tY", "Can get Split Mode:\tY",
              "Can set Split VFO:\tY",  "Can get Split VFO:\tY",  "Can set RIT:\tY",
              "Can get RIT:\tY",        "Can set XIT:\tY",        "Can get XIT:\tY",
              "Can set Func:\tY",       "Can get Func:\tY",       "Can set Level:\tY",
              "Can get Level:\tY",      "Can get Power Stat:\tY", "Can get Ant:\tY",
              "Can set Ant:\tY",        "Can send Morse:\tY",     "Can stop Morse:\tY",
              "Can ctl Mem/VFO:\tY",    "Can set Mem:\tY",        "Can get Mem:\tY",
              "Can get Info:\tY"}) {
            s += can;
            s += '\n';
        }
        s += "\nOverall backend warnings: 0\n";
        reply.Raw(s);
        return done(kOk);
    }
    case Op::GetPowerstat:
        reply.Value("Power Status", "1");
        return done(kOk);
    case Op::GetLockMode:
        reply.Value("Locked", shared_->lockMode ? "1" : "0", true);
        return done(kOk);
    case Op::SetLockMode: {
        auto on = ParseInt(arg(0));
        if (!on)
            return done(kInvalid);
        shared_->lockMode = *on != 0;
        return done(kOk);
    }
    case Op::GetInfo:
        reply.Value("Info", "Elecraft K2 through Tamrel");
        return done(kOk);
    case Op::GetRigInfo: {
        auto vfoLine = [&](int which) {
            return "VFO=" + std::string(VfoName(which)) + " Freq=" + std::to_string(f.vfo(which)) +
                   " Mode=" + std::string(NameOfMode(f.mode)) +
                   " Width=" + std::to_string(f.bandwidth) + " RX=" + (which == rx ? "1" : "0") +
                   " TX=" + (which == f.transmitVfo ? "1" : "0") + "\n";
        };
        std::string info = vfoLine(0) + vfoLine(1) + "Split=" + (split ? "1" : "0") +
                           " SatMode=0\nRig=K2\nApp=Tamrel\nVersion=20210506 1.0.0\n";
        std::array<char, 24> crc{};
        std::snprintf(crc.data(), crc.size(), "CRC=0x%08x\n", Crc32(info));
        reply.Raw(info + crc.data() + "\n");
        return done(kOk);
    }
    case Op::GetVfoInfo: {
        const int token = ParseVfo(arg(0));
        if (token < 0)
            return done(kInvalid);
        const int which = token == kVfoA || token == kMain  ? 0
                          : token == kVfoB || token == kSub ? 1
                          : token == kTx                    ? f.transmitVfo
                                                            : rx;
        reply.Value("Freq", std::to_string(f.vfo(which)));
        reply.Value("Mode", NameOfMode(f.mode));
        reply.Value("Width", std::to_string(f.bandwidth));
        reply.Value("Split", split ? "1" : "0");
        reply.Value("SatMode", "0", !reply.Extended());
        return done(kOk);
    }
    case Op::GetVfoList:
        reply.Value("VFOs", kVfoNames, true);
        return done(kOk);
    case Op::GetClock:
        // As hamlib's K2 model: no clock to read.
        return done(kNotImplemented);
    case Op::ClientVersion:
        reply.Value("Version", arg(0));
        return done(kOk);
    case Op::SetMem: {
        // Recalls a memory as the panel's recall does: a paced sequence.
        auto slot = ParseInt(arg(0));
        if (!memories_)
            return done(kNotAvailable);
        if (!slot || *slot < 0 || *slot > 99)
            return done(kInvalid);
        const std::optional<K2RadioState> state = memories_(static_cast<int>(*slot));
        if (!state)
            return done(kInvalid);
        ops_.ApplyState(*state);
        memory_ = static_cast<int>(*slot);
        return done(kOk);
    }
    case Op::GetMem:
        if (memory_ < 0)
            return done(kNotAvailable);
        reply.Value("Memory#", std::to_string(memory_));
        return done(kOk);
    case Op::SendMorse: {
        const std::string_view text = arg(0);
        if (!keyer_.send)
            return done(kNotAvailable);
        if (text.size() > cw::kMaxQueuedCharacters)
            return done(kInvalid);
        if (text.empty())
            return done(kOk);
        return done(keyer_.send(text) ? kOk : kRejected);
    }
    case Op::StopMorse:
        if (!keyer_.stop)
            return done(kNotAvailable);
        keyer_.stop();
        return done(kOk);
    case Op::WaitMorse:
    case Op::NotAvailable:
        return done(kNotAvailable);
    case Op::Deprecated:
        return done(kDeprecated);
    }
}

} // namespace tamrel
