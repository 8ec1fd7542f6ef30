#pragma once
// LogClock: how the times of a log relate to UTC. A QSO's time is shown and
// written as the local time of its stored value (QSORecord.h). With "Use UTC
// in Log" set, that shown time already is UTC (the time stamp was moved by
// the offset when the QSO was logged); without it, the shown time is the
// operator's clock and UTC is that minus the "Offset from UTC".
//
// The shown time is what the log means, so conversions go through it and
// not through the stored value: a log read on a machine in another zone
// still exports the same UTC times.

#include "QSORecord.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tamrel {

struct LogClock {
    bool logInUtc = true;
    uint8_t offsetByte = 0; // bits 0..6 hours (mod 24), bit 7 negative

    // Hours east of UTC, as the time stamp of a new QSO uses them.
    int offsetHours() const;
    // "UTC" or "local time, UTC-7"
    std::string describe() const;
};

// The UTC date and time of a QSO's stored time; none when it has no date.
std::optional<LocalTime> utcOfQso(int64_t time, const LogClock& clock);
// The stored time of a QSO at a UTC date and time; none when that date is not
// a real one, or its shown time does not exist here (an hour skipped by a
// daylight-saving change).
std::optional<int64_t> qsoTimeOfUtc(const LocalTime& utc, const LogClock& clock);

// Seconds since 1970 of a broken-down time read as UTC, and back; no zone.
int64_t civilSeconds(const LocalTime& t);
LocalTime civilTime(int64_t seconds);

} // namespace tamrel
