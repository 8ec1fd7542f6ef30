#include "radio/K2RadioModel.h"

#include "radio/K2Commands.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <optional>

namespace tamrel {

namespace rc = radio_change;

namespace {

bool ElevenDigits(std::string_view s) {
    return s.size() == 11 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "%d" / "%ld" on a bounded text: leading white space, an optional sign, then
// at least one digit. The value saturates instead of overflowing.
std::optional<int64_t> ScanInt(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const std::size_t first = i;
    int64_t value = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
        if (value < (int64_t{1} << 40))
            value = value * 10 + (s[i] - '0');
    if (i == first)
        return std::nullopt;
    return negative ? -value : value;
}

// Wraps like the radio's 32-bit fields do.
int32_t To32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// Two hex digits, both required.
std::optional<int> ScanHexByte(std::string_view s) {
    int value = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + d;
    }
    return value;
}

// A copy of the parameters with one position blanked, so that "%d" stops there.
std::string Blanked(std::string_view p, std::size_t pos) {
    std::string copy(p);
    copy[pos] = ' ';
    return copy;
}

// The fields a set can hold, and the members each stands for.
constexpr uint32_t kHoldable = rc::kVfoA | rc::kVfoB | rc::kReceiveVfo | rc::kTransmitVfo |
                               rc::kMode | rc::kFilter | rc::kOffset | rc::kRitXit;

int BitIndex(uint32_t bit) {
    return std::countr_zero(bit);
}

// Copies one holdable field; returns its bit when the value changed.
uint32_t CopyField(uint32_t bit, const RadioFields& from, RadioFields& to) {
    auto copy = [&](auto member) {
        const bool changed = to.*member != from.*member;
        to.*member = from.*member;
        return changed;
    };
    bool changed = false;
    switch (bit) {
    case rc::kVfoA:
        changed = copy(&RadioFields::vfoA);
        break;
    case rc::kVfoB:
        changed = copy(&RadioFields::vfoB);
        break;
    case rc::kReceiveVfo:
        changed = copy(&RadioFields::receiveVfo);
        break;
    case rc::kTransmitVfo:
        changed = copy(&RadioFields::transmitVfo);
        break;
    case rc::kMode:
        changed = copy(&RadioFields::mode);
        break;
    case rc::kFilter:
        changed = copy(&RadioFields::crystalFilter);
        changed = copy(&RadioFields::bandwidth) || changed;
        break;
    case rc::kOffset:
        changed = copy(&RadioFields::offset);
        break;
    case rc::kRitXit:
        changed = copy(&RadioFields::ritOn);
        changed = copy(&RadioFields::xitOn) || changed;
        break;
    default:
        break;
    }
    return changed ? bit : 0;
}

// Filter groups as the K2 keeps its filters: CW, SSB, RTTY.
int FilterGroup(int mode) {
    return mode == 3 || mode == 7 ? 0 : mode == 6 || mode == 9 ? 2 : 1;
}

} // namespace

K2RadioModel::K2RadioModel(BandTable bands, VfoMemory memory)
    : bands_(std::move(bands)), band_(bands_[0]), memory_(memory) {
    if (auto b = findBandIn(bands_, f_.vfoA))
        band_ = *b;
    followHz_ = f_.vfoA;
    reported_ = f_;
}

bool K2RadioModel::Held(uint32_t field) const {
    return holds_[BitIndex(field)] > 0;
}

template <class T> uint32_t K2RadioModel::Report(uint32_t field, T RadioFields::*member, T value) {
    reported_.*member = value;
    if (Held(field)) {
        heardWhileHeld_ |= field;
        return 0;
    }
    f_.*member = value;
    return field;
}

void K2RadioModel::Hold(uint32_t fields) {
    for (uint32_t rest = fields & kHoldable; rest != 0; rest &= rest - 1) {
        const uint32_t bit = rest & -rest;
        if (holds_[BitIndex(bit)]++ == 0)
            heardWhileHeld_ &= ~bit;
    }
}

void K2RadioModel::Unhold(uint32_t fields, Release how) {
    uint32_t changes = 0;
    uint32_t taken = 0; // VFOs the radio took a set frequency on
    for (uint32_t rest = fields & kHoldable; rest != 0; rest &= rest - 1) {
        const uint32_t bit = rest & -rest;
        uint8_t& count = holds_[BitIndex(bit)];
        if (count == 0 || --count > 0)
            continue;
        if (how == Release::Revert || (how == Release::Heard && (heardWhileHeld_ & bit)))
            changes |= CopyField(bit, reported_, f_);
        if (how != Release::Revert)
            taken |= bit & (rc::kVfoA | rc::kVfoB);
    }
    // The reports that came while held stored nothing; what stands now goes
    // where a report would have put it: its band, and that band's memory.
    const uint32_t rxBit = f_.receiveVfo == 0 ? rc::kVfoA : rc::kVfoB;
    if ((changes & (rxBit | rc::kReceiveVfo)) || (taken & rxBit))
        changes |= Follow(f_.vfo(f_.receiveVfo), true);
    for (int vfo : {0, 1})
        if (taken & (vfo == 0 ? rc::kVfoA : rc::kVfoB))
            changes |= StoreInVfoMemory(vfo, f_.vfo(vfo));
    Changed(changes);
}

int K2RadioModel::FilterWidth(int mode, int filter) const {
    if (filter < 1 || filter > 4)
        return 0;
    return filterWidths_[static_cast<std::size_t>(FilterGroup(mode))]
                        [static_cast<std::size_t>(filter - 1)];
}

void K2RadioModel::Changed(uint32_t changes) {
    if (changes == 0)
        return;
    ++revision_;
    announcer_->Announce(changes);
}

uint32_t K2RadioModel::SetTuneKeyed(bool on) {
    const bool before = Transmitting();
    tuneKeyed_ = on;
    const uint32_t changes = before != Transmitting() ? rc::kTransmit : 0;
    Changed(changes);
    return changes;
}

uint32_t K2RadioModel::SetPttKeyed(bool on) {
    const bool before = Transmitting();
    pttKeyed_ = on;
    if (on)
        receiveReports_ = 0;
    const uint32_t changes = before != Transmitting() ? rc::kTransmit : 0;
    Changed(changes);
    return changes;
}

void K2RadioModel::SetBandTable(const BandTable& bands) {
    bands_ = bands;
    const uint32_t hz = f_.vfo(f_.receiveVfo);
    if (auto b = findBandIn(bands_, hz); b && *b != band_) {
        band_ = *b;
        Changed(rc::kBand);
    }
}

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether a reply has the form its name promises, as far as the rules of
// ApplyReply read it; a garbled one leaves a value unread.
bool Readable(int id, std::string_view p) {
    switch (id) {
    case ID_AN:
    case ID_FR:
    case ID_FT:
    case ID_KY:
    case ID_LK:
    case ID_MD:
    case ID_NB:
    case ID_PA:
        return !p.empty() && IsDigit(p[0]);
    case ID_BG:
    case ID_KS:
    case ID_SQ:
        return ScanInt(p).has_value();
    case ID_FA:
    case ID_FB:
        return ElevenDigits(p);
    case ID_IF:
        return p.size() >= 32 && ElevenDigits(p.substr(0, 11));
    case ID_RA:
        return p.size() >= 2 && IsDigit(p[1]);
    case ID_FW:
        return p.size() >= 6;
    case ID_DS:
    case ID_GT:
    case ID_PC:
        return p.size() >= 4;
    default:
        return true;
    }
}
} // namespace

uint32_t K2RadioModel::ApplyReply(int id, std::string_view text) {
    uint32_t changes = 0;
    if (id == ID_NONE) {
        // "?" refuses a command; anything else is a name garbled on the line.
        // Neither shows that a radio is there: one that only ever says "?"
        // is not live.
        if (text != "?")
            ++unread_;
        return 0;
    }
    if (!Readable(id, text.size() >= 2 ? text.substr(2) : std::string_view()))
        ++unread_;
    if (link_.OnReply(LinkMonitor::Clock::now()))
        changes |= rc::kLink;
    if (f_.awaitingFirstReply) {
        f_.awaitingFirstReply = false;
        changes |= rc::kFirstReply;
    }
    const std::string_view p = text.size() >= 2 ? text.substr(2) : std::string_view();
    // Every rule below reads only positions it has checked to exist; a reply
    // too short for its rule, or whose number does not read, is ignored.
    switch (id) {
    case ID_AN:
        if (!p.empty()) {
            f_.antenna = p[0] - '0';
            changes |= rc::kAntenna;
        }
        break;
    case ID_BG:
        if (auto v = ScanInt(p)) {
            f_.barGraph = static_cast<uint32_t>(*v);
            changes |= rc::kBarGraph;
        }
        break;
    case ID_DS:
        changes |= ApplyDS(p);
        break;
    case ID_FA:
        changes |= ApplyFrequencyReport(0, p);
        break;
    case ID_FB:
        changes |= ApplyFrequencyReport(1, p);
        break;
    case ID_FR:
        if (!p.empty() && Report(rc::kReceiveVfo, &RadioFields::receiveVfo, int32_t{p[0] != '0'}))
            changes |= rc::kReceiveVfo | Follow(f_.vfo(f_.receiveVfo), false);
        break;
    case ID_FT:
        if (!p.empty())
            changes |= Report(rc::kTransmitVfo, &RadioFields::transmitVfo, int32_t{p[0] != '0'});
        break;
    case ID_FW:
        changes |= ApplyFW(p);
        break;
    case ID_GT:
        changes |= ApplyGT(p);
        break;
    case ID_IF:
        changes |= ApplyIF(p);
        break;
    case ID_KS:
        if (auto v = ScanInt(p)) {
            f_.cwSpeed = To32(*v);
            changes |= rc::kSpeed;
        }
        break;
    case ID_KY:
        if (!p.empty()) {
            f_.keyerState = p[0] - '0';
            changes |= rc::kKeyer;
            const bool before = Transmitting();
            cwKeyed_ = f_.keyerState == 0 || f_.keyerState == 1;
            if (cwKeyed_)
                receiveReports_ = 0;
            if (before != Transmitting())
                changes |= rc::kTransmit;
        }
        break;
    case ID_LK:
        if (!p.empty()) {
            f_.vfoLock = p[0] != '0';
            changes |= rc::kLock;
        }
        break;
    case ID_MD:
        if (!p.empty())
            changes |= Report(rc::kMode, &RadioFields::mode, int32_t{p[0] - '0'});
        break;
    case ID_NB:
        if (!p.empty()) {
            f_.noiseBlanker = p[0] - '0';
            changes |= rc::kNoiseBlanker;
        }
        break;
    case ID_PA:
        if (!p.empty()) {
            f_.preamp = p[0] != '0';
            changes |= rc::kPreamp;
        }
        break;
    case ID_PC:
        changes |= ApplyPC(p);
        break;
    case ID_RA:
        if (p.size() >= 2) {
            f_.attenuator = p[1] != '0';
            changes |= rc::kAttenuator;
        }
        break;
    case ID_SQ:
        if (auto v = ScanInt(p)) {
            f_.squelch = To32(*v);
            changes |= rc::kSquelch;
        }
        break;
    default:
        break; // AI, DN, ID, K2, PS, RC..RX, SM, SW, UP, TX, XT and unknown names
    }
    Changed(changes);
    return changes;
}

uint32_t K2RadioModel::ApplyFrequencyReport(int vfo, std::string_view p) {
    // The radio always sends eleven digits. Anything else is line noise, and
    // taking it would store a wrong frequency in the per-band memory.
    if (!ElevenDigits(p))
        return 0;
    const auto hz = static_cast<uint32_t>(*ScanInt(p));
    uint32_t changes = Report(vfo == 0 ? rc::kVfoA : rc::kVfoB,
                              vfo == 0 ? &RadioFields::vfoA : &RadioFields::vfoB, hz);
    if (changes == 0)
        return 0; // held: nothing shown moves
    const bool receiving = vfo == f_.receiveVfo;
    if (gatePending_ && receiving) {
        // While the slider waits for the radio to reach what it sent, the
        // intermediate reports must not pull the thumb back.
        if (hz != gateTarget_)
            return changes;
        gatePending_ = false;
    }
    if (receiving)
        changes |= Follow(hz, true);
    return changes | StoreInVfoMemory(vfo, hz);
}

uint32_t K2RadioModel::Follow(uint32_t hz, bool lookUpBand) {
    uint32_t changes = rc::kFollow;
    followHz_ = hz;
    if (lookUpBand && !(band_.lowHz <= hz && hz <= band_.highHz))
        if (auto b = findBandIn(bands_, hz); b && *b != band_) {
            band_ = *b;
            changes |= rc::kBand;
        }
    return changes;
}

uint32_t K2RadioModel::StoreInVfoMemory(int vfo, uint32_t hz) {
    if (band_.index >= 0 && band_.index < kBandCount) {
        VfoPair& pair = memory_[static_cast<std::size_t>(band_.index)];
        (vfo == 0 ? pair.a : pair.b) = hz;
    }
    return rc::kVfoMemory;
}

uint32_t K2RadioModel::ApplyFW(std::string_view p) {
    if (p.size() < 6)
        return 0;
    auto width = ScanInt(Blanked(p, 4));
    if (!width)
        return 0;
    const int32_t filter = p[4] - '0';
    f_.audioFilter = p[5] - '0';
    if (filter >= 1 && filter <= 4 && *width > 0)
        filterWidths_[static_cast<std::size_t>(FilterGroup(reported_.mode))]
                     [static_cast<std::size_t>(filter - 1)] = To32(*width);
    Report(rc::kFilter, &RadioFields::crystalFilter, filter);
    Report(rc::kFilter, &RadioFields::bandwidth, To32(*width));
    return rc::kFilter;
}

uint32_t K2RadioModel::ApplyGT(std::string_view p) {
    if (p.size() < 4)
        return 0;
    if (p[3] == '0') {
        f_.agc = 0;
    } else if (auto v = ScanInt(Blanked(p, 3))) {
        f_.agc = To32(*v);
    } else {
        return 0;
    }
    return rc::kAgc;
}

uint32_t K2RadioModel::ApplyPC(std::string_view p) {
    if (p.size() < 4)
        return 0;
    auto v = ScanInt(Blanked(p, 3));
    if (!v)
        return 0;
    f_.powerRange = p[3] != '0';
    f_.power = To32(*v);
    return rc::kPower;
}

uint32_t K2RadioModel::ApplyIF(std::string_view p) {
    // Positions after "IF": 0..10 frequency, 16..20 signed offset, 21 RIT,
    // 22 XIT, 26 transmit, 27 mode, 28 VFO, 29 scan, 30 split, 31 band flag.
    if (p.size() < 32 || !ElevenDigits(p.substr(0, 11)))
        return 0;
    std::string fields(p.substr(0, 32));
    fields[21] = ' ';
    fields[22] = ' ';
    auto freq = ScanInt(fields);
    auto offset = ScanInt(std::string_view(fields).substr(16));
    if (!freq || !offset)
        return 0;
    const auto hz = static_cast<uint32_t>(*freq);
    const int vfo = p[28] != '0';
    const uint32_t freqBit = vfo == 0 ? rc::kVfoA : rc::kVfoB;
    uint32_t changes =
        Report(freqBit, vfo == 0 ? &RadioFields::vfoA : &RadioFields::vfoB, hz) |
        Report(rc::kReceiveVfo, &RadioFields::receiveVfo, int32_t{vfo}) |
        Report(rc::kTransmitVfo, &RadioFields::transmitVfo, p[30] != '0' ? 1 - vfo : vfo) |
        Report(rc::kRitXit, &RadioFields::ritOn, int32_t{p[21] != '0'}) |
        Report(rc::kRitXit, &RadioFields::xitOn, int32_t{p[22] != '0'}) |
        Report(rc::kOffset, &RadioFields::offset, To32(*offset)) |
        Report(rc::kMode, &RadioFields::mode, int32_t{p[27] - '0'});
    // The receive VFO itself is shown against the transmit VFO, as it always was.
    if (changes & rc::kReceiveVfo)
        changes = (changes & ~rc::kReceiveVfo) | rc::kTransmitVfo;
    f_.transmitting = p[26] == '1';
    const bool wasTransmitting = Transmitting();
    f_.transmitFlag = p[26] != '0';
    // A receiving radio has ended a tune the program started (any key ends it).
    if (!f_.transmitFlag) {
        tuneKeyed_ = false;
        if (++receiveReports_ >= 2)
            pttKeyed_ = cwKeyed_ = false;
    }
    if (wasTransmitting != Transmitting())
        changes |= rc::kTransmit;
    if (!(changes & freqBit))
        return changes;
    changes |= Follow(hz, true);
    return changes | StoreInVfoMemory(vfo, hz);
}

uint32_t K2RadioModel::ApplyDS(std::string_view p) {
    // Display characters, then the icon byte and the blink byte as hex digits.
    if (p.size() < 4)
        return 0;
    auto blink = ScanHexByte(p.substr(p.size() - 2));
    auto icon = ScanHexByte(p.substr(p.size() - 4, 2));
    if (!blink || !icon)
        return 0;
    f_.displayText = std::string(p.substr(0, p.size() - 4));
    f_.iconByte = *icon;
    f_.blinkByte = *blink;
    return rc::kDisplay;
}

K2RadioState K2RadioModel::Snapshot() const {
    K2RadioState s;
    s.vfoA = f_.vfoA;
    s.vfoB = f_.vfoB;
    s.mode = static_cast<uint32_t>(f_.mode);
    s.crystalFilter = static_cast<uint32_t>(f_.crystalFilter);
    s.bandwidth = static_cast<uint32_t>(f_.bandwidth);
    s.audioFilter = static_cast<uint32_t>(f_.audioFilter);
    s.agc = static_cast<uint32_t>(f_.agc);
    s.noiseBlanker = static_cast<uint32_t>(f_.noiseBlanker);
    s.cwSpeed = static_cast<uint32_t>(f_.cwSpeed);
    s.antenna = static_cast<uint32_t>(f_.antenna);
    s.power = static_cast<uint32_t>(f_.power);
    s.receiveVfo = static_cast<uint32_t>(f_.receiveVfo);
    s.transmitVfo = static_cast<uint32_t>(f_.transmitVfo);
    s.preamp = f_.preamp != 0;
    s.attenuator = f_.attenuator != 0;
    s.offset = f_.offset;
    s.ritOn = static_cast<uint32_t>(f_.ritOn);
    s.xitOn = static_cast<uint32_t>(f_.xitOn);
    s.bandIndex = static_cast<uint32_t>(band_.index);
    return s;
}

void K2RadioModel::ArmTuneGate(uint32_t target) {
    gatePending_ = true;
    gateTarget_ = target;
}

void K2RadioModel::SetVfoFrequency(int vfo, uint32_t hz) {
    (vfo == 0 ? f_.vfoA : f_.vfoB) = hz;
    Changed(vfo == 0 ? rc::kVfoA : rc::kVfoB);
}

void K2RadioModel::SetVfoRoles(int receiveVfo, int transmitVfo) {
    f_.receiveVfo = receiveVfo;
    f_.transmitVfo = transmitVfo;
    Changed(rc::kReceiveVfo | rc::kTransmitVfo);
}

void K2RadioModel::SetRitXit(bool rit, bool xit) {
    f_.ritOn = rit;
    f_.xitOn = xit;
    Changed(rc::kRitXit);
}

void K2RadioModel::SetPreamp(bool on) {
    f_.preamp = on;
    Changed(rc::kPreamp);
}

void K2RadioModel::SetAttenuator(bool on) {
    f_.attenuator = on;
    Changed(rc::kAttenuator);
}

void K2RadioModel::SetAntenna(int antenna) {
    f_.antenna = antenna;
    Changed(rc::kAntenna);
}

void K2RadioModel::SetVfoLock(bool on) {
    f_.vfoLock = on;
    Changed(rc::kLock);
}

void K2RadioModel::SetPower(int power) {
    f_.power = power;
    Changed(rc::kPower);
}

void K2RadioModel::SetCwSpeed(int wpm) {
    f_.cwSpeed = wpm;
    Changed(rc::kSpeed);
}

void K2RadioModel::SetSquelch(int level) {
    f_.squelch = level;
    Changed(rc::kSquelch);
}

void K2RadioModel::SetMode(int code) {
    f_.mode = code;
    Changed(rc::kMode);
}

void K2RadioModel::SetCrystalFilter(int filter, int widthHz) {
    f_.crystalFilter = filter;
    f_.bandwidth = widthHz;
    Changed(rc::kFilter);
}

void K2RadioModel::SetOffset(int hz) {
    f_.offset = hz;
    Changed(rc::kOffset);
}

void K2RadioModel::SetAgc(int code) {
    f_.agc = code;
    Changed(rc::kAgc);
}

} // namespace tamrel
