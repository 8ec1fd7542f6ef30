#include "QSORecord.h"

#include "LogClock.h"

#include "radio/BandTable.h"
#include "radio/K2Commands.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <utility>

namespace tamrel {

namespace {

constexpr std::array<std::string_view, kBandCount> kLogBandNames = {
    "  10M", "  12M", "  15M", "  17M", "  20M", "  30M", "  40M", "  80M", "  160M"};
constexpr std::array<std::string_view, kQslStates> kQslNames = {"None", "Sent", "Received",
                                                                "Exchanged"};

bool carriable(char c) {
    return c != ';' && c != '\r' && c != '\n' && c != '\0';
}

} // namespace

std::string& QSORecord::text(QsoText field) {
    return const_cast<std::string&>(std::as_const(*this).text(field));
}

const std::string& QSORecord::text(QsoText field) const {
    switch (field) {
    case QsoText::Call:
        return call;
    case QsoText::Name:
        return name;
    case QsoText::Qth:
        return qth;
    case QsoText::HisSig:
        return hisSig;
    case QsoText::MySig:
        return mySig;
    case QsoText::Exchange:
        return exchange;
    case QsoText::Comment:
        break;
    }
    return comment;
}

bool QSORecord::fits() const {
    for (QsoText f : kAllTexts) {
        const std::string& t = text(f);
        const std::size_t cap = textCapacity(type, f);
        if (cap == 0 ? !t.empty() : t.size() >= cap)
            return false;
        for (char c : t)
            if (!carriable(c))
                return false;
    }
    return adifMode.size() < kModeCapacity &&
           std::all_of(adifMode.begin(), adifMode.end(), carriable);
}

QSORecord QSORecord::fitted() const {
    QSORecord r = *this;
    for (QsoText f : kAllTexts)
        r.text(f) = fitText(text(f), textCapacity(type, f));
    r.adifMode = fitText(adifMode, kModeCapacity);
    return r;
}

std::string fitText(std::string_view text, std::size_t capacity) {
    std::string out;
    if (capacity == 0)
        return out;
    out.reserve(text.size());
    for (char c : text)
        if (carriable(c))
            out.push_back(c);
    const std::size_t max = capacity - 1;
    if (out.size() > max) {
        std::size_t cut = max;
        // Back off over continuation bytes so that no character is split.
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
            --cut;
        out.resize(cut);
    }
    return out;
}

std::string_view bandName(int band) {
    if (band < 0 || band >= kBandCount)
        return {};
    return kLogBandNames[static_cast<std::size_t>(band)];
}

int bandOfName(std::string_view name) {
    for (std::size_t i = 0; i < kLogBandNames.size(); ++i)
        if (kLogBandNames[i] == name)
            return static_cast<int>(i);
    return -1;
}

std::string_view modeName(int code) {
    return ModeNameOfCode(code);
}

std::string_view qsoModeName(const QSORecord& r) {
    const std::string_view radio = modeName(r.mode);
    return radio.empty() ? std::string_view(r.adifMode) : radio;
}

int modeOfName(std::string_view name) {
    for (const ModeEntry& m : kModes)
        if (m.name == name)
            return m.code;
    return -1;
}

std::string_view qslName(int qsl) {
    if (qsl < 0 || qsl >= kQslStates)
        return {};
    return kQslNames[static_cast<std::size_t>(qsl)];
}

std::optional<LocalTime> toLocalTime(int64_t time) {
    const std::time_t t = static_cast<std::time_t>(time);
    if (static_cast<int64_t>(t) != time)
        return std::nullopt;
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return std::nullopt;
    const int64_t year = int64_t{tm.tm_year} + 1900;
    if (year < kFirstYear || year > kLastYear)
        return std::nullopt;
    return LocalTime{
        static_cast<int>(year), tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

namespace {

// Seconds east of UTC that the zone keeps at a second.
std::optional<long> zoneOffsetAt(int64_t utc) {
    const std::time_t t = static_cast<std::time_t>(utc);
    std::tm tm{};
    if (static_cast<int64_t>(t) != utc || !localtime_r(&t, &tm))
        return std::nullopt;
    return tm.tm_gmtoff;
}

// The exact rule, through mktime; slow, as the C library reads the zone
// again at each call.
std::optional<int64_t> fromLocalTimeExact(const LocalTime& local) {
    // A time in the hour repeated when summer time ends is two seconds; the
    // earlier is taken. Left to the zone rules (tm_isdst -1), mktime picks one
    // by what it was last asked, so the same line would read differently.
    std::optional<int64_t> earliest;
    for (int isDst : {1, 0}) {
        std::tm tm{};
        tm.tm_year = local.year - 1900;
        tm.tm_mon = local.month - 1;
        tm.tm_mday = local.day;
        tm.tm_hour = local.hour;
        tm.tm_min = local.minute;
        tm.tm_sec = local.second;
        tm.tm_isdst = isDst;
        const std::time_t t = std::mktime(&tm);
        // mktime moves 02/30 to March, a skipped hour past the change and a
        // time under the wrong offset by an hour; -1 may also be a real
        // second, so the round trip decides.
        const std::optional<LocalTime> back = toLocalTime(static_cast<int64_t>(t));
        if (back && *back == local && (!earliest || t < *earliest))
            earliest = static_cast<int64_t>(t);
    }
    return earliest;
}

// A local day's offset from UTC, when the zone keeps one offset from two days
// before it to three days after: every second that can show as a time of the
// day lies in between, so none is skipped or repeated. Most days are such, and
// a log reads many times of the same days.
struct SteadyDay {
    int64_t day = std::numeric_limits<int64_t>::min();
    std::optional<long> offset;
};

std::optional<long> steadyOffset(int64_t day) {
    thread_local std::array<SteadyDay, 64> days;
    thread_local std::optional<std::string> zone;
    // The offsets are those of one zone; TZ may change while the program runs.
    const char* tz = std::getenv("TZ");
    if (zone.has_value() != (tz != nullptr) || (tz && *zone != tz)) {
        days.fill({});
        zone = tz ? std::optional<std::string>(tz) : std::nullopt;
    }
    SteadyDay& d = days[static_cast<std::size_t>(day & 63)];
    if (d.day != day) {
        d = {day, std::nullopt};
        const std::optional<long> before = zoneOffsetAt((day - 2) * 86400);
        const std::optional<long> after = zoneOffsetAt((day + 3) * 86400);
        if (before && before == after)
            d.offset = before;
    }
    return d.offset;
}

} // namespace

std::optional<int64_t> fromLocalTime(const LocalTime& local) {
    if (local.year < kFirstYear || local.year > kLastYear || local.month < 1 || local.month > 12 ||
        local.day < 1 || local.day > 31 || local.hour < 0 || local.hour > 23 || local.minute < 0 ||
        local.minute > 59 || local.second < 0 || local.second > 59)
        return std::nullopt;
    const int64_t civil = civilSeconds(local);
    if (civilTime(civil) != local)
        return std::nullopt; // 02/30
    const int64_t day = civil >= 0 ? civil / 86400 : (civil - 86399) / 86400;
    if (const std::optional<long> offset = steadyOffset(day))
        return civil - *offset;
    return fromLocalTimeExact(local);
}

} // namespace tamrel
