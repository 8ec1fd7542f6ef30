#include "panel/FrontPanelControls.h"

#include "radio/CK2CommChannel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tamrel {

namespace {
constexpr uint16_t kUp = 1;
constexpr uint16_t kDown = 2;
} // namespace

CFrontPanelControls::CFrontPanelControls(CFrontPanelModel& model, CK2CommChannel* channel)
    : model_(model), channel_(channel) {}

void CFrontPanelControls::ToggleReleaseTuning() {
    releaseTuning_ = !releaseTuning_;
    model_.SetTuningEditColour(releaseTuning_ ? colour::kReleaseTuning : colour::kSilver);
}

// ---- Push buttons -------------------------------------------------------------

void CFrontPanelControls::OnTuneStep(bool up, int step) {
    model_.ClearStatus();
    if (Locked() || !channel_)
        return;
    channel_->CmdUpDown(up ? kUp : kDown, static_cast<uint16_t>(step));
}

void CFrontPanelControls::OnBandStep(bool up) {
    model_.ClearStatus();
    if (Locked() || !channel_)
        return;
    channel_->CmdBandStep(up ? kUp : kDown);
}

void CFrontPanelControls::OnCopyAToB() {
    model_.ClearStatus();
    if (Locked())
        return;
    const uint32_t hz = model_.Fields().vfoA;
    if (channel_)
        channel_->CmdVfoFreq(K2_SET, 1, hz);
    model_.SetVfoFrequency(1, hz);
}

void CFrontPanelControls::OnCopyBToA() {
    model_.ClearStatus();
    if (Locked())
        return;
    const uint32_t hz = model_.Fields().vfoB;
    if (channel_)
        channel_->CmdVfoFreq(K2_SET, 0, hz);
    model_.SetVfoFrequency(0, hz);
}

void CFrontPanelControls::OnReceiveVfo(int vfo) {
    model_.ClearStatus();
    if (Locked())
        return;
    if (channel_)
        channel_->CmdFR(K2_SET, static_cast<uint16_t>(vfo));
    // Choosing the receive VFO ends split: both roles move to it.
    model_.SetVfoRoles(vfo, vfo);
}

void CFrontPanelControls::OnTransmitVfo(int vfo) {
    model_.ClearStatus();
    if (Locked())
        return;
    if (channel_)
        channel_->CmdFT(K2_SET, static_cast<uint16_t>(vfo));
    model_.SetVfoRoles(model_.Fields().receiveVfo, vfo);
}

void CFrontPanelControls::OnRit() {
    model_.ClearStatus();
    const bool rit = !model_.Fields().ritOn;
    bool xit = model_.Fields().xitOn != 0;
    // The radio has one offset; RIT and XIT never run together from here.
    if (rit && xit) {
        xit = false;
        if (channel_)
            channel_->CmdXT(K2_SET, 0);
    }
    if (channel_)
        channel_->CmdRT(K2_SET, rit);
    model_.SetRitXit(rit, xit);
    model_.ShowRitXitColours(rit, false);
    model_.SetRitXitControlsEnabled(rit);
}

void CFrontPanelControls::OnXit() {
    model_.ClearStatus();
    const bool xit = !model_.Fields().xitOn;
    bool rit = model_.Fields().ritOn != 0;
    if (xit && rit) {
        rit = false;
        if (channel_)
            channel_->CmdRT(K2_SET, 0);
    }
    if (channel_)
        channel_->CmdXT(K2_SET, xit);
    model_.SetRitXit(rit, xit);
    model_.ShowRitXitColours(false, xit);
    model_.SetRitXitControlsEnabled(xit);
}

void CFrontPanelControls::OnClearOffset() {
    model_.ClearStatus();
    if (channel_)
        channel_->CmdRC();
    // The thumb goes to the middle at once; the offset itself follows with IF.
    model_.SetOffsetSliderPosition(1000);
}

void CFrontPanelControls::OnOffsetStep(bool up) {
    model_.ClearStatus();
    if (channel_)
        channel_->CmdRitStep(up ? kUp : kDown);
}

void CFrontPanelControls::OnMode(int code) {
    model_.ClearStatus();
    if (model_.Fields().mode == code || !channel_)
        return;
    channel_->CmdMD(K2_SET, static_cast<uint16_t>(code));
}

void CFrontPanelControls::OnAgc(int code) {
    model_.ClearStatus();
    if (model_.Fields().agc != code && channel_)
        channel_->CmdGT(K2_SET, static_cast<uint16_t>(code));
    // "Off" shows selected even when nothing was sent.
    if (code == 0)
        model_.SelectAgc(0);
}

void CFrontPanelControls::OnPreamp() {
    model_.ClearStatus();
    const bool on = !model_.Fields().preamp;
    model_.SetPreamp(on);
    if (channel_)
        channel_->CmdPA(K2_SET, on);
}

void CFrontPanelControls::OnAttenuator() {
    model_.ClearStatus();
    const bool on = !model_.Fields().attenuator;
    model_.SetAttenuator(on);
    if (channel_)
        channel_->CmdRA(K2_SET, on);
}

void CFrontPanelControls::OnCrystalFilter(int filter) {
    model_.ClearStatus();
    if (model_.Fields().crystalFilter == filter || !channel_)
        return;
    channel_->CmdFW(K2_SET, static_cast<uint16_t>(model_.Fields().bandwidth),
                    static_cast<uint16_t>(filter));
}

void CFrontPanelControls::OnAudioFilter() {
    model_.ClearStatus();
    if (channel_)
        channel_->CmdSW29();
}

void CFrontPanelControls::OnNoiseBlanker() {
    model_.ClearStatus();
    if (channel_)
        channel_->CmdNB(K2_SET, 1);
}

void CFrontPanelControls::OnAntenna() {
    model_.ClearStatus();
    const int antenna = model_.Fields().antenna == 1 ? 2 : 1;
    model_.SetAntenna(antenna);
    if (channel_)
        channel_->CmdSelectAntenna(K2_SET, static_cast<uint16_t>(antenna));
}

void CFrontPanelControls::OnTune() {
    model_.ClearStatus();
    if (channel_)
        channel_->CmdSW20();
}

void CFrontPanelControls::OnVfoLock() {
    model_.ClearStatus();
    const bool on = !model_.Fields().vfoLock;
    model_.SetVfoLock(on);
    if (channel_)
        channel_->CmdLK(K2_SET, on);
}

// ---- Combo boxes ----------------------------------------------------------------

void CFrontPanelControls::OnBandSelected(int index) {
    model_.ClearStatus();
    if (Locked() || index < 0 || index >= kBandCount || index == model_.CurrentBand().index)
        return;
    // The band itself changes when the radio reports the new frequency.
    const int rx = model_.Fields().receiveVfo;
    const VfoPair& pair = model_.VfoMemoryTable()[static_cast<std::size_t>(index)];
    if (channel_)
        channel_->CmdVfoFreq(K2_SET, static_cast<uint16_t>(rx), rx == 0 ? pair.a : pair.b);
}

void CFrontPanelControls::OnTuningRangeSelected(int index) {
    if (index == model_.TuningRangeIndex())
        return;
    model_.SetTuningRangeIndex(index);
    model_.SetTuningWindowAround(model_.Fields().vfo(model_.Fields().receiveVfo));
    if (saveRange_)
        saveRange_(index);
}

// ---- Frequency entry ------------------------------------------------------------

void CFrontPanelControls::OnFrequencyEditFocus(int vfo) {
    model_.ClearStatus();
    if (Locked() || vfo != model_.Fields().receiveVfo)
        return;
    model_.SetEditWritable(vfo, true);
    model_.SetEditWritable(1 - vfo, false);
    model_.SetEntryButton(vfo, true, colour::kEntryReady);
}

void CFrontPanelControls::OnFrequencyEditFocusLost(int vfo) {
    model_.ClearStatus();
    model_.SetEditWritable(vfo, false);
    // The edit's own ">>" stays usable: focus moves to it when it is clicked.
    model_.SetEntryButton(1 - vfo, false, colour::kSilver);
}

void CFrontPanelControls::OnEnterFrequency(int vfo, std::string_view text) {
    model_.ClearStatus();
    if (Locked())
        return;
    model_.SetEntryButton(vfo, false, colour::kSilver);
    model_.SetEditWritable(vfo, false);
    // kHz read in single precision, as the radio's own entry always was.
    const std::string copy(text);
    char* end = nullptr;
    const float khz = std::strtof(copy.c_str(), &end);
    if (end == copy.c_str())
        return; // nothing readable: the next frequency report shows the truth
    const float hz = std::trunc(khz * 1000.0f);
    if (!(hz >= 0.0f && hz < 4294967296.0f))
        return;
    const auto value = static_cast<uint32_t>(hz);
    model_.SetVfoFrequency(vfo, value);
    if (channel_)
        channel_->CmdVfoFreq(K2_SET, static_cast<uint16_t>(vfo), value);
}

// ---- Sliders ------------------------------------------------------------------

void CFrontPanelControls::OnPowerSlider(int code, int position) {
    model_.ClearStatus();
    int power = model_.Fields().power;
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
        if (channel_)
            channel_->CmdPC(K2_SET, static_cast<uint16_t>(power), paOption_ ? 1 : 0);
        break;
    default:
        break;
    }
    model_.SetPower(power);
}

void CFrontPanelControls::OnSpeedSlider(int code, int position) {
    model_.ClearStatus();
    int speed = model_.Fields().cwSpeed;
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
        if (channel_)
            channel_->CmdKS(K2_SET, static_cast<uint16_t>(speed));
        break;
    default:
        break;
    }
    model_.SetCwSpeed(speed);
}

void CFrontPanelControls::OnSquelchSlider(int code, int position) {
    model_.ClearStatus();
    int level = model_.Fields().squelch;
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
        if (channel_)
            channel_->CmdSQ(K2_SET, static_cast<uint16_t>(level));
        break;
    default:
        break;
    }
    model_.SetSquelch(level);
}

void CFrontPanelControls::OnOffsetSlider(int code, int position) {
    model_.ClearStatus();
    int pos = model_.Fields().offsetSliderPos;
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
    case kEndScroll: {
        // The radio only steps its offset by 10 Hz, so the slider's request is
        // sent as RU/RD steps from the offset it last reported. The thumb
        // stays where it was released until the next IF reply places it on
        // the offset the radio actually reached.
        const int delta = (pos - 1000) - model_.Fields().offset;
        if (channel_)
            channel_->CmdRitOffset(delta >= 0 ? kUp : kDown,
                                   static_cast<uint32_t>(std::abs(delta)));
        break;
    }
    default:
        break;
    }
    model_.SetOffsetSliderPosition(pos);
}

void CFrontPanelControls::OnTuningSlider(int code, int position) {
    model_.ClearStatus();
    if (Locked())
        return;
    const int rx = model_.Fields().receiveVfo;
    const uint32_t current = model_.Fields().vfo(rx);
    const auto n = static_cast<uint32_t>(std::max(position, 0)) * 10u;
    if (!releaseTuning_) {
        // One command per distinct position; the gate keeps the radio's
        // reports of the positions passed on the way from pulling the thumb.
        if (n == current) {
            model_.ArmTuneGate(current);
        } else if (!(model_.TunePending() && n == model_.TuneTarget())) {
            model_.ShowTuningFrequency(n);
            if (channel_)
                channel_->CmdVfoFreq(K2_SET, static_cast<uint16_t>(rx), n);
            model_.ArmTuneGate(n);
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
    if (code == kEndScroll && heldHz_ != 0 && channel_)
        channel_->CmdVfoFreq(K2_SET, static_cast<uint16_t>(rx), heldHz_);
    model_.ShowTuningFrequency(heldHz_);
    if (heldHz_ != 0)
        model_.ArmTuneGate(heldHz_);
}

} // namespace tamrel
