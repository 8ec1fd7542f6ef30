#include "QsoLogView.h"

#include "qsolog/LogClock.h"
#include "radio/K2Commands.h"
#include "settings/CRigControlRegistry.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <limits>

namespace tamrel {

namespace {

constexpr std::array<QsoColumn, 13> kNormalColumns = {{{"    ", 30},
                                                       {"Call", 60},
                                                       {"Date", 70},
                                                       {"Time", 58},
                                                       {"Band", 50},
                                                       {"Freq (KHz)", 60},
                                                       {"Mode", 50},
                                                       {"Name", 50},
                                                       {"QTH", 50},
                                                       {"My RST", 50},
                                                       {"His RST", 50},
                                                       {"QSL Stat", 70},
                                                       {"Comment", 150}}};
constexpr std::array<QsoColumn, 10> kContestColumns = {{{"    ", 30},
                                                        {"Call", 60},
                                                        {"Date", 70},
                                                        {"Time", 58},
                                                        {"Band", 50},
                                                        {"Freq (KHz)", 60},
                                                        {"Mode", 50},
                                                        {"Exchange", 100},
                                                        {"QSL Stat", 70},
                                                        {"Comment", 150}}};

std::string twoDigitsJoined(int a, int b, int c, char sep, int lastWidth) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%c%02d%c%0*d", a, sep, b, sep, lastWidth, c);
    return buf;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// Three numbers separated by `sep`, each of at most the given digits (and at
// least one; the last exactly `lastDigits` when that is 4).
bool threeNumbers(std::string_view s, char sep, int lastDigits, int (&out)[3]) {
    s = trimmed(s);
    for (int i = 0; i < 3; ++i) {
        const std::size_t end = i < 2 ? s.find(sep) : s.size();
        if (end == std::string_view::npos)
            return false;
        const std::string_view part = s.substr(0, end);
        const std::size_t maxDigits = i < 2 ? 2 : static_cast<std::size_t>(lastDigits);
        if (part.empty() || part.size() > maxDigits || (maxDigits == 4 && part.size() != 4))
            return false;
        for (char c : part)
            if (c < '0' || c > '9')
                return false;
        std::from_chars(part.data(), part.data() + part.size(), out[i]);
        s.remove_prefix(i < 2 ? end + 1 : end);
    }
    return true;
}

bool realDate(int year, int month, int day) {
    using namespace std::chrono;
    return year >= kFirstYear && year <= kLastYear &&
           year_month_day(std::chrono::year(year), std::chrono::month(unsigned(month)),
                          std::chrono::day(unsigned(day)))
               .ok();
}

} // namespace

std::span<const QsoColumn> logColumns(QsoKind kind) {
    if (kind == QsoKind::Contest)
        return kContestColumns;
    return kNormalColumns;
}

std::string kiloHertz(int32_t hz) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%10.2f", static_cast<double>(hz) / 1000.0);
    return buf;
}

std::string countText(int64_t count) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%4lld", static_cast<long long>(count));
    return buf;
}

std::vector<std::string> rowTexts(const QSORecord& r, std::size_t rowNumber) {
    const LocalTime t = toLocalTime(r.time).value_or(LocalTime{});
    std::vector<std::string> row;
    row.reserve(13);
    row.push_back(countText(static_cast<int64_t>(rowNumber)));
    row.push_back(r.call);
    row.push_back(twoDigitsJoined(t.month, t.day, t.year, '/', 4));
    row.push_back(twoDigitsJoined(t.hour, t.minute, t.second, ':', 2));
    row.emplace_back(bandName(r.band));
    row.push_back(kiloHertz(r.frequency));
    row.emplace_back(qsoModeName(r));
    if (r.type == QsoKind::Contest) {
        row.push_back(r.exchange);
    } else {
        row.push_back(r.name);
        row.push_back(r.qth);
        row.push_back(r.mySig);
        row.push_back(r.hisSig);
    }
    row.emplace_back(qslName(r.qsl));
    row.push_back(r.comment);
    return row;
}

void QsoStatistics::add(const QSORecord& record) {
    ++total_;
    if (record.band >= 0 && record.band < kBandCount)
        ++bands_[static_cast<std::size_t>(record.band)];
}

void QsoStatistics::remove(const QSORecord& record) {
    --total_;
    if (record.band >= 0 && record.band < kBandCount)
        --bands_[static_cast<std::size_t>(record.band)];
}

void QsoStatistics::recount(std::span<const QSORecord> records) {
    clear();
    for (const QSORecord& r : records)
        add(r);
}

int64_t QsoStatistics::band(int index) const {
    if (index < 0 || index >= kBandCount)
        return 0;
    return bands_[static_cast<std::size_t>(index)];
}

QSORecord completeQso(QSORecord pending, const K2RadioState& state) {
    const uint32_t hz = state.transmitVfo != 0 ? state.vfoB : state.vfoA;
    pending.frequency = static_cast<int32_t>(hz);
    pending.band = static_cast<int32_t>(state.bandIndex);
    pending.mode = static_cast<int32_t>(state.mode);
    pending.qsl = 0;
    return pending;
}

int64_t qsoTimeStamp(int64_t now, bool useUtc) {
    if (!useUtc)
        return now;
    // The stored value is shown as local time: store the one whose local
    // rendering reads as the system clock's UTC.
    return fromLocalTime(civilTime(now)).value_or(now);
}

int stepModeIndex(int index, int delta) {
    const int count = static_cast<int>(kModes.size());
    if (index < 0 || index >= count)
        return delta < 0 ? 0 : count - 1;
    if (delta < 0)
        return index + 1 < count ? index + 1 : 0;
    return index > 0 ? index - 1 : count - 1;
}

int stepQsl(int qsl, int delta) {
    if (qsl < 0 || qsl >= kQslStates)
        return delta < 0 ? 0 : kQslStates - 1;
    if (delta < 0)
        return qsl + 1 < kQslStates ? qsl + 1 : 0;
    return qsl > 0 ? qsl - 1 : kQslStates - 1;
}

QsoEditFields editFieldsOf(const QSORecord& r) {
    const LocalTime t = toLocalTime(r.time).value_or(LocalTime{});
    QsoEditFields f;
    f.call = r.call;
    f.name = r.name;
    f.qth = r.qth;
    f.hisSig = r.hisSig;
    f.mySig = r.mySig;
    f.exchange = r.exchange;
    f.comment = r.comment;
    f.date = twoDigitsJoined(t.month, t.day, t.year, '/', 4);
    f.time = twoDigitsJoined(t.hour, t.minute, t.second, ':', 2);
    f.band = std::string(bandName(r.band));
    f.frequency = std::to_string(r.frequency);
    f.modeIndex = ModeIndexOfCode(r.mode);
    f.qsl = r.qsl;
    return f;
}

std::variant<QSORecord, std::string>
modifyQso(const QSORecord& original, const QsoEditFields& fields, const BandTable& bands) {
    int date[3] = {};
    int time[3] = {};
    if (!threeNumbers(fields.date, '/', 4, date) || !realDate(date[2], date[0], date[1]))
        return "The date (QSO on) is not a real month/day/year: " + fields.date;
    if (!threeNumbers(fields.time, ':', 2, time) || time[0] > 23 || time[1] > 59 || time[2] > 59)
        return "The time (At) is not a real hour:minute:second: " + fields.time;
    const std::optional<int64_t> when =
        fromLocalTime({date[2], date[0], date[1], time[0], time[1], time[2]});
    if (!when)
        return "The time (At) " + fields.time + " does not exist on " + fields.date +
               ": the clock skips it for summer time.";

    const std::string_view hzText = trimmed(fields.frequency);
    int64_t hz = -1;
    const auto [end, ec] = std::from_chars(hzText.data(), hzText.data() + hzText.size(), hz);
    if (hzText.empty() || ec != std::errc() || end != hzText.data() + hzText.size() || hz <= 0 ||
        hz > std::numeric_limits<int32_t>::max())
        return "The frequency is not a positive whole number of Hz: " + fields.frequency;

    QSORecord r = original;
    r.time = *when;
    r.call = fields.call;
    for (char& c : r.call)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    r.name = fields.name;
    r.qth = fields.qth;
    r.hisSig = fields.hisSig;
    r.mySig = fields.mySig;
    r.exchange = fields.exchange;
    r.comment = fields.comment;
    r.frequency = static_cast<int32_t>(hz);
    if (fields.modeIndex >= 0 && fields.modeIndex < static_cast<int>(kModes.size())) {
        r.mode = ModeCodeOfIndex(fields.modeIndex);
        r.adifMode.clear();
    }
    r.qsl = fields.qsl >= 0 && fields.qsl < kQslStates ? fields.qsl : original.qsl;
    if (std::optional<BandRecord> band = findBandIn(bands, static_cast<uint32_t>(hz)))
        r.band = band->index;
    return r.fitted();
}

} // namespace tamrel
