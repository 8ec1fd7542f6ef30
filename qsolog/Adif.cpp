#include "Adif.h"

#include "AdifText.h"

#include <algorithm>
#include <array>

namespace tamrel {

using namespace adif;

namespace {

constexpr std::array<std::string_view, kBandCount> kAdifBands = {"10m", "12m", "15m", "17m", "20m",
                                                                 "30m", "40m", "80m", "160m"};

void appendNumber(std::string& out, int64_t value, int width) {
    const std::string digits = std::to_string(value);
    if (digits.size() < static_cast<std::size_t>(width))
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

void field(std::string& out, std::string_view name, std::string_view value) {
    if (value.empty())
        return;
    out += '<';
    out += name;
    out += ':';
    out += std::to_string(value.size());
    out += '>';
    out += value;
    out += ' ';
}

// A text field that ADIF keeps ASCII, with its _INTL twin when it is not.
void textField(std::string& out, std::string_view name, std::string_view text) {
    const std::string utf8 = utf8Of(text);
    if (isAscii(utf8)) {
        field(out, name, utf8);
        return;
    }
    field(out, name, asciiOf(utf8));
    field(out, std::string(name) + "_INTL", utf8);
}

std::string adifDate(const LocalTime& t) {
    std::string s;
    appendNumber(s, t.year, 4);
    appendNumber(s, t.month, 2);
    appendNumber(s, t.day, 2);
    return s;
}

std::string adifTime(const LocalTime& t) {
    std::string s;
    appendNumber(s, t.hour, 2);
    appendNumber(s, t.minute, 2);
    appendNumber(s, t.second, 2);
    return s;
}

// "SSB"+"USB" and the like; empty name for a code not in the mode table.
struct AdifMode {
    std::string_view mode;
    std::string_view submode;
    std::string_view reverse; // APP_TAMREL_MODE
};

AdifMode adifModeOf(int code) {
    switch (code) {
    case 1:
        return {"SSB", "LSB", {}};
    case 2:
        return {"SSB", "USB", {}};
    case 3:
        return {"CW", {}, {}};
    case 6:
        return {"RTTY", {}, {}};
    case 7:
        return {"CW", {}, "CWR"};
    case 9:
        return {"RTTY", {}, "RTTYR"};
    default:
        return {};
    }
}

} // namespace

std::string asciiText(std::string_view text) {
    return asciiOf(utf8Of(text));
}

std::string adifFrequency(int32_t hz) {
    std::string s = std::to_string(hz / 1000000);
    s += '.';
    appendNumber(s, hz % 1000000, 6);
    return s;
}

std::optional<int32_t> hzOfAdifFrequency(std::string_view mhz) {
    const std::string text = trimmed(mhz);
    std::string_view v = text;
    // Some loggers write the decimal comma of their locale.
    const std::size_t dot = v.find_first_of(".,");
    std::string_view whole = v.substr(0, dot);
    std::string_view fraction =
        dot == std::string_view::npos ? std::string_view{} : v.substr(dot + 1);
    if (whole.empty() && fraction.empty())
        return std::nullopt;
    if ((!whole.empty() && !isDigits(whole)) || (!fraction.empty() && !isDigits(fraction)) ||
        fraction.size() > 9 || whole.size() > 4)
        return std::nullopt;
    int64_t hz = 0;
    for (char c : whole)
        hz = hz * 10 + (c - '0');
    hz *= 1000000;
    int64_t scale = 100000;
    for (std::size_t i = 0; i < fraction.size() && i < 6; ++i, scale /= 10)
        hz += (fraction[i] - '0') * scale;
    if (fraction.size() > 6 && fraction[6] >= '5')
        ++hz; // round half up at the Hz
    if (hz > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(hz);
}

std::string_view adifBand(int band) {
    if (band < 0 || band >= kBandCount)
        return {};
    return kAdifBands[static_cast<std::size_t>(band)];
}

int bandOfAdif(std::string_view name) {
    for (std::size_t i = 0; i < kAdifBands.size(); ++i)
        if (equalNoCase(kAdifBands[i], trimmed(name)))
            return static_cast<int>(i);
    return -1;
}

std::string expandSentExchange(std::string_view pattern, int serial) {
    std::string out;
    for (char c : pattern) {
        if (c == '#')
            appendNumber(out, serial, 3);
        else
            out.push_back(c);
    }
    return out;
}

ExchangeParts splitExchange(std::string_view exchange) {
    const std::string text = trimmed(exchange);
    const std::size_t space = text.find_first_of(" \t");
    const std::string first = text.substr(0, space);
    const bool rst = (first.size() == 2 || first.size() == 3) && isDigits(first) &&
                     first[0] >= '1' && first[0] <= '5' && first[1] >= '1';
    if (!rst)
        return {{}, text};
    return {first, space == std::string::npos ? std::string{} : trimmed(text.substr(space))};
}

AdifExport writeAdif(std::span<const QSORecord> records, const AdifExportOptions& o,
                     int64_t createdUtc) {
    AdifExport result;
    std::string& out = result.text;
    out.reserve(records.size() * 220 + 400);
    out += "Tamrel ADIF export. Times are UTC";
    if (!o.clock.logInUtc)
        out += ", converted from the log's " + o.clock.describe();
    out += ".\n";
    const LocalTime created = civilTime(createdUtc);
    const std::string stamp = adifDate(created) + " " + adifTime(created);
    field(out, "ADIF_VER", kAdifVersion);
    out += '\n';
    field(out, "PROGRAMID", "Tamrel");
    out += '\n';
    field(out, "PROGRAMVERSION", o.programVersion);
    out += '\n';
    field(out, "CREATED_TIMESTAMP", stamp);
    out += "\n<EOH>\n";

    const std::string station = utf8Of(o.stationCallsign);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const QSORecord& r = records[i];
        const std::optional<LocalTime> utc = utcOfQso(r.time, o.clock);
        if (r.call.empty() || !utc) {
            result.problems.push_back("QSO " + std::to_string(i + 1) + " (" + r.call + ") has " +
                                      (r.call.empty() ? "no call" : "no date") +
                                      " and is not written.");
            continue;
        }
        field(out, "CALL", utf8Of(r.call));
        field(out, "QSO_DATE", adifDate(*utc));
        field(out, "TIME_ON", adifTime(*utc));
        field(out, "BAND", adifBand(r.band));
        if (r.frequency > 0)
            field(out, "FREQ", adifFrequency(r.frequency));
        const AdifMode mode = adifModeOf(r.mode);
        field(out, "MODE", mode.mode);
        field(out, "SUBMODE", mode.submode);
        field(out, "APP_TAMREL_MODE", mode.reverse);
        if (r.type == QsoKind::Normal) {
            field(out, "RST_SENT", utf8Of(r.mySig));
            field(out, "RST_RCVD", utf8Of(r.hisSig));
            textField(out, "NAME", r.name);
            textField(out, "QTH", r.qth);
        } else {
            const std::string exchange = utf8Of(r.exchange);
            field(out, "SRX_STRING", exchange);
            const ExchangeParts parts = splitExchange(exchange);
            field(out, "RST_RCVD", parts.rst);
            if (isDigits(parts.rest) && parts.rest.size() <= 9)
                field(out, "SRX", parts.rest);
            if (!o.sentExchange.empty()) {
                const std::string sent =
                    expandSentExchange(utf8Of(o.sentExchange), o.firstSerial + static_cast<int>(i));
                field(out, "STX_STRING", sent);
                const ExchangeParts mine = splitExchange(sent);
                field(out, "RST_SENT", mine.rst);
                if (isDigits(mine.rest) && mine.rest.size() <= 9)
                    field(out, "STX", mine.rest);
            }
            field(out, "CONTEST_ID", utf8Of(o.contestId));
        }
        textField(out, "COMMENT", r.comment);
        field(out, "QSL_SENT", (r.qsl == 1 || r.qsl == 3) ? "Y" : "N");
        field(out, "QSL_RCVD", (r.qsl == 2 || r.qsl == 3) ? "Y" : "N");
        field(out, "STATION_CALLSIGN", station);
        out += "<EOR>\n";
        ++result.written;
    }
    return result;
}

} // namespace tamrel
