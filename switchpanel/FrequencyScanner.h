#pragma once
// FrequencyScanner: the scanner page's states and what each of its buttons
// does, without widgets. The scan itself runs in the radio; this only chooses
// the two limits inside the current band, and tells the page what to send.
//
// States: Ready ("Scan") -> WaitingForBand ("Start", "Get Limits") -> the
// band arrives -> LimitsEditable -> "Start" -> Scanning ("Resume") ->
// "Stop Scan" -> Ready. "Stop Scan" returns to Ready from any state.
//
// Thread: the user-interface thread, like the page.

#include "radio/BandTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamrel::switchpanel {

enum class ScanState { Ready, WaitingForBand, LimitsEditable, Scanning };

// The hold codes the scan uses: "XIT"/"PF2" pauses and resumes, and ends.
inline constexpr int kScanPauseCode = 31;

inline constexpr std::string_view kLowAboveHighError =
    "Scan Not Started - Low Limit Is Above High Limit";
inline constexpr std::string_view kLimitRangeError = "Scan Not Started - Limit Out of Range";

// What "Start" asks for: the limits to save and to load into the radio, or
// why nothing may start.
struct StartOutcome {
    bool started = false;
    uint32_t lowHz = 0;
    uint32_t highHz = 0;
    std::string error;
};

class FrequencyScanner {
public:
    ScanState State() const { return state_; }
    bool Idle() const { return state_ == ScanState::Ready; }
    bool Scanning() const { return state_ == ScanState::Scanning; }
    bool BandKnown() const {
        return state_ == ScanState::LimitsEditable || state_ == ScanState::Scanning;
    }
    const BandRecord& Band() const { return band_; }

    // The two edits' texts as the page shows them.
    const std::string& LowText() const { return low_; }
    const std::string& HighText() const { return high_; }
    // The operator typed into an edit.
    void SetTexts(std::string low, std::string high);

    // The edits are open for typing (light blue) from the band's arrival to
    // the start; "Stop Scan" leaves them as they are.
    bool Editable() const { return editsOpen_; }

    // Button 1315 while idle: true when the page should ask the front panel
    // for the band.
    bool Scan();
    // The band arrived with the saved limits (0 = none saved). Only a page
    // waiting for it takes it; a late answer after "Stop Scan" is dropped.
    // True when taken.
    bool BandArrived(const BandRecord& band, uint32_t savedLowHz, uint32_t savedHighHz);
    // Button 1316 before the start: the band's edges replace the texts.
    // True when it did something.
    bool GetLimits();
    // Button 1315 while not idle: reads and corrects the texts; when the
    // limits are in order the scan counts as started.
    StartOutcome Start();
    // Button 1316 while scanning: the switch code to send each time.
    std::optional<int> Resume() const;
    // Button 1317: the switch code to send, only when a scan was running.
    std::optional<int> Stop();

private:
    ScanState state_ = ScanState::Ready;
    bool editsOpen_ = false;
    BandRecord band_;
    std::string low_, high_;
};

} // namespace tamrel::switchpanel
