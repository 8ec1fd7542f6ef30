#include "panel/FrontPanelControls.h"

#include "panel/KeyboardTuning.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tamrel {

TypedFrequency ParseTypedFrequency(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    const std::string shown(text.substr(0, 16));
    uint64_t whole = 0;
    uint64_t fraction = 0; // the first nine decimals, as nanounits
    uint64_t scale = 100000000;
    bool point = false;
    int digits = 0;
    for (char c : text) {
        if (c == '.' || c == ',') {
            if (point)
                return {0, "Not a frequency: " + shown};
            point = true;
        } else if (c >= '0' && c <= '9') {
            ++digits;
            if (!point) {
                if (whole > 100000000)
                    return {0, shown + ": not in 0.5-30 MHz"};
                whole = whole * 10 + uint64_t(c - '0');
            } else if (scale > 0) {
                fraction += uint64_t(c - '0') * scale;
                scale /= 10;
            }
        } else {
            return {0, "Not a frequency: " + shown};
        }
    }
    if (digits == 0)
        return {0, "Not a frequency: " + shown};
    const uint64_t unitHz = point && whole < 100 ? 1000000 : 1000;
    // Nanounits to Hz, to the nearest Hz.
    const uint64_t hz = whole * unitHz + (fraction * unitHz + 500000000) / 1000000000;
    if (hz < kLowestTypedHz || hz > kHighestTypedHz)
        return {0, shown + (unitHz == 1000 ? " kHz" : " MHz") + ": not in 0.5-30 MHz"};
    return {static_cast<uint32_t>(hz), {}};
}

FrontPanelControls::FrontPanelControls(FrontPanelPresenter& presenter, RadioOperations& radio,
                                       std::function<void(int)> saveTuningRange)
    : view_(presenter), radio_(radio), saveRange_(std::move(saveTuningRange)) {}

void FrontPanelControls::ToggleReleaseTuning() {
    releaseTuning_ = !releaseTuning_;
    view_.SetTuningEditColour(releaseTuning_ ? colour::kReleaseTuning : colour::kSilver);
}

// ---- Push buttons -------------------------------------------------------------

void FrontPanelControls::OnTuneStep(bool up, int step) {
    view_.ClearStatus();
    if (!radio_.TuneStep(up, step))
        SayIfLocked();
}

void FrontPanelControls::OnTuneBy(int64_t deltaHz) {
    view_.ClearStatus();
    if (!radio_.TuneBy(deltaHz))
        SayIfLocked();
}

void FrontPanelControls::SayIfLocked() {
    if (Locked())
        view_.ShowStatus(kVfoLockedStatus);
}

void FrontPanelControls::OnTuneStepSelected(int index) {
    view_.SetTuneStepIndex(index);
}

void FrontPanelControls::OnBandStep(bool up) {
    view_.ClearStatus();
    if (!radio_.BandStep(up))
        SayIfLocked();
}

void FrontPanelControls::OnCopyAToB() {
    view_.ClearStatus();
    if (!radio_.CopyVfo(0, 1))
        SayIfLocked();
}

void FrontPanelControls::OnCopyBToA() {
    view_.ClearStatus();
    if (!radio_.CopyVfo(1, 0))
        SayIfLocked();
}

void FrontPanelControls::OnReceiveVfo(int vfo) {
    view_.ClearStatus();
    if (!radio_.SetReceiveVfo(vfo))
        SayIfLocked();
}

void FrontPanelControls::OnTransmitVfo(int vfo) {
    view_.ClearStatus();
    if (!radio_.SetTransmitVfo(vfo))
        SayIfLocked();
}

void FrontPanelControls::OnRit() {
    view_.ClearStatus();
    const bool rit = radio_.ToggleRit().first;
    view_.ShowRitXitColours(rit, false);
    view_.SetRitXitControlsEnabled(rit);
}

void FrontPanelControls::OnXit() {
    view_.ClearStatus();
    const bool xit = radio_.ToggleXit().second;
    view_.ShowRitXitColours(false, xit);
    view_.SetRitXitControlsEnabled(xit);
}

void FrontPanelControls::OnClearOffset() {
    view_.ClearStatus();
    radio_.ClearOffset();
    // The thumb goes to the middle at once; the offset itself follows with IF.
    view_.SetOffsetSliderPosition(1000);
}

void FrontPanelControls::OnOffsetStep(bool up) {
    view_.ClearStatus();
    radio_.StepOffset(up);
}

void FrontPanelControls::OnMode(int code) {
    view_.ClearStatus();
    radio_.SetMode(code);
}

void FrontPanelControls::OnAgc(int code) {
    view_.ClearStatus();
    radio_.SetAgc(code);
    view_.Present(radio_change::kAgc);
}

void FrontPanelControls::OnPreamp() {
    view_.ClearStatus();
    radio_.SetPreamp(!view_.Fields().preamp);
}

void FrontPanelControls::OnAttenuator() {
    view_.ClearStatus();
    radio_.SetAttenuator(!view_.Fields().attenuator);
}

void FrontPanelControls::OnCrystalFilter(int filter) {
    view_.ClearStatus();
    radio_.SetCrystalFilter(filter);
}

void FrontPanelControls::OnAudioFilter() {
    view_.ClearStatus();
    radio_.StepAudioFilter();
}

void FrontPanelControls::OnNoiseBlanker() {
    view_.ClearStatus();
    radio_.StepNoiseBlanker();
}

void FrontPanelControls::OnAntenna() {
    view_.ClearStatus();
    radio_.SetAntenna(view_.Fields().antenna == 1 ? 2 : 1);
}

void FrontPanelControls::OnTune() {
    view_.ClearStatus();
    view_.Present(radio_.Tune());
}

void FrontPanelControls::OnVfoLock() {
    view_.ClearStatus();
    radio_.SetVfoLock(!view_.Fields().vfoLock);
    view_.Present(radio_change::kLock);
}

// ---- Combo boxes ----------------------------------------------------------------

void FrontPanelControls::OnBandSelected(int index) {
    view_.ClearStatus();
    if (!radio_.SelectBand(index))
        SayIfLocked();
}

void FrontPanelControls::OnTuningRangeSelected(int index) {
    if (index == view_.TuningRangeIndex())
        return;
    view_.SetTuningRangeIndex(index);
    view_.SetTuningWindowAround(view_.Fields().vfo(view_.Fields().receiveVfo));
    saveRange_(index);
}

// ---- Frequency entry ------------------------------------------------------------

void FrontPanelControls::OnFrequencyEditFocus(int vfo) {
    view_.ClearStatus();
    if (Locked()) {
        SayIfLocked();
        return;
    }
    if (vfo != view_.Fields().receiveVfo) {
        view_.ShowStatus(vfo == 1 ? kVfoBNotReceiving : kVfoANotReceiving);
        return;
    }
    view_.SetEditWritable(vfo, true);
    view_.SetEditWritable(1 - vfo, false);
    view_.SetEntryButton(vfo, true, colour::kEntryReady);
}

void FrontPanelControls::OnFrequencyEditFocusLost(int vfo) {
    view_.ClearStatus();
    view_.SetEditing(vfo, false);
    view_.SetEditWritable(vfo, false);
    view_.SetEntryButton(vfo, false, colour::kSilver);
}

void FrontPanelControls::OnFrequencyEdited(int vfo) {
    if (view_.View().editWritable[vfo != 0])
        view_.SetEditing(vfo, true);
}

void FrontPanelControls::OnFrequencyEditCancelled(int vfo) {
    view_.SetEditing(vfo, false);
}

void FrontPanelControls::OnEnterFrequency(int vfo, std::string_view text) {
    view_.ClearStatus();
    if (Locked()) {
        view_.SetEditing(vfo, false);
        SayIfLocked();
        return;
    }
    if (!view_.View().editing[vfo != 0])
        return;
    // Ending the entry shows the radio's value again, also after a refusal.
    view_.SetEditing(vfo, false);
    const TypedFrequency typed = ParseTypedFrequency(text);
    if (!typed.refusal.empty()) {
        view_.ShowStatus(typed.refusal, StatusStyle::Error);
        return;
    }
    radio_.SetVfoFrequency(vfo, typed.hz);
}

// ---- Sliders ------------------------------------------------------------------

void FrontPanelControls::OnPowerSlider(int code, int position) {
    view_.ClearStatus();
    int power = view_.Fields().power;
    switch (code) {
    case kLineUp:
        power = std::min(power + 1, 150);
        break;
    case kLineDown:
        power = std::max(power - 1, 0);
        break;
    case kPageUp:
        power = std::min(power + 10, 150);
        break;
    case kPageDown:
        if (power >= 10)
            power -= 10;
        break;
    case kThumbPosition:
    case kThumbTrack:
        power = 150 - position;
        break;
    case kEndScroll:
        radio_.SetPower(power);
        break;
    default:
        break;
    }
    view_.SetPower(power);
}

void FrontPanelControls::OnSpeedSlider(int code, int position) {
    view_.ClearStatus();
    int speed = view_.Fields().cwSpeed;
    switch (code) {
    case kLineUp:
        speed = std::max(speed - 1, 9);
        break;
    case kLineDown:
        speed = std::min(speed + 1, 50);
        break;
    case kPageUp:
        if (speed >= 9)
            speed -= 5;
        speed = std::max(speed, 9);
        break;
    case kPageDown:
        speed = std::min(speed + 5, 50);
        break;
    case kThumbPosition:
    case kThumbTrack:
        speed = position;
        break;
    case kEndScroll:
        radio_.SetCwSpeed(speed);
        break;
    default:
        break;
    }
    view_.SetCwSpeed(speed);
}

void FrontPanelControls::OnSquelchSlider(int code, int position) {
    view_.ClearStatus();
    int level = view_.Fields().squelch;
    switch (code) {
    case kLineUp:
    case kPageUp:
        if (level >= 25)
            level -= 25;
        break;
    case kLineDown:
    case kPageDown:
        level = std::min(level + 25, 250);
        break;
    case kThumbPosition:
    case kThumbTrack:
        level = position;
        break;
    case kEndScroll:
        // The radio takes the squelch in steps of 25.
        level -= level % 25;
        radio_.SetSquelch(level);
        break;
    default:
        break;
    }
    view_.SetSquelch(level);
}

void FrontPanelControls::OnOffsetSlider(int code, int position) {
    view_.ClearStatus();
    int pos = view_.OffsetSliderPosition();
    switch (code) {
    case kLineUp:
        if (pos >= 10)
            pos -= 10;
        break;
    case kLineDown:
        if (pos <= 1990)
            pos += 10;
        break;
    case kPageUp:
        if (pos >= 50)
            pos -= 50;
        break;
    case kPageDown:
        if (pos <= 1950)
            pos += 50;
        break;
    case kThumbPosition:
    case kThumbTrack:
        pos = position;
        break;
    case kEndScroll:
        // The thumb stays where it was released until the next IF reply
        // places it on the offset the radio actually reached.
        radio_.MoveOffsetTo(pos - 1000);
        break;
    default:
        break;
    }
    view_.SetOffsetSliderPosition(pos);
}

void FrontPanelControls::OnTuningSlider(int code, int position) {
    view_.ClearStatus();
    if (Locked()) {
        SayIfLocked();
        // The thumb goes back to the radio's frequency.
        view_.SetTuningWindowAround(view_.Fields().vfo(view_.Fields().receiveVfo));
        return;
    }
    const int rx = view_.Fields().receiveVfo;
    const uint32_t current = view_.Fields().vfo(rx);
    const auto n = static_cast<uint32_t>(std::max(position, 0)) * 10u;
    if (!releaseTuning_) {
        // One command per distinct position; the gate keeps the radio's
        // reports of the positions passed on the way from pulling the thumb.
        if (n == current) {
            view_.Radio().ArmTuneGate(current);
        } else if (!(view_.Radio().TunePending() && n == view_.Radio().TuneTarget())) {
            view_.ShowTuningFrequency(n);
            radio_.TuneVfo(rx, n);
            view_.Radio().ArmTuneGate(n);
        }
        return;
    }
    // Release tuning: the thumb only chooses; the frequency goes out when it
    // is let go. The gate waits for the held frequency, so reports of the old
    // frequency cannot snap the thumb back during the drag or after the send.
    // Line and page moves hold their new position too, so that a click on the
    // track never sends a frequency left over from an earlier drag.
    if (code >= kLineUp && code <= kThumbTrack)
        heldHz_ = n;
    if (code == kEndScroll && heldHz_ != 0)
        radio_.TuneVfo(rx, heldHz_);
    view_.ShowTuningFrequency(heldHz_);
    if (heldHz_ != 0)
        view_.Radio().ArmTuneGate(heldHz_);
}

} // namespace tamrel
