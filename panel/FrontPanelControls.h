#pragma once
// FrontPanelControls: what each front panel control does when used.
//
// One method per control or notification. Each changes the radio through the
// radio operations (which keep the lock and "already so" guards and send the
// commands) and shows the click's immediate effects through the presenter;
// the radio's replies bring the other new values back. Every handler except
// the tuning range combo first clears the status line.
//
// Thread: the front panel's user-interface thread. Nothing here waits: the
// offset slider's steps are paced by the channel's sequence runner.

#include "panel/FrontPanelPresenter.h"
#include "radio/RadioOperations.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tamrel {

// Trackbar notification codes as the sliders deliver them.
enum SliderCode : int {
    kLineUp = 0,
    kLineDown = 1,
    kPageUp = 2,
    kPageDown = 3,
    kThumbPosition = 4,
    kThumbTrack = 5,
    kTop = 6,
    kBottom = 7,
    kEndScroll = 8,
};

// The radio's tuning range, as far as a typed frequency may go.
inline constexpr uint32_t kLowestTypedHz = 500000;
inline constexpr uint32_t kHighestTypedHz = 30000000;

// A frequency as an operator types it: kHz ("7040.5", "14060"), or MHz when
// a value under 100 has a decimal point ("14.0605"); a decimal comma reads
// as a point. Either the frequency in Hz, or why it is refused.
struct TypedFrequency {
    uint32_t hz = 0;
    std::string refusal; // empty when hz holds the frequency
};
TypedFrequency ParseTypedFrequency(std::string_view text);

class FrontPanelControls {
public:
    // saveTuningRange keeps the tuning range index chosen.
    FrontPanelControls(FrontPanelPresenter& presenter, RadioOperations& radio,
                       std::function<void(int index)> saveTuningRange);

    // Request 20 (a right-click on the tuning slider): toggles release tuning.
    void ToggleReleaseTuning();
    bool ReleaseTuning() const { return releaseTuning_; }
    uint32_t HeldFrequency() const { return heldHz_; }

    // Push buttons and the lock box.
    void OnTuneStep(bool up, int step); // step 1..4: 10, 20, 50 Hz, 1 kHz
    // Keys and wheel: moves the receive VFO; a refusal says "VFO locked".
    void OnTuneBy(int64_t deltaHz);
    void OnTuneStepSelected(int index);
    void OnBandStep(bool up);
    void OnCopyAToB();
    void OnCopyBToA();
    void OnReceiveVfo(int vfo);
    void OnTransmitVfo(int vfo);
    void OnRit();
    void OnXit();
    void OnClearOffset();
    void OnOffsetStep(bool up);
    void OnMode(int code);
    void OnAgc(int code); // 2 fast, 4 slow, 0 off
    void OnPreamp();
    void OnAttenuator();
    void OnCrystalFilter(int filter); // 1..4
    void OnAudioFilter();
    void OnNoiseBlanker();
    void OnAntenna();
    void OnTune();
    void OnVfoLock();

    // Combo boxes (closed up or double-clicked on an entry).
    void OnBandSelected(int index);
    void OnTuningRangeSelected(int index);

    // Frequency entry edits of VFO A (0) and B (1). A box shows the radio's
    // value, focused or not, until the operator types; the typed text then
    // stays until Enter (or ">>"), Escape or the focus leaving.
    void OnFrequencyEditFocus(int vfo);
    void OnFrequencyEditFocusLost(int vfo);
    void OnFrequencyEdited(int vfo);
    void OnFrequencyEditCancelled(int vfo);
    // Enter or ">>": text is what the operator typed, in kHz. Sends only a
    // typed text; the box then shows the radio's value again.
    void OnEnterFrequency(int vfo, std::string_view text);

    // Sliders: code is a SliderCode, position the slider's position.
    void OnPowerSlider(int code, int position);
    void OnSpeedSlider(int code, int position);
    void OnSquelchSlider(int code, int position);
    void OnOffsetSlider(int code, int position);
    void OnTuningSlider(int code, int position);

private:
    bool Locked() const { return view_.Fields().vfoLock != 0; }
    // A frequency control the lock refused says so; "already so" says nothing.
    void SayIfLocked();

    FrontPanelPresenter& view_;
    RadioOperations& radio_;
    bool releaseTuning_ = false;
    uint32_t heldHz_ = 0;
    std::function<void(int)> saveRange_;
};

} // namespace tamrel
