#include "panel/FrontPanelPresenter.h"

#include "radio/K2Commands.h"

#include <algorithm>
#include <cstdio>

namespace tamrel {

namespace rc = radio_change;

namespace {

std::string CaptionOf(std::string_view prefix, int value, std::string_view zero) {
    if (value == 0 && !zero.empty())
        return std::string(prefix) + std::string(zero);
    if (value == 1 || value == 2)
        return std::string(prefix) + std::to_string(value);
    return {};
}

} // namespace

FrontPanelPresenter::FrontPanelPresenter(K2RadioModel& radio, int tuningRange)
    : radio_(radio), tuningRange_(tuningRange) {
    const RadioFields& f = radio_.Fields();
    view_.vfoAText = KHz(f.vfoA, rc::kVfoA);
    view_.vfoBText = KHz(f.vfoB, rc::kVfoB);
    view_.tuningRangeIndex = tuningRange_;
    view_.cwSpeed = f.cwSpeed;
    view_.speed.pos = f.cwSpeed;
    ShowPower();
    ShowLink();
    const BandRecord& band = radio_.CurrentBand();
    if (band.lowHz <= f.vfoA && f.vfoA <= band.highHz)
        SetTuningWindowAround(f.vfoA);
    changes_ = kChangeAll;
}

void FrontPanelPresenter::SetPortNumber(int port) {
    portLabel_ = "COM" + std::to_string(port);
}

uint32_t FrontPanelPresenter::TakeChanges() {
    return std::exchange(changes_, 0u);
}

std::string FrontPanelPresenter::KHz(uint32_t hz, uint32_t bit) const {
    return (known_ & bit) && !stale_ ? FormatKHz(hz) : kUnknownKHz;
}

void FrontPanelPresenter::Present(uint32_t c) {
    const RadioFields& f = radio_.Fields();
    // A value shows once something set it; until then it came from nowhere.
    known_ |= c & (rc::kVfoA | rc::kVfoB | rc::kFollow | rc::kPower | rc::kSpeed | rc::kSquelch);
    if (c & (rc::kLink | rc::kTransmit))
        ShowLink();
    view_.speedKnown = (known_ & rc::kSpeed) && !stale_;
    view_.squelchKnown = (known_ & rc::kSquelch) && !stale_;
    if (c & rc::kFirstReply) {
        ClearStatus();
        view_.portText = portLabel_;
        Touch(kChangeTexts);
    }
    if (c & rc::kAntenna) {
        view_.antCaption = CaptionOf("ANT: ", f.antenna, {});
        Touch(kChangeTexts);
    }
    if (c & rc::kBarGraph)
        ShowMeter();
    if (c & rc::kDisplay) {
        if (f.displayText != view_.displayText) {
            view_.displayText = f.displayText;
            Touch(kChangeDisplay);
        }
        ShowLamps();
    }
    if (c & rc::kVfoA) {
        view_.vfoAText = KHz(f.vfoA, rc::kVfoA);
        Touch(kChangeTexts);
    }
    if (c & rc::kVfoB) {
        view_.vfoBText = KHz(f.vfoB, rc::kVfoB);
        Touch(kChangeTexts);
    }
    // FR alone shows the reported VFO not split; FT and IF show the pair.
    if (c & rc::kTransmitVfo)
        ShowVfoRoles(f.receiveVfo, f.transmitVfo);
    else if (c & rc::kReceiveVfo)
        ShowVfoRoles(f.receiveVfo, f.receiveVfo);
    if (c & rc::kFollow)
        Follow(radio_.FollowHz(), (c & rc::kBand) != 0);
    if (c & (rc::kBand | rc::kVfoMemory)) {
        view_.bandIndex = radio_.CurrentBand().index;
        Touch(kChangeButtons);
    }
    if (c & rc::kRitXit) {
        ShowRitXitColours(f.ritOn, f.xitOn);
        SetRitXitControlsEnabled(f.ritOn || f.xitOn);
    }
    if (c & rc::kOffset) {
        view_.offsetText = std::to_string(f.offset);
        SetOffsetSliderPosition(f.offset + 1000);
    }
    if (c & rc::kMode)
        ShowMode();
    if (c & rc::kFilter)
        ShowFilters();
    if (c & rc::kAgc)
        ShowAgc();
    if (c & rc::kNoiseBlanker) {
        view_.nbCaption = CaptionOf("NB: ", f.noiseBlanker, "OFF");
        Touch(kChangeTexts);
    }
    if (c & rc::kPreamp) {
        view_.preSelected = f.preamp != 0;
        Touch(kChangeButtons);
    }
    if (c & rc::kAttenuator) {
        view_.attSelected = f.attenuator != 0;
        Touch(kChangeButtons);
    }
    if (c & rc::kPower)
        ShowPower();
    if (c & rc::kLock) {
        view_.vfoLock = f.vfoLock != 0;
        Touch(kChangeButtons);
    }
    if (c & rc::kSpeed) {
        view_.cwSpeed = f.cwSpeed;
        view_.speed.pos = f.cwSpeed;
        Touch(kChangeTexts | kChangeSliders);
    }
    if (c & rc::kSquelch) {
        view_.squelch = f.squelch;
        view_.squelchSlider.pos = f.squelch;
        Touch(kChangeTexts | kChangeSliders);
    }
}

void FrontPanelPresenter::Follow(uint32_t hz, bool bandChanged) {
    if (!bandChanged && windowLow_ <= hz && hz <= windowHigh_) {
        view_.tuning.pos = static_cast<int>(hz / 10);
        Touch(kChangeSliders);
    } else {
        SetTuningWindowAround(hz);
    }
    ShowTuningFrequency(hz);
}

void FrontPanelPresenter::SetTuningWindowAround(uint32_t hz) {
    const BandRecord& band = radio_.CurrentBand();
    if (tuningRange_ == 0) {
        windowLow_ = band.lowHz;
        windowHigh_ = band.highHz;
    } else if (tuningRange_ > 0 && tuningRange_ < static_cast<int>(kTuningRangeSpans.size())) {
        const int64_t span = kTuningRangeSpans[static_cast<std::size_t>(tuningRange_)];
        int64_t low = int64_t{hz} - span / 2;
        int64_t high = int64_t{hz} + span / 2;
        if (low < int64_t{band.lowHz}) {
            low = band.lowHz;
            high = low + span;
        } else if (high > int64_t{band.highHz}) {
            high = band.highHz;
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

void FrontPanelPresenter::ShowTuningFrequency(uint32_t hz) {
    view_.tuningText = KHz(hz, rc::kFollow | rc::kVfoA | rc::kVfoB);
    Touch(kChangeTexts);
}

void FrontPanelPresenter::ShowFilters() {
    const RadioFields& f = radio_.Fields();
    if (f.crystalFilter >= 1 && f.crystalFilter <= 4) {
        view_.xfilSelected.fill(false);
        view_.xfilSelected[static_cast<std::size_t>(f.crystalFilter - 1)] = true;
        Touch(kChangeButtons);
    }
    view_.afilCaption = CaptionOf("AFIL: ", f.audioFilter, "OFF");
    view_.bandwidthText = std::to_string(f.bandwidth);
    Touch(kChangeTexts);
}

void FrontPanelPresenter::ShowLamps() {
    const RadioFields& f = radio_.Fields();
    std::array<Rgb, kLampCount> lamps{};
    for (int lamp = 0; lamp < kLampCount; ++lamp) {
        const int bit = 1 << (6 - lamp); // NB is bit 6, XIT bit 0
        lamps[lamp] = (f.iconByte & bit) ? colour::kLampOn : colour::kSilver;
        // Only blink bits 6, 3, 2, 1 and 0 flash a lamp.
        if ((f.blinkByte & bit) && lamp != kLampANT2 && lamp != kLampPRE)
            lamps[lamp] = colour::kLampBlink;
    }
    if (lamps != view_.lamps) {
        view_.lamps = lamps;
        Touch(kChangeAnnunciators);
    }
}

void FrontPanelPresenter::ShowMeter() {
    const uint32_t value = radio_.Fields().barGraph;
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

void FrontPanelPresenter::SetTuningRangeIndex(int index) {
    tuningRange_ = index;
    view_.tuningRangeIndex = index;
    Touch(kChangeButtons);
}

void FrontPanelPresenter::SetRitXitControlsEnabled(bool enabled) {
    view_.ritXitControlsEnabled = enabled;
    Touch(kChangeButtons);
    if (enabled)
        SetOffsetSliderPosition(radio_.Fields().offset + 1000);
}

void FrontPanelPresenter::ShowVfoRoles(int receiveVfo, int transmitVfo) {
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

void FrontPanelPresenter::ShowMode() {
    const int index = ModeIndexOfCode(radio_.Fields().mode);
    if (index < 0)
        return;
    view_.modeSelected.fill(false);
    view_.modeSelected[static_cast<std::size_t>(index)] = true;
    Touch(kChangeButtons);
}

void FrontPanelPresenter::ShowAgc() {
    const int code = radio_.Fields().agc;
    const int button = code == 0 ? kAgcOff : code == 2 ? kAgcFast : code == 4 ? kAgcSlow : -1;
    if (button < 0)
        return;
    view_.agcSelected.fill(false);
    view_.agcSelected[static_cast<std::size_t>(button)] = true;
    Touch(kChangeButtons);
}

void FrontPanelPresenter::ShowStatus(std::string text, StatusStyle style) {
    if (text == view_.statusText && style == view_.statusStyle)
        return;
    view_.statusText = std::move(text);
    view_.statusStyle = style;
    Touch(kChangeStatus);
}

void FrontPanelPresenter::ClearStatus() {
    if (!linkStatus_.empty())
        ShowStatus(linkStatus_, StatusStyle::Error);
    else
        ShowStatus({});
}

void FrontPanelPresenter::ShowRitXitColours(bool rit, bool xit) {
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

void FrontPanelPresenter::ShowPower() {
    const RadioFields& f = radio_.Fields();
    view_.power.pos = 150 - f.power;
    const double shown = f.powerRange ? f.power : f.power * 0.1;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%6.1f", shown);
    view_.powerText = (known_ & rc::kPower) && !stale_ ? buf : kUnknownPower;
    Touch(kChangeTexts | kChangeSliders);
}

void FrontPanelPresenter::SetPower(int power) {
    radio_.SetPower(power);
    known_ |= rc::kPower;
    ShowPower();
}

void FrontPanelPresenter::SetCwSpeed(int wpm) {
    radio_.SetCwSpeed(wpm);
    Present(rc::kSpeed);
}

void FrontPanelPresenter::SetSquelch(int level) {
    radio_.SetSquelch(level);
    Present(rc::kSquelch);
}

void FrontPanelPresenter::SetOffsetSliderPosition(int pos) {
    offsetSliderPos_ = pos;
    view_.offset.pos = pos;
    view_.offsetSliderText = std::to_string(pos - 1000);
    Touch(kChangeTexts | kChangeSliders);
}

void FrontPanelPresenter::SetEditWritable(int vfo, bool writable) {
    view_.editWritable[vfo != 0] = writable;
    Touch(kChangeButtons);
}

void FrontPanelPresenter::SetEditing(int vfo, bool editing) {
    view_.editing[vfo != 0] = editing;
    Touch(kChangeTexts);
}

void FrontPanelPresenter::SetEntryButton(int vfo, bool enabled, Rgb face) {
    view_.entryEnabled[vfo != 0] = enabled;
    view_.entryButton[vfo != 0] = face;
    Touch(kChangeButtons | kChangeColours);
}

void FrontPanelPresenter::ShowLink() {
    const LinkMonitor& link = radio_.Link();
    Rgb lamp = colour::kSilver;
    switch (link.State()) {
    case LinkState::NoPort:
        break;
    case LinkState::Live:
        lamp = colour::kLinkLive;
        break;
    case LinkState::Waiting:
    case LinkState::NoReply:
        lamp = colour::kLinkWaiting;
        break;
    case LinkState::OpenFailed:
    case LinkState::Lost:
        lamp = colour::kLinkFailed;
        break;
    }
    // Down, or back but not answered yet: what is shown is no longer the radio's.
    const LinkState state = link.State();
    wasLive_ = wasLive_ || state == LinkState::Live;
    const bool stale = state == LinkState::NoReply || state == LinkState::Lost ||
                       state == LinkState::OpenFailed || (state == LinkState::Waiting && wasLive_);
    if (stale != stale_) {
        stale_ = stale;
        const RadioFields& f = radio_.Fields();
        view_.vfoAText = KHz(f.vfoA, rc::kVfoA);
        view_.vfoBText = KHz(f.vfoB, rc::kVfoB);
        view_.speedKnown = (known_ & rc::kSpeed) && !stale_;
        view_.squelchKnown = (known_ & rc::kSquelch) && !stale_;
        ShowPower();
        Touch(kChangeTexts);
    }
    std::string tip = link.Describe();
    const bool tx = radio_.Transmitting();
    // A device that failed is named beside its lamp; the short name, as a label would.
    if (link.IsFailure() && !link.Device().empty()) {
        std::string name = link.Device().substr(link.Device().find_last_of('/') + 1);
        if (name != view_.portText) {
            view_.portText = std::move(name);
            Touch(kChangeTexts);
        }
    }
    if (lamp != view_.linkLamp || tip != view_.linkTip || tx != view_.txLamp) {
        view_.linkLamp = lamp;
        view_.linkTip = std::move(tip);
        view_.txLamp = tx;
        Touch(kChangeLink);
    }
    // Failures and silence say so on the status line; once the line is good
    // again, the text it put there goes (anything else stays).
    std::string reason = link.Reason();
    if (!reason.empty()) {
        ShowStatus(reason, StatusStyle::Error);
        linkStatus_ = std::move(reason);
    } else if (!linkStatus_.empty()) {
        const bool shown = view_.statusText == linkStatus_;
        linkStatus_.clear();
        if (shown)
            ClearStatus();
    }
}

void FrontPanelPresenter::SetTuneStepIndex(int index) {
    if (index < 0 || index > 2 || index == view_.tuneStepIndex)
        return;
    view_.tuneStepIndex = index;
    Touch(kChangeButtons);
}

void FrontPanelPresenter::SetTuningEditColour(Rgb face) {
    view_.tuningEditBack = face;
    Touch(kChangeColours);
}

} // namespace tamrel
