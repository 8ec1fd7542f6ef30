#pragma once
// FrontPanelPresenter: turns the radio model into what the front panel shows.
//
// Keeps the PanelView (captions, colours, slider ranges and positions, the
// status line) and the state that is the panel's own (the tuning window, the
// offset slider's thumb, the entry buttons). Present() paints what the model's
// change bits say changed; the control handlers call the Show/Set helpers for
// the immediate effects of a click.
//
// Thread: the front panel's user-interface thread, like the model.

#include "panel/PanelView.h"
#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace tamrel {

// Tuning range combo entries and their spans (0 = the whole band).
inline constexpr std::array<std::string_view, 4> kTuningRangeLabels = {" Full", " 100K", "  40K",
                                                                       "   5K"};
inline constexpr std::array<uint32_t, 4> kTuningRangeSpans = {0, 100000, 40000, 5000};

// What a frequency shows before the radio ever answered.
inline constexpr char kUnknownKHz[] = "  -----.--";
inline constexpr char kUnknownPower[] = "  --.-";

class FrontPanelPresenter {
public:
    // The tuning range index is "Selected Tuning Range".
    explicit FrontPanelPresenter(K2RadioModel& radio, int tuningRange = 0);

    // What the port static shows after the first reply: "COM%1d" of the
    // configured port, or a label of the app's choosing (a device path).
    void SetPortNumber(int port);
    void SetPortLabel(std::string label) { portLabel_ = std::move(label); }

    // Paints what the radio_change bits say changed.
    void Present(uint32_t radioChanges);
    // Applies a reply to the model and paints it (no channel: tests, tools).
    void ApplyReply(int id, std::string_view text) { Present(radio_.ApplyReply(id, text)); }

    const RadioFields& Fields() const { return radio_.Fields(); }
    const K2RadioModel& Radio() const { return radio_; }
    K2RadioModel& Radio() { return radio_; }
    const PanelView& View() const { return view_; }
    const BandRecord& CurrentBand() const { return radio_.CurrentBand(); }
    const VfoMemory& VfoMemoryTable() const { return radio_.VfoMemoryTable(); }
    int TuningRangeIndex() const { return tuningRange_; }
    uint32_t WindowLow() const { return windowLow_; }
    uint32_t WindowHigh() const { return windowHigh_; }
    int OffsetSliderPosition() const { return offsetSliderPos_; }

    // Change tracking for cheap refreshes.
    uint32_t TakeChanges();

    void SetTuningWindowAround(uint32_t hz);
    void SetTuningRangeIndex(int index);
    void SetRitXitControlsEnabled(bool enabled);
    void ShowVfoRoles(int receiveVfo, int transmitVfo); // split when they differ
    void ShowRitXitColours(bool rit, bool xit);
    void ShowStatus(std::string text, StatusStyle style = StatusStyle::Normal);
    // Ends a passing message; a link failure that still holds is shown again.
    void ClearStatus();
    // The link is down (or back but not answered yet): the values shown are
    // the last the radio gave, so they show as dashes.
    bool Stale() const { return stale_; }
    void ShowTuningFrequency(uint32_t hz);
    // Stores the position (offset + 1000), moves the thumb and sets its text.
    void SetOffsetSliderPosition(int pos);
    void SetEditWritable(int vfo, bool writable);
    void SetEditing(int vfo, bool editing);
    void SetEntryButton(int vfo, bool enabled, Rgb face); // ">>" beside the VFO's edit
    void SetTuningEditColour(Rgb face);
    // The tuning step of keys and wheel (index into kTuneStepsHz).
    void SetTuneStepIndex(int index);
    int TuneStepIndex() const { return view_.tuneStepIndex; }
    // A slider being dragged: the model takes the value, the panel shows it.
    void SetPower(int power);
    void SetCwSpeed(int wpm);
    void SetSquelch(int level);

private:
    void Touch(uint32_t what) { changes_ |= what; }
    void Follow(uint32_t hz, bool bandChanged);
    void ShowLamps();
    void ShowMeter();
    void ShowPower();
    void ShowMode();
    void ShowAgc();
    void ShowFilters();
    void ShowLink();
    // The frequency, or dashes while the field named by bit is not known yet.
    std::string KHz(uint32_t hz, uint32_t bit) const;

    K2RadioModel& radio_;
    PanelView view_;
    int tuningRange_ = 0;
    uint32_t windowLow_ = 0;
    uint32_t windowHigh_ = 0;
    int offsetSliderPos_ = 1000; // offset + 1000
    std::string portLabel_ = "COM0";
    uint32_t changes_ = kChangeAll;
    std::string linkStatus_; // the status text the link last put there
    uint32_t known_ = 0;     // radio_change bits of the values set since the start
    bool stale_ = false;
    bool wasLive_ = false;
};

} // namespace tamrel
