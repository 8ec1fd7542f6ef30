#include "panel/FrontPanelModel.h"

#include "radio/CK2CommChannel.h"
#include "radio/K2Commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

namespace tamrel {

namespace {

// "%d" / "%ld" on a bounded text: leading white space, an optional sign, then
// at least one digit. The value saturates instead of overflowing.
bool ElevenDigits(std::string_view s) {
    return s.size() == 11 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

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

std::string FormatInt(int64_t v) {
    return std::to_string(v);
}

std::string CaptionOf(std::string_view prefix, int value, std::string_view zero) {
    if (value == 0 && !zero.empty())
        return std::string(prefix) + std::string(zero);
    if (value == 1 || value == 2)
        return std::string(prefix) + std::to_string(value);
    return {};
}

} // namespace

std::string FormatKHz(uint32_t hz) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%10.2f", static_cast<double>(hz) * 0.001);
    return buf;
}

CFrontPanelModel::CFrontPanelModel(BandTable bands, VfoMemory memory, int tuningRange)
    : bands_(std::move(bands)), band_(bands_[0]), memory_(memory), tuningRange_(tuningRange) {
    view_.vfoAText = FormatKHz(f_.vfoA);
    view_.vfoBText = FormatKHz(f_.vfoB);
    view_.tuningRangeIndex = tuningRange_;
    view_.cwSpeed = f_.cwSpeed;
    view_.speed.pos = f_.cwSpeed;
    ShowPowerText();
    if (auto b = findBandIn(bands_, f_.vfoA)) {
        band_ = *b;
        SetTuningWindowAround(f_.vfoA);
    }
    changes_ = kChangeAll;
}

void CFrontPanelModel::SetPortNumber(int port) {
    portLabel_ = "COM" + std::to_string(port);
}

void CFrontPanelModel::Touch(uint32_t what) {
    changes_ |= what;
    ++revision_;
}

uint32_t CFrontPanelModel::TakeChanges() {
    return std::exchange(changes_, 0u);
}

void CFrontPanelModel::ApplyReply(int id, std::string_view text) {
    if (f_.awaitingFirstReply) {
        f_.awaitingFirstReply = false;
        ClearStatus();
        view_.portText = portLabel_;
        Touch(kChangeTexts);
        if (channel_)
            channel_->SetStatusPolling(true);
    }
    const std::string_view p = text.size() >= 2 ? text.substr(2) : std::string_view();
    // Every rule below reads only positions it has checked to exist; a reply
    // too short for its rule, or whose number does not read, is ignored.
    switch (id) {
    case ID_AN:
        if (!p.empty()) {
            f_.antenna = p[0] - '0';
            view_.antCaption = CaptionOf("ANT: ", f_.antenna, {});
            Touch(kChangeTexts);
        }
        break;
    case ID_BG:
        if (auto v = ScanInt(p))
            ApplyBG(static_cast<uint32_t>(*v));
        break;
    case ID_DS:
        ApplyDS(p);
        break;
    case ID_FA:
        ApplyFrequencyReport(0, p);
        break;
    case ID_FB:
        ApplyFrequencyReport(1, p);
        break;
    case ID_FR:
        if (!p.empty()) {
            f_.receiveVfo = p[0] != '0';
            ShowVfoRoles(f_.receiveVfo, f_.receiveVfo);
            FollowReceiveFrequency(f_.vfo(f_.receiveVfo), false);
        }
        break;
    case ID_FT:
        if (!p.empty()) {
            f_.transmitVfo = p[0] != '0';
            ShowVfoRoles(f_.receiveVfo, f_.transmitVfo);
        }
        break;
    case ID_FW:
        ApplyFW(p);
        break;
    case ID_GT:
        ApplyGT(p);
        break;
    case ID_IF:
        ApplyIF(p);
        break;
    case ID_KS:
        if (auto v = ScanInt(p))
            SetCwSpeed(To32(*v));
        break;
    case ID_KY:
        if (!p.empty() && keyer_)
            keyer_(p[0] - '0');
        break;
    case ID_LK:
        if (!p.empty())
            SetVfoLock(p[0] != '0');
        break;
    case ID_MD:
        if (!p.empty())
            SelectMode(p[0] - '0');
        break;
    case ID_NB:
        if (!p.empty()) {
            f_.noiseBlanker = p[0] - '0';
            view_.nbCaption = CaptionOf("NB: ", f_.noiseBlanker, "OFF");
            Touch(kChangeTexts);
        }
        break;
    case ID_PA:
        if (!p.empty())
            SelectPreamp(p[0] != '0');
        break;
    case ID_PC:
        ApplyPC(p);
        break;
    case ID_RA:
        if (p.size() >= 2)
            SelectAttenuator(p[1] != '0');
        break;
    case ID_SQ:
        if (auto v = ScanInt(p))
            SetSquelch(To32(*v));
        break;
    default:
        break; // AI, DN, ID, K2, PS, RC..RX, SM, SW, UP, TX, XT and unknown names
    }
}

void CFrontPanelModel::ApplyFrequencyReport(int vfo, std::string_view p) {
    // The radio always sends eleven digits. Anything else is line noise, and
    // taking it would store a wrong frequency in the per-band memory.
    if (!ElevenDigits(p))
        return;
    auto v = ScanInt(p);
    if (!v)
        return;
    const auto hz = static_cast<uint32_t>(*v);
    (vfo == 0 ? f_.vfoA : f_.vfoB) = hz;
    (vfo == 0 ? view_.vfoAText : view_.vfoBText) = FormatKHz(hz);
    Touch(kChangeTexts);
    const bool receiving = vfo == f_.receiveVfo;
    if (gatePending_ && receiving) {
        // While the slider waits for the radio to reach what it sent, the
        // intermediate reports must not pull the thumb back.
        if (hz != gateTarget_)
            return;
        gatePending_ = false;
    }
    if (receiving)
        FollowReceiveFrequency(hz, true);
    StoreInVfoMemory(vfo, hz);
}

void CFrontPanelModel::FollowReceiveFrequency(uint32_t hz, bool lookUpBand) {
    if (windowLow_ <= hz && hz <= windowHigh_) {
        view_.tuning.pos = static_cast<int>(hz / 10);
        Touch(kChangeSliders);
    } else {
        if (lookUpBand)
            if (auto b = findBandIn(bands_, hz))
                band_ = *b;
        SetTuningWindowAround(hz);
    }
    ShowTuningFrequency(hz);
}

void CFrontPanelModel::StoreInVfoMemory(int vfo, uint32_t hz) {
    if (band_.index >= 0 && band_.index < kBandCount) {
        VfoPair& pair = memory_[static_cast<std::size_t>(band_.index)];
        (vfo == 0 ? pair.a : pair.b) = hz;
    }
    view_.bandIndex = band_.index;
    Touch(kChangeButtons);
}

void CFrontPanelModel::SetTuningWindowAround(uint32_t hz) {
    if (tuningRange_ == 0) {
        windowLow_ = band_.lowHz;
        windowHigh_ = band_.highHz;
    } else if (tuningRange_ > 0 && tuningRange_ < static_cast<int>(kTuningRangeSpans.size())) {
        const int64_t span = kTuningRangeSpans[static_cast<std::size_t>(tuningRange_)];
        int64_t low = int64_t{hz} - span / 2;
        int64_t high = int64_t{hz} + span / 2;
        if (low < int64_t{band_.lowHz}) {
            low = band_.lowHz;
            high = low + span;
        } else if (high > int64_t{band_.highHz}) {
            high = band_.highHz;
            low = high - span;
        }
        windowLow_ = static_cast<uint32_t>(std::max<int64_t>(low, 0));
        windowHigh_ = static_cast<uint32_t>(std::max<int64_t>(high, 0));
    }
    view_.tuning = {static_cast<int>(windowLow_ / 10), static_cast<int>(windowHigh_ / 10),
                    static_cast<int>(hz / 10)};
    Touch(kChangeSliders);
    ShowTuningFrequency(hz);
}

void CFrontPanelModel::ShowTuningFrequency(uint32_t hz) {
    view_.tuningText = FormatKHz(hz);
    Touch(kChangeTexts);
}

void CFrontPanelModel::ApplyFW(std::string_view p) {
    if (p.size() < 6)
        return;
    const int filter = p[4] - '0';
    const int afil = p[5] - '0';
    auto width = ScanInt(Blanked(p, 4));
    if (!width)
        return;
    f_.audioFilter = afil;
    f_.bandwidth = To32(*width);
    SelectCrystalFilter(filter);
    view_.afilCaption = CaptionOf("AFIL: ", afil, "OFF");
    view_.bandwidthText = FormatInt(f_.bandwidth);
    Touch(kChangeTexts);
}

void CFrontPanelModel::ApplyGT(std::string_view p) {
    if (p.size() < 4)
        return;
    if (p[3] == '0') {
        SelectAgc(0);
    } else if (auto v = ScanInt(Blanked(p, 3))) {
        SelectAgc(To32(*v));
    }
}

void CFrontPanelModel::ApplyPC(std::string_view p) {
    if (p.size() < 4)
        return;
    auto v = ScanInt(Blanked(p, 3));
    if (!v)
        return;
    f_.powerRange = p[3] != '0';
    SetPower(To32(*v));
}

void CFrontPanelModel::ApplyIF(std::string_view p) {
    // Positions after "IF": 0..10 frequency, 16..20 signed offset, 21 RIT,
    // 22 XIT, 26 transmit, 27 mode, 28 VFO, 29 scan, 30 split, 31 band flag.
    if (p.size() < 32 || !ElevenDigits(p.substr(0, 11)))
        return;
    std::string fields(p.substr(0, 32));
    fields[21] = ' ';
    fields[22] = ' ';
    auto freq = ScanInt(fields);
    auto offset = ScanInt(std::string_view(fields).substr(16));
    if (!freq || !offset)
        return;
    const auto hz = static_cast<uint32_t>(*freq);
    const bool rit = p[21] != '0';
    const bool xit = p[22] != '0';
    const int mode = p[27] - '0';
    const int vfo = p[28] != '0';
    const bool split = p[30] != '0';

    (vfo == 0 ? f_.vfoA : f_.vfoB) = hz;
    (vfo == 0 ? view_.vfoAText : view_.vfoBText) = FormatKHz(hz);
    f_.receiveVfo = vfo;
    ShowTuningFrequency(hz);
    f_.transmitVfo = split ? 1 - vfo : vfo;
    ShowVfoRoles(f_.receiveVfo, f_.transmitVfo);

    FollowReceiveFrequency(hz, true);
    StoreInVfoMemory(f_.receiveVfo, hz);

    SetRitXit(rit, xit);
    ShowRitXitColours(rit, xit);
    SetRitXitControlsEnabled(rit || xit);

    f_.offset = To32(*offset);
    view_.offsetText = FormatInt(f_.offset);
    SetOffsetSliderPosition(f_.offset + 1000);
    SelectMode(mode);
}

void CFrontPanelModel::ApplyDS(std::string_view p) {
    // Display characters, then the icon byte and the blink byte as hex digits.
    if (p.size() < 4)
        return;
    auto blink = ScanHexByte(p.substr(p.size() - 2));
    auto icon = ScanHexByte(p.substr(p.size() - 4, 2));
    if (!blink || !icon)
        return;
    std::string text(p.substr(0, p.size() - 4));
    if (text != view_.displayText) {
        view_.displayText = std::move(text);
        Touch(kChangeDisplay);
    }
    std::array<Rgb, kLampCount> lamps{};
    for (int lamp = 0; lamp < kLampCount; ++lamp) {
        const int bit = 1 << (6 - lamp); // NB is bit 6, XIT bit 0
        lamps[lamp] = (*icon & bit) ? colour::kLampOn : colour::kSilver;
        // Only blink bits 6, 3, 2, 1 and 0 flash a lamp.
        if ((*blink & bit) && lamp != kLampANT2 && lamp != kLampPRE)
            lamps[lamp] = colour::kLampBlink;
    }
    if (lamps != view_.lamps) {
        view_.lamps = lamps;
        Touch(kChangeAnnunciators);
    }
}

void CFrontPanelModel::ApplyBG(uint32_t value) {
    f_.barGraph = value;
    std::array<Rgb, 10> meter;
    meter.fill(colour::kSilver);
    if (value < 12) {
        meter[value % 10] = colour::kMeterGreen; // dot mode
    } else if (value >= 13 && value <= 22) {
        for (uint32_t s = 0; s <= value - 13; ++s)
            meter[s] = s < 6   ? colour::kMeterGreen
                       : s < 8 ? colour::kMeterAmber
                               : colour::kMeterRed;
    }
    if (meter != view_.meter) {
        view_.meter = meter;
        Touch(kChangeMeter);
    }
}

K2RadioState CFrontPanelModel::Snapshot() const {
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

void CFrontPanelModel::ArmTuneGate(uint32_t target) {
    gatePending_ = true;
    gateTarget_ = target;
}

void CFrontPanelModel::SetTuningRangeIndex(int index) {
    tuningRange_ = index;
    view_.tuningRangeIndex = index;
    Touch(kChangeButtons);
}

void CFrontPanelModel::SetRitXitControlsEnabled(bool enabled) {
    view_.ritXitControlsEnabled = enabled;
    Touch(kChangeButtons);
    if (enabled)
        SetOffsetSliderPosition(f_.offset + 1000);
}

void CFrontPanelModel::ShowVfoRoles(int receiveVfo, int transmitVfo) {
    const bool split = receiveVfo != transmitVfo;
    Rgb rxEdit = split ? colour::kSplitReceive : colour::kActiveVfo;
    Rgb otherEdit = split ? colour::kSplitTransmit : colour::kSilver;
    view_.editABack = receiveVfo == 0 ? rxEdit : otherEdit;
    view_.editBBack = receiveVfo == 0 ? otherEdit : rxEdit;
    view_.rxA = receiveVfo == 0 ? colour::kOn : colour::kSilver;
    view_.rxB = receiveVfo != 0 ? colour::kOn : colour::kSilver;
    view_.txA = transmitVfo == 0 ? colour::kOn : colour::kSilver;
    view_.txB = transmitVfo != 0 ? colour::kOn : colour::kSilver;
    Touch(kChangeColours);
}

void CFrontPanelModel::SelectMode(int code) {
    f_.mode = code;
    const int index = ModeIndexOfCode(code);
    if (index < 0)
        return;
    view_.modeSelected.fill(false);
    view_.modeSelected[static_cast<std::size_t>(index)] = true;
    Touch(kChangeButtons);
}

void CFrontPanelModel::SelectAgc(int code) {
    f_.agc = code;
    const int button = code == 0 ? kAgcOff : code == 2 ? kAgcFast : code == 4 ? kAgcSlow : -1;
    if (button < 0)
        return;
    view_.agcSelected.fill(false);
    view_.agcSelected[static_cast<std::size_t>(button)] = true;
    Touch(kChangeButtons);
}

void CFrontPanelModel::SelectCrystalFilter(int filter) {
    f_.crystalFilter = filter;
    if (filter < 1 || filter > 4)
        return;
    view_.xfilSelected.fill(false);
    view_.xfilSelected[static_cast<std::size_t>(filter - 1)] = true;
    Touch(kChangeButtons);
}

void CFrontPanelModel::SelectPreamp(bool on) {
    f_.preamp = on;
    view_.preSelected = on;
    Touch(kChangeButtons);
}

void CFrontPanelModel::SelectAttenuator(bool on) {
    f_.attenuator = on;
    view_.attSelected = on;
    Touch(kChangeButtons);
}

void CFrontPanelModel::ShowStatus(std::string text, StatusStyle style) {
    if (text == view_.statusText && style == view_.statusStyle)
        return;
    view_.statusText = std::move(text);
    view_.statusStyle = style;
    Touch(kChangeStatus);
}

void CFrontPanelModel::SetVfoFrequency(int vfo, uint32_t hz) {
    (vfo == 0 ? f_.vfoA : f_.vfoB) = hz;
}

void CFrontPanelModel::SetVfoRoles(int receiveVfo, int transmitVfo) {
    f_.receiveVfo = receiveVfo;
    f_.transmitVfo = transmitVfo;
}

void CFrontPanelModel::SetRitXit(bool rit, bool xit) {
    f_.ritOn = rit;
    f_.xitOn = xit;
}

void CFrontPanelModel::ShowRitXitColours(bool rit, bool xit) {
    view_.ritButton = rit ? colour::kOn : colour::kSilver;
    view_.xitButton = xit ? colour::kOn : colour::kSilver;
    if (rit && !xit)
        view_.offsetEditBack = colour::kRitOffset;
    else if (xit && !rit)
        view_.offsetEditBack = colour::kXitOffset;
    else if (!rit && !xit)
        view_.offsetEditBack = colour::kSilver;
    // Both on: the offset edit keeps its colour.
    Touch(kChangeColours);
}

void CFrontPanelModel::SetVfoLock(bool on) {
    f_.vfoLock = on;
    view_.vfoLock = on;
    Touch(kChangeButtons);
}

void CFrontPanelModel::SetPower(int power) {
    f_.power = power;
    view_.power.pos = 150 - power;
    ShowPowerText();
    Touch(kChangeSliders);
}

void CFrontPanelModel::ShowPowerText() {
    const double shown = f_.powerRange ? f_.power : f_.power * 0.1;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%6.1f", shown);
    view_.powerText = buf;
    Touch(kChangeTexts);
}

void CFrontPanelModel::SetCwSpeed(int wpm) {
    f_.cwSpeed = wpm;
    view_.cwSpeed = wpm;
    view_.speed.pos = wpm;
    Touch(kChangeTexts | kChangeSliders);
}

void CFrontPanelModel::SetSquelch(int level) {
    f_.squelch = level;
    view_.squelch = level;
    view_.squelchSlider.pos = level;
    Touch(kChangeTexts | kChangeSliders);
}

void CFrontPanelModel::SetOffsetSliderPosition(int pos) {
    f_.offsetSliderPos = pos;
    view_.offset.pos = pos;
    view_.offsetSliderText = FormatInt(pos - 1000);
    Touch(kChangeTexts | kChangeSliders);
}

void CFrontPanelModel::SetEditWritable(int vfo, bool writable) {
    view_.editWritable[vfo != 0] = writable;
    Touch(kChangeButtons);
}

void CFrontPanelModel::SetEntryButton(int vfo, bool enabled, Rgb face) {
    view_.entryEnabled[vfo != 0] = enabled;
    view_.entryButton[vfo != 0] = face;
    Touch(kChangeButtons | kChangeColours);
}

void CFrontPanelModel::SetTuningEditColour(Rgb face) {
    view_.tuningEditBack = face;
    Touch(kChangeColours);
}

} // namespace tamrel
