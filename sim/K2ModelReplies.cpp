// The radio's GET replies: fixed layouts, byte for byte.
#include "K2Model.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tamrel::k2sim {

namespace {

constexpr int kCwWidths[4] = {1500, 700, 400, 250};
constexpr int kSsbWidths[4] = {2700, 2300, 2100, 1800};

bool isCw(int mode) {
    return mode == 3 || mode == 7;
}

} // namespace

uint32_t K2Model::frequency(int vfo, Millis now) const {
    if (vfo != 0 || !scan_)
        return cur_.vfo[vfo];
    const auto step = static_cast<uint32_t>(std::max(opt_.scanStepHz, 10));
    const uint32_t positions = (scan_->high - scan_->low) / step + 1;
    const auto steps = static_cast<uint64_t>(
        std::max<int64_t>((now - scan_->start).count() / std::max(opt_.scanIntervalMs, 1), 0));
    return scan_->low + static_cast<uint32_t>(steps % positions) * step;
}

std::string K2Model::reply(Report which, Millis now) const {
    char buf[40];
    switch (which) {
    case kFA:
    case kFB:
        std::snprintf(buf, sizeof buf, "%s%011u;", which == kFA ? "FA" : "FB",
                      frequency(which == kFA ? 0 : 1, now));
        break;
    case kFR:
        std::snprintf(buf, sizeof buf, "FR%d;", cur_.rxVfo);
        break;
    case kFT:
        std::snprintf(buf, sizeof buf, "FT%d;", cur_.txVfo);
        break;
    case kPA:
        std::snprintf(buf, sizeof buf, "PA%d;", cur_.preamp ? 1 : 0);
        break;
    case kRA:
        std::snprintf(buf, sizeof buf, "RA0%d;", cur_.att ? 1 : 0);
        break;
    case kAN:
        std::snprintf(buf, sizeof buf, "AN%d;", cur_.antenna);
        break;
    case kGT:
        if (extended())
            std::snprintf(buf, sizeof buf, "GT%03d%d;", cur_.agcSpeed, cur_.agcOn ? 1 : 0);
        else
            std::snprintf(buf, sizeof buf, "GT%03d;", cur_.agcSpeed);
        break;
    case kFW: {
        const int i = cur_.filter - 1;
        if (extended())
            std::snprintf(buf, sizeof buf, "FW%04d%d%d;",
                          isCw(cur_.mode) ? kCwWidths[i] : kSsbWidths[i], cur_.filter, cur_.afil);
        else if (isCw(cur_.mode))
            std::snprintf(buf, sizeof buf, "FW%04d;", kCwWidths[i]);
        else // SSB and RTTY: wide (OP1) or the narrow CW filter
            std::snprintf(buf, sizeof buf, "FW%04d;", cur_.filter == 1 ? 2500 : 0);
        break;
    }
    case kNB:
        if (extended())
            std::snprintf(buf, sizeof buf, "NB%d%d;", cur_.nb, nbLowThreshold_ ? 1 : 0);
        else
            std::snprintf(buf, sizeof buf, "NB%d;", cur_.nb > 0 ? 1 : 0);
        break;
    case kKS:
        std::snprintf(buf, sizeof buf, "KS%03d;", wpm_);
        break;
    case kPC:
        if (extended())
            std::snprintf(buf, sizeof buf, "PC%03d%d;",
                          highRange_ ? powerTenths_ / 10 : powerTenths_, highRange_ ? 1 : 0);
        else
            std::snprintf(buf, sizeof buf, "PC%03d;", (powerTenths_ + 5) / 10);
        break;
    case kSQ:
        std::snprintf(buf, sizeof buf, "SQ%03d;", squelch_);
        break;
    case kLK:
        std::snprintf(buf, sizeof buf, "LK%d;", lock_ ? 1 : 0);
        break;
    case kRT:
        std::snprintf(buf, sizeof buf, "RT%d;", rit_ ? 1 : 0);
        break;
    case kXT:
        std::snprintf(buf, sizeof buf, "XT%d;", xit_ ? 1 : 0);
        break;
    case kIF:
        return replyIF(now);
    }
    return buf;
}

std::string K2Model::replyIF(Millis now, bool bandChange) const {
    int mode = cur_.mode;
    if (k2_ == 1 || k2_ == 3)
        mode = mode == 6 ? 1 : (mode == 9 ? 2 : mode);
    char buf[48];
    // IF[f]*****+yyyyrx*00tmvspb01*;  (* = blank)
    std::snprintf(buf, sizeof buf, "IF%011u     %c%04d%d%d 00%d%d%d%d%d%d01 ;", rxFrequency(now),
                  ritOffset_ < 0 ? '-' : '+', std::abs(ritOffset_), rit_ ? 1 : 0, xit_ ? 1 : 0,
                  transmitting(now) ? 1 : 0, mode, cur_.rxVfo, scan_ ? 1 : 0, split() ? 1 : 0,
                  bandChange && extended() ? 1 : 0);
    return buf;
}

std::string K2Model::replyDS(Millis now) const {
    // Eight LCD positions, '@' for a blank, bit 7 for the decimal point to the
    // left of a character.
    std::string text(8, '@');
    if (entry_) {
        for (std::size_t i = 0; i < entry_->size() && i < 8; ++i)
            text[i] = (*entry_)[i];
    } else {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%8u", rxFrequency(now) / 10);
        for (int i = 0; i < 8; ++i)
            text[i] = digits[i] == ' ' ? '@' : digits[i];
        text[6] = static_cast<char>(text[6] | 0x80); // kHz point: "14060.00"
    }
    const int icons = 0x80 | (cur_.nb > 0 ? 0x40 : 0) | (cur_.antenna == 2 ? 0x20 : 0) |
                      (cur_.preamp ? 0x10 : 0) | (cur_.att ? 0x08 : 0) |
                      (cur_.rxVfo == 1 ? 0x04 : 0) | (rit_ ? 0x02 : 0) | (xit_ ? 0x01 : 0);
    const int flashing = 0x80 | (nbLowThreshold_ ? 0x40 : 0) | (split() ? 0x04 : 0);
    return "DS" + text + static_cast<char>(icons) + static_cast<char>(flashing) + ";";
}

std::string K2Model::replyBG(Millis now) {
    int segments;
    if (transmitting(now)) {
        if (alcDisplay_) {
            segments = 3;
        } else {
            const int full = highRange_ ? 1100 : 150;
            segments =
                std::clamp((powerTenths_ * 10 + full / 2) / full, powerTenths_ > 0 ? 1 : 0, 10);
        }
    } else {
        // A random walk pulled back towards the signal level, so the meter
        // wanders like a real one but stays near its level.
        const int target =
            std::clamp(opt_.signalLevel + (cur_.preamp ? 1 : 0) - (cur_.att ? 1 : 0), 0, 10);
        const double noise = static_cast<double>(rng_() % 2001) / 1000.0 - 1.0;
        meter_ = std::clamp(meter_ + noise + 0.3 * (target - meter_), 0.0, 10.0);
        segments = static_cast<int>(meter_ + 0.5);
    }
    char buf[8];
    std::snprintf(buf, sizeof buf, "BG%02d;", opt_.barMode ? 12 + segments : segments);
    return buf;
}

} // namespace tamrel::k2sim
