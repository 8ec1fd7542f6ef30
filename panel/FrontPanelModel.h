#pragma once
// CFrontPanelModel: the program's one model of the radio.
//
// Holds the last known value of every radio setting the front panel shows
// and turns each parsed reply (ApplyReply) into new field values and a new
// PanelView. Control handlers (CFrontPanelControls) send commands and, as a
// rule, leave the fields to the radio's replies.
//
// Thread: lives on the front panel's user-interface thread; nothing here
// locks. The keyer-state callback is called on that thread too and must only
// post onwards.

#include "panel/PanelView.h"
#include "radio/K2RadioState.h"
#include "radio/BandTable.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace tamrel {

class CK2CommChannel;

// Tuning range combo entries and their spans (0 = the whole band).
inline constexpr std::array<std::string_view, 4> kTuningRangeLabels = {" Full", " 100K", "  40K",
                                                                       "   5K"};
inline constexpr std::array<uint32_t, 4> kTuningRangeSpans = {0, 100000, 40000, 5000};

// Frequency in kHz as the panel shows it: "%10.2f" of Hz * 0.001.
std::string FormatKHz(uint32_t hz);

struct RadioFields {
    uint32_t vfoA = 28060000;
    uint32_t vfoB = 14060000;
    int32_t receiveVfo = 0; // 0 = A, 1 = B
    int32_t transmitVfo = 0;
    int32_t mode = 1;
    int32_t crystalFilter = 4;
    int32_t audioFilter = 2;
    int32_t bandwidth = 0;
    int32_t agc = 0; // 0 off, 2 fast, 4 slow
    int32_t noiseBlanker = 1;
    int32_t antenna = 1;
    int32_t preamp = 0;
    int32_t attenuator = 0;
    int32_t power = 0;
    int32_t powerRange = 0; // 1: the power value is shown unscaled
    int32_t ritOn = 0;
    int32_t xitOn = 0;
    int32_t offset = 0;
    int32_t offsetSliderPos = 1000; // offset + 1000
    int32_t vfoLock = 0;
    int32_t cwSpeed = 1;
    int32_t squelch = 0;
    uint32_t barGraph = 0;
    bool awaitingFirstReply = true;

    uint32_t vfo(int v) const { return v == 0 ? vfoA : vfoB; }
};

class CFrontPanelModel {
public:
    // The band table and per-band VFO memory come from the settings; the
    // tuning range index is "Selected Tuning Range".
    explicit CFrontPanelModel(BandTable bands = defaultBandTable(),
                              VfoMemory memory = defaultVfoMemory(), int tuningRange = 0);

    // Null means no port: the first reply then starts no polling.
    void SetChannel(CK2CommChannel* channel) { channel_ = channel; }
    CK2CommChannel* Channel() const { return channel_; }
    // What the port static shows after the first reply: "COM%1d" of the
    // configured port, or a label of the app's choosing (a device path).
    void SetPortNumber(int port);
    void SetPortLabel(std::string label) { portLabel_ = std::move(label); }
    // Receives the digit of every KY reply (the keyer buffer state).
    void SetKeyerStateHandler(std::function<void(int)> handler) { keyer_ = std::move(handler); }
    void SetBandTable(const BandTable& bands) { bands_ = bands; }

    // Applies one reply: id is its position in the name table (0 for none),
    // text the reply with its two letters and without ";".
    void ApplyReply(int id, std::string_view text);

    K2RadioState Snapshot() const;

    const RadioFields& Fields() const { return f_; }
    const PanelView& View() const { return view_; }
    const BandRecord& CurrentBand() const { return band_; }
    const BandTable& Bands() const { return bands_; }
    const VfoMemory& VfoMemoryTable() const { return memory_; }
    int TuningRangeIndex() const { return tuningRange_; }
    uint32_t WindowLow() const { return windowLow_; }
    uint32_t WindowHigh() const { return windowHigh_; }

    // Tune-pending gate: armed by the tuning slider with the frequency it sent;
    // receive-VFO frequency reports other than that are held back meanwhile.
    void ArmTuneGate(uint32_t target);
    bool TunePending() const { return gatePending_; }
    uint32_t TuneTarget() const { return gateTarget_; }

    // Change tracking for cheap refreshes.
    uint64_t Revision() const { return revision_; }
    uint32_t TakeChanges();

    // Operations used by the controls and the window's start-up.
    void SetTuningWindowAround(uint32_t hz);
    void SetTuningRangeIndex(int index);
    void SetRitXitControlsEnabled(bool enabled);
    void ShowVfoRoles(int receiveVfo, int transmitVfo); // split when they differ
    void SelectMode(int code);
    void SelectAgc(int code);
    void SelectCrystalFilter(int filter);
    void SelectPreamp(bool on);
    void SelectAttenuator(bool on);
    void ShowStatus(std::string text, StatusStyle style = StatusStyle::Normal);
    void ClearStatus() { ShowStatus({}); }
    void ShowTuningFrequency(uint32_t hz);

    // Immediate state changes made by the controls.
    void SetVfoFrequency(int vfo, uint32_t hz);
    void SetVfoRoles(int receiveVfo, int transmitVfo);
    void SetRitXit(bool rit, bool xit);
    void ShowRitXitColours(bool rit, bool xit);
    void SetPreamp(bool on) { f_.preamp = on; }
    void SetAttenuator(bool on) { f_.attenuator = on; }
    void SetAntenna(int antenna) { f_.antenna = antenna; }
    void SetVfoLock(bool on);
    void SetPower(int power);
    void SetCwSpeed(int wpm);
    void SetSquelch(int level);
    // Stores the position (offset + 1000), moves the thumb and sets its text.
    void SetOffsetSliderPosition(int pos);
    void SetEditWritable(int vfo, bool writable);
    void SetEntryButton(int vfo, bool enabled, Rgb face); // ">>" beside the VFO's edit
    void SetTuningEditColour(Rgb face);

private:
    void Touch(uint32_t what);
    void ApplyFrequencyReport(int vfo, std::string_view p);
    void FollowReceiveFrequency(uint32_t hz, bool lookUpBand);
    void StoreInVfoMemory(int vfo, uint32_t hz);
    void ApplyFW(std::string_view p);
    void ApplyGT(std::string_view p);
    void ApplyIF(std::string_view p);
    void ApplyPC(std::string_view p);
    void ApplyDS(std::string_view p);
    void ApplyBG(uint32_t value);
    void ShowPowerText();

    RadioFields f_;
    PanelView view_;
    BandTable bands_;
    BandRecord band_;
    VfoMemory memory_;
    int tuningRange_ = 0;
    uint32_t windowLow_ = 0;
    uint32_t windowHigh_ = 0;
    bool gatePending_ = false;
    uint32_t gateTarget_ = 0;
    std::string portLabel_ = "COM0";
    CK2CommChannel* channel_ = nullptr;
    std::function<void(int)> keyer_;
    uint64_t revision_ = 0;
    uint32_t changes_ = kChangeAll;
};

} // namespace tamrel
