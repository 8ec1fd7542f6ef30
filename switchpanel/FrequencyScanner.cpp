#include "FrequencyScanner.h"

#include "ScanLimitText.h"

#include <limits>

namespace tamrel::switchpanel {

void FrequencyScanner::SetTexts(std::string low, std::string high) {
    if (!Editable())
        return; // read-only edits take no typing
    low_ = std::move(low);
    high_ = std::move(high);
}

bool FrequencyScanner::Scan() {
    if (state_ != ScanState::Ready)
        return false;
    state_ = ScanState::WaitingForBand;
    return true;
}

bool FrequencyScanner::BandArrived(const BandRecord& band, uint32_t savedLowHz,
                                   uint32_t savedHighHz) {
    if (state_ != ScanState::WaitingForBand)
        return false;
    band_ = band;
    uint32_t low = savedLowHz;
    uint32_t high = savedHighHz;
    if (low == 0 || high == 0) {
        low = band.lowHz;
        high = band.highHz;
    }
    if (low < band.lowHz || low > band.highHz)
        low = band.lowHz;
    if (high < band.lowHz || high > band.highHz)
        high = band.highHz;
    low_ = FormatLimitKhz(low);
    high_ = FormatLimitKhz(high);
    state_ = ScanState::LimitsEditable;
    editsOpen_ = true;
    return true;
}

bool FrequencyScanner::GetLimits() {
    if (state_ != ScanState::LimitsEditable)
        return false;
    low_ = FormatLimitKhz(band_.lowHz);
    high_ = FormatLimitKhz(band_.highHz);
    return true;
}

StartOutcome FrequencyScanner::Start() {
    StartOutcome out;
    if (state_ != ScanState::LimitsEditable) {
        // Waiting for the band: there are no edges to correct against yet.
        return out;
    }
    uint32_t low = ParseLimitKhz(low_);
    uint32_t high = ParseLimitKhz(high_);
    // A lower limit above the band stays as typed; it can then only be above
    // the upper one, and the scan is refused below.
    if (low < band_.lowHz) {
        low = band_.lowHz;
        low_ = FormatLimitKhz(low);
    }
    if (high < band_.lowHz || high > band_.highHz) {
        high = band_.highHz;
        high_ = FormatLimitKhz(high);
    }
    if (low > high) {
        out.error = kLowAboveHighError;
        return out;
    }
    // The radio's frequencies are 32-bit signed on the way out.
    if (high > uint32_t(std::numeric_limits<int32_t>::max())) {
        out.error = kLimitRangeError;
        return out;
    }
    out.started = true;
    out.lowHz = low;
    out.highHz = high;
    state_ = ScanState::Scanning;
    editsOpen_ = false;
    return out;
}

std::optional<int> FrequencyScanner::Resume() const {
    if (state_ != ScanState::Scanning)
        return std::nullopt;
    return kScanPauseCode;
}

std::optional<int> FrequencyScanner::Stop() {
    const bool wasScanning = state_ == ScanState::Scanning;
    state_ = ScanState::Ready;
    if (wasScanning)
        return kScanPauseCode;
    return std::nullopt;
}

} // namespace tamrel::switchpanel
