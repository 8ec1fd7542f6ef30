#include "LogClock.h"

namespace tamrel {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

} // namespace

int LogClock::offsetHours() const {
    const int hours = (offsetByte & 0x7F) % 24;
    return (offsetByte & 0x80) ? -hours : hours;
}

std::string LogClock::describe() const {
    if (logInUtc)
        return "UTC";
    const int h = offsetHours();
    std::string text = "local time, UTC";
    if (h != 0)
        text += (h > 0 ? "+" : "-") + std::to_string(h > 0 ? h : -h);
    return text;
}

int64_t civilSeconds(const LocalTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * 86400 + int64_t{t.hour} * 3600 +
           int64_t{t.minute} * 60 + t.second;
}

LocalTime civilTime(int64_t seconds) {
    const int64_t days = floorDiv(seconds, 86400);
    const int64_t rest = seconds - days * 86400;
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int64_t y = yoe + era * 400 + (m <= 2);
    return LocalTime{static_cast<int>(y),
                     m,
                     d,
                     static_cast<int>(rest / 3600),
                     static_cast<int>(rest / 60 % 60),
                     static_cast<int>(rest % 60)};
}

std::optional<LocalTime> utcOfQso(int64_t time, const LogClock& clock) {
    std::optional<LocalTime> shown = toLocalTime(time);
    if (!shown)
        return std::nullopt;
    if (clock.logInUtc)
        return shown;
    return civilTime(civilSeconds(*shown) - int64_t{clock.offsetHours()} * 3600);
}

std::optional<int64_t> qsoTimeOfUtc(const LocalTime& utc, const LogClock& clock) {
    // A date that does not exist (02/30) does not survive the round trip.
    if (civilTime(civilSeconds(utc)) != utc)
        return std::nullopt;
    LocalTime shown = utc;
    if (!clock.logInUtc)
        shown = civilTime(civilSeconds(utc) + int64_t{clock.offsetHours()} * 3600);
    return fromLocalTime(shown);
}

} // namespace tamrel
