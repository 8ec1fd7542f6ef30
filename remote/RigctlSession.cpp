#include "remote/RigctlSession.h"

#include "cw/CwText.h"
#include "radio/RadioOperations.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
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
    VfoOp,
    SendMorse,
    StopMorse,
    WaitMorse,
    SetMem,
    GetMem,
    SetChannel,
    GetChannel,
    ChkVfo,
    SetVfoOpt,
    DumpState,
    GetPowerstat,
    SetPowerstat,
    GetLockMode,
    SetLockMode,
    GetInfo,
    Quit,
    NotAvailable, // a hamlib command the radio has nothing for
};

// How many arguments follow; kRestOfLine takes the line's remainder as one.
constexpr int kRestOfLine = -1;

// The commands that read what the radio last reported.
bool ReadsRadio(Op op) {
    switch (op) {
    case Op::GetFreq:
    case Op::GetMode:
    case Op::GetVfo:
    case Op::GetSplitVfo:
    case Op::GetSplitFreq:
    case Op::GetSplitMode:
    case Op::GetPtt:
    case Op::GetLevel:
    case Op::GetFunc:
    case Op::GetRit:
    case Op::GetXit:
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
    bool takesVfo; // in VFO mode a VFO token comes first
    bool isSet;    // the default protocol answers RPRT 0 on success
};

namespace {

using Command = RigctlSession::Command;

// clang-format off
constexpr std::array<RigctlSession::Command, 48> kCommands = {{
    {'f', "get_freq", Op::GetFreq, 0, true, false},
    {'F', "set_freq", Op::SetFreq, 1, true, true},
    {'m', "get_mode", Op::GetMode, 0, true, false},
    {'M', "set_mode", Op::SetMode, 2, true, true},
    {'v', "get_vfo", Op::GetVfo, 0, false, false},
    {'V', "set_vfo", Op::SetVfo, 1, false, true},
    {'s', "get_split_vfo", Op::GetSplitVfo, 0, true, false},
    {'S', "set_split_vfo", Op::SetSplitVfo, 2, true, true},
    {'i', "get_split_freq", Op::GetSplitFreq, 0, true, false},
    {'I', "set_split_freq", Op::SetSplitFreq, 1, true, true},
    {'x', "get_split_mode", Op::GetSplitMode, 0, true, false},
    {'X', "set_split_mode", Op::SetSplitMode, 2, true, true},
    {'t', "get_ptt", Op::GetPtt, 0, true, false},
    {'T', "set_ptt", Op::SetPtt, 1, true, true},
    {'l', "get_level", Op::GetLevel, 1, true, false},
    {'L', "set_level", Op::SetLevel, 2, true, true},
    {'u', "get_func", Op::GetFunc, 1, true, false},
    {'U', "set_func", Op::SetFunc, 2, true, true},
    {'j', "get_rit", Op::GetRit, 0, true, false},
    {'J', "set_rit", Op::SetRit, 1, true, true},
    {'z', "get_xit", Op::GetXit, 0, true, false},
    {'Z', "set_xit", Op::SetXit, 1, true, true},
    {'G', "vfo_op", Op::VfoOp, 1, true, true},
    {'b', "send_morse", Op::SendMorse, kRestOfLine, true, true},
    {0, "stop_morse", Op::StopMorse, 0, true, true},
    {0, "wait_morse", Op::WaitMorse, 0, true, true},
    {'E', "set_mem", Op::SetMem, 1, true, true},
    {'e', "get_mem", Op::GetMem, 0, true, false},
    {'H', "set_channel", Op::SetChannel, kRestOfLine, true, true},
    {'h', "get_channel", Op::GetChannel, 1, true, false},
    {0, "chk_vfo", Op::ChkVfo, 0, false, false},
    {0, "set_vfo_opt", Op::SetVfoOpt, 1, false, true},
    {0, "dump_state", Op::DumpState, 0, false, false},
    {0, "get_powerstat", Op::GetPowerstat, 0, false, false},
    {0, "set_powerstat", Op::SetPowerstat, 1, false, true},
    {0, "get_lock_mode", Op::GetLockMode, 0, false, false},
    {0, "set_lock_mode", Op::SetLockMode, 1, false, true},
    {'_', "get_info", Op::GetInfo, 0, false, false},
    {'q', "quit", Op::Quit, 0, false, true},
    {'Q', "quit", Op::Quit, 0, false, true},
    // hamlib commands for things the K2 does not have.
    {'R', "set_rptr_shift", Op::NotAvailable, 1, true, true},
    {'r', "get_rptr_shift", Op::NotAvailable, 0, true, false},
    {'O', "set_rptr_offs", Op::NotAvailable, 1, true, true},
    {'o', "get_rptr_offs", Op::NotAvailable, 0, true, false},
    {'C', "set_ctcss_tone", Op::NotAvailable, 1, true, true},
    {'c', "get_ctcss_tone", Op::NotAvailable, 0, true, false},
    {'Y', "set_ant", Op::NotAvailable, 2, true, true},
    {'y', "get_ant", Op::NotAvailable, 1, true, false},
}};
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
    return c == ' ' || c == '\t';
}

// The next blank-separated token of rest, taken off it; empty at the end.
std::string_view TakeToken(std::string_view& rest) {
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i]))
        ++i;
    std::size_t j = i;
    while (j < rest.size() && !IsBlank(rest[j]))
        ++j;
    std::string_view token = rest.substr(i, j - i);
    rest.remove_prefix(j);
    return token;
}

// Numbers in the C locale: from_chars never looks at the user's locale.
std::optional<double> ParseDouble(std::string_view s) {
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

// The K2's modes by their MD codes, named as hamlib's K2 model names them:
// RTTY and RTTY reverse are the packet modes.
struct ModeName {
    int code;
    std::string_view name;
};
constexpr std::array<ModeName, 6> kModeNames = {
    {{1, "LSB"}, {2, "USB"}, {3, "CW"}, {6, "PKTLSB"}, {7, "CWR"}, {9, "PKTUSB"}}};

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
    if (name == "RTTY")
        return 6;
    if (name == "RTTYR")
        return 9;
    return 0;
}

// hamlib's bit masks for what the server can do, as \dump_state lists them.
constexpr uint64_t kModeMask = 0x8e | 0x400 | 0x800 | 0x4; // CW USB LSB CWR PKTLSB PKTUSB
constexpr uint64_t kFuncNb = 1u << 1, kFuncLock = 1u << 16, kFuncRit = 1u << 24,
                   kFuncXit = 1u << 31;
constexpr uint64_t kLevelPreamp = 1u << 0, kLevelAtt = 1u << 1, kLevelSql = 1u << 5,
                   kLevelRfPower = 1u << 12, kLevelKeySpeed = 1u << 14, kLevelAgc = 1u << 17,
                   kLevelStrength = 1u << 30;
constexpr uint64_t kOpCpy = 1u << 0, kOpXchg = 1u << 1, kOpUp = 1u << 5, kOpDown = 1u << 6,
                   kOpBandUp = 1u << 7, kOpBandDown = 1u << 8, kOpToggle = 1u << 12;

constexpr int kPreampDb = 14;     // the K2's preamp gain
constexpr int kAttenuatorDb = 10; // and its attenuator's loss
constexpr int kMaxOffsetHz = 9990;

// VFO tokens: -1 for one the session does not know.
enum VfoToken { kVfoA = 0, kVfoB = 1, kCurrent = 2, kTx = 3 };
int ParseVfo(std::string_view token) {
    if (token == "VFOA" || token == "Main" || token == "MainA")
        return kVfoA;
    if (token == "VFOB" || token == "Sub" || token == "MainB")
        return kVfoB;
    if (token == "currVFO" || token == "VFO" || token == "RX")
        return kCurrent;
    if (token == "TX")
        return kTx;
    return -1;
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

} // namespace

// The reply to one command: values and records gathered, then the ending that
// the protocol asks for.
class RigctlSession::Reply {
public:
    explicit Reply(char separator) : sep_(separator) {}

    bool Extended() const { return sep_ != 0; }
    void Echo(std::string_view name, const std::vector<std::string_view>& args) {
        if (!Extended())
            return;
        std::string head(name);
        head += ':';
        for (std::string_view a : args) {
            head += ' ';
            head += a;
        }
        out_ += head;
        out_ += sep_;
    }
    // A value: "Key: value" in the extended response, the value alone otherwise.
    void Value(std::string_view key, std::string_view value) {
        std::string line;
        if (Extended()) {
            line += key;
            line += ": ";
        }
        line += value;
        values_.push_back(std::move(line));
    }
    // A raw line, the same in both protocols (\dump_state).
    void Line(std::string_view text) { values_.emplace_back(text); }

    void End(int code, bool isSet) {
        if (code == kOk || Extended())
            for (const std::string& v : values_) {
                out_ += v;
                out_ += Extended() ? sep_ : '\n';
            }
        values_.clear();
        if (Extended()) {
            out_ += "RPRT " + std::to_string(code);
            out_ += '\n';
        } else if (code != kOk || isSet) {
            out_ += "RPRT " + std::to_string(code) + "\n";
        }
    }
    std::string Take() { return std::move(out_); }

private:
    char sep_;
    std::string out_;
    std::vector<std::string> values_;
};

RigctlSession::RigctlSession(RadioOperations& operations, MemoryLookup memories, MorseKeyer keyer)
    : ops_(operations), memories_(std::move(memories)), keyer_(std::move(keyer)) {}

std::string RigctlSession::HandleLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    std::size_t start = 0;
    while (start < line.size() && IsBlank(line[start]))
        ++start;
    line.remove_prefix(start);
    if (line.empty())
        return {};

    // A leading separator asks for the extended response for this line.
    char sep = 0;
    const unsigned char first = static_cast<unsigned char>(line[0]);
    if (std::ispunct(first) && first != '\\' && first != '?' && first != '_' && first != '#') {
        sep = line[0] == '+' ? '\n' : line[0];
        line.remove_prefix(1);
    }
    if (!line.empty() && line[0] == '#')
        return {}; // a comment line

    std::string out;
    std::string_view rest = line;
    while (!quit_) {
        while (!rest.empty() && IsBlank(rest[0]))
            rest.remove_prefix(1);
        if (rest.empty())
            break;
        const Command* command = nullptr;
        std::string_view name;
        if (rest[0] == '\\') {
            rest.remove_prefix(1);
            name = TakeToken(rest);
            command = FindLong(name);
        } else {
            name = rest.substr(0, 1);
            command = FindShort(rest[0]);
            rest.remove_prefix(1);
        }
        Reply reply(sep);
        if (!command) {
            // Nothing more on this line can be read reliably.
            reply.Echo(name, {});
            reply.End(kInvalid, true);
            out += reply.Take();
            break;
        }
        Run(*command, rest, reply);
        out += reply.Take();
    }
    return out;
}

void RigctlSession::Run(const Command& command, std::string_view& rest, Reply& reply) {
    std::vector<std::string_view> args;
    const bool vfoArg = vfoMode_ && command.takesVfo;
    if (vfoArg)
        args.push_back(TakeToken(rest));
    if (command.args == kRestOfLine) {
        while (!rest.empty() && IsBlank(rest[0]))
            rest.remove_prefix(1);
        args.push_back(rest);
        rest = {};
    } else {
        for (int i = 0; i < command.args; ++i)
            args.push_back(TakeToken(rest));
    }
    if (command.op == Op::Quit) {
        quit_ = true;
        return; // the connection closes without an answer, even an echo
    }
    reply.Echo(command.longName, args);
    const std::size_t base = vfoArg ? 1 : 0;
    auto arg = [&](std::size_t i) { return args[base + i]; };
    for (std::string_view a : args)
        if (a.empty() && command.op != Op::SendMorse) {
            reply.End(kInvalid, true);
            return;
        }

    K2RadioModel& model = ops_.Model();
    const bool listsNames = !args.empty() && args.back() == "?"; // "l ?" asks the server
    if (ReadsRadio(command.op) && !listsNames && model.Link().State() != LinkState::Live) {
        reply.End(kTimeout, command.isSet);
        return;
    }
    const RadioFields& f = model.Fields();
    const int rx = f.receiveVfo;
    const bool split = f.transmitVfo != f.receiveVfo;

    // The VFO a command names in VFO mode; the receive VFO otherwise.
    int vfo = rx;
    if (vfoArg) {
        const int token = ParseVfo(args[0]);
        if (token < 0) {
            reply.End(kInvalid, command.isSet);
            return;
        }
        vfo = token == kVfoA ? 0 : token == kVfoB ? 1 : token == kTx ? f.transmitVfo : rx;
    }

    auto done = [&](int code) { reply.End(code, command.isSet); };
    auto parseHz = [](std::string_view s) -> std::optional<uint32_t> {
        auto v = ParseDouble(s);
        if (!v || *v < 1 || *v > 4294967295.0)
            return std::nullopt;
        return static_cast<uint32_t>(std::llround(*v));
    };
    auto setMode = [&](std::string_view modeName, std::string_view passband) {
        const int code = CodeOfMode(modeName);
        auto width = ParseInt(passband);
        if (code == 0 || !width)
            return kInvalid;
        // The K2 chooses its bandwidth by crystal filter, whose widths it does
        // not say; only "unchanged", "default" and the present width are kept.
        if (*width > 0 && *width != f.bandwidth)
            return kNotAvailable;
        ops_.SetMode(code);
        return kOk;
    };
    auto setOffset = [&](std::string_view value) {
        auto hz = ParseInt(value);
        if (!hz || *hz < -kMaxOffsetHz || *hz > kMaxOffsetHz)
            return kInvalid;
        if (*hz == 0)
            ops_.ClearOffset();
        else if (*hz != f.offset)
            ops_.MoveOffsetTo(static_cast<int>(*hz));
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
        return done(ops_.SetVfoFrequency(vfo, *hz) ? kOk : kRejected);
    }
    case Op::GetMode:
    case Op::GetSplitMode:
        reply.Value(command.op == Op::GetMode ? "Mode" : "TX Mode", NameOfMode(f.mode));
        reply.Value(command.op == Op::GetMode ? "Passband" : "TX Passband",
                    std::to_string(f.bandwidth));
        return done(kOk);
    case Op::SetMode:
    case Op::SetSplitMode: // the K2 has one mode for both VFOs
        return done(setMode(arg(0), arg(1)));
    case Op::GetVfo:
        reply.Value("VFO", VfoName(rx));
        return done(kOk);
    case Op::SetVfo: {
        const int token = ParseVfo(arg(0));
        if (token < 0)
            return done(kInvalid);
        if (token == kCurrent)
            return done(kOk);
        const int target = token == kTx ? f.transmitVfo : token;
        if (target == rx)
            return done(kOk); // already so: split stays as it is
        return done(ops_.SetReceiveVfo(target) ? kOk : kRejected);
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
            tx = token == kVfoA ? 0 : token == kVfoB ? 1 : 1 - rx;
            if (tx == rx)
                tx = 1 - rx; // split needs the other VFO to transmit on
        }
        if (tx == f.transmitVfo)
            return done(kOk);
        return done(ops_.SetTransmitVfo(tx) ? kOk : kRejected);
    }
    case Op::GetSplitFreq:
        reply.Value("TX Frequency", std::to_string(f.vfo(split ? f.transmitVfo : 1 - rx)));
        return done(kOk);
    case Op::SetSplitFreq: {
        auto hz = parseHz(arg(0));
        if (!hz)
            return done(kInvalid);
        // Without split the other VFO is the one a split would transmit on.
        return done(ops_.SetVfoFrequency(split ? f.transmitVfo : 1 - rx, *hz) ? kOk : kRejected);
    }
    case Op::GetPtt:
        // Keyed by a T 1 the radio's IF report has not yet echoed counts too.
        reply.Value("PTT", f.transmitting || model.PttKeyed() ? "1" : "0");
        return done(kOk);
    case Op::SetPtt: {
        auto ptt = ParseInt(arg(0));
        if (!ptt || *ptt < 0 || *ptt > 3)
            return done(kInvalid);
        if (!ops_.SetTransmit(*ptt != 0))
            return done(kNotAvailable);
        keyedPtt_ = *ptt != 0;
        return done(kOk);
    }
    case Op::GetLevel: {
        const std::string_view level = arg(0);
        if (level == "?") {
            reply.Value("Level", "PREAMP ATT SQL RFPOWER KEYSPD AGC STRENGTH");
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
            return done(kNotAvailable);
        reply.Value("Level Value", value);
        return done(kOk);
    }
    case Op::SetLevel: {
        const std::string_view level = arg(0);
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
                return done(kNotAvailable); // the K2 has fast, slow and off
            ops_.SetAgc(agc == 2 ? 2 : agc == 3 ? 4 : 0);
        } else {
            return done(kNotAvailable);
        }
        return done(kOk);
    }
    case Op::GetFunc: {
        const std::string_view func = arg(0);
        if (func == "?") {
            reply.Value("Func", "NB LOCK RIT XIT");
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
            return done(kNotAvailable);
        reply.Value("Func Status", on ? "1" : "0");
        return done(kOk);
    }
    case Op::SetFunc: {
        const std::string_view func = arg(0);
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
            return done(kNotAvailable);
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
        return done(setOffset(arg(0)));
    case Op::VfoOp: {
        const std::string_view name = arg(0);
        if (name == "?") {
            reply.Value("VFO Ops", "CPY XCHG UP DOWN BAND_UP BAND_DOWN TOGGLE");
            return done(kOk);
        }
        bool ok = true;
        if (name == "UP" || name == "DOWN") {
            ok = ops_.TuneStep(name == "UP", 1);
        } else if (name == "BAND_UP" || name == "BAND_DOWN") {
            ok = ops_.BandStep(name == "BAND_UP");
        } else if (name == "CPY") {
            ok = ops_.CopyVfo(rx, 1 - rx);
        } else if (name == "XCHG") {
            const uint32_t a = f.vfoA;
            const uint32_t b = f.vfoB;
            ok = ops_.SetVfoFrequency(0, b) && ops_.SetVfoFrequency(1, a);
        } else if (name == "TOGGLE") {
            ok = ops_.SetReceiveVfo(1 - rx);
        } else {
            return done(kNotAvailable);
        }
        return done(ok ? kOk : kRejected);
    }
    case Op::ChkVfo:
        checkedVfo_ = true;
        reply.Value("ChkVFO", vfoMode_ ? "1" : "0");
        return done(kOk);
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
        reply.Line("1"); // protocol version
        reply.Line("2"); // the model of a network client
        reply.Line("2"); // ITU region
        reply.Line(FormatFloat(500000) + " " + FormatFloat(30000000) + " " + modes +
                   " -1 -1 0x3 0x3");
        reply.Line("0 0 0 0 0 0 0");
        reply.Line(FormatFloat(1800000) + " " + FormatFloat(29700000) + " " + modes + " 100 " +
                   std::to_string(ops_.PaOption() ? 110000 : 15000) + " 0x3 0x3");
        reply.Line("0 0 0 0 0 0 0");
        reply.Line(modes + " 10");
        reply.Line("0 0");
        reply.Line("0 0");
        reply.Line(std::to_string(kMaxOffsetHz)); // RIT
        reply.Line(std::to_string(kMaxOffsetHz)); // XIT
        reply.Line("0");                          // IF shift
        reply.Line("0");                          // announcements
        reply.Line(std::to_string(kPreampDb));
        reply.Line(std::to_string(kAttenuatorDb));
        reply.Line(funcs);
        reply.Line(funcs);
        reply.Line(Hex(kLevelPreamp | kLevelAtt | kLevelSql | kLevelRfPower | kLevelKeySpeed |
                       kLevelAgc | kLevelStrength));
        reply.Line(Hex(kLevelPreamp | kLevelAtt | kLevelRfPower | kLevelKeySpeed | kLevelAgc));
        reply.Line("0x0");
        reply.Line("0x0");
        if (checkedVfo_) {
            // A client that asked \chk_vfo reads settings up to "done".
            reply.Line("vfo_ops=" + Hex(kOpCpy | kOpXchg | kOpUp | kOpDown | kOpBandUp |
                                        kOpBandDown | kOpToggle));
            reply.Line("ptt_type=0x1");
            reply.Line("targetable_vfo=0x1");
            reply.Line("has_set_vfo=1");
            reply.Line("has_get_vfo=1");
            reply.Line("has_set_freq=1");
            reply.Line("has_get_freq=1");
            reply.Line("has_set_conf=0");
            reply.Line("has_get_conf=0");
            reply.Line("has_power2mW=0");
            reply.Line("has_mW2power=0");
            reply.Line("timeout=1000");
            reply.Line("done");
        }
        return done(kOk);
    }
    case Op::GetPowerstat:
        reply.Value("Power Status", "1");
        return done(kOk);
    case Op::GetLockMode:
        reply.Value("Locked", "0");
        return done(kOk);
    case Op::GetInfo:
        reply.Value("Info", "Elecraft K2 through Tamrel");
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
    case Op::SetChannel:
    case Op::GetChannel:
    case Op::SetPowerstat:
    case Op::SetLockMode:
    case Op::NotAvailable:
        return done(kNotAvailable);
    case Op::Quit:
        break;
    }
}

} // namespace tamrel
