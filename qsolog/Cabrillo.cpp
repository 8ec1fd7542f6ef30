#include "Cabrillo.h"

#include "Adif.h"
#include "AdifModes.h"
#include "QsoLogFile.h"

#include "radio/BandTable.h"

#include <array>

namespace tamrel {

namespace {

constexpr char kEol[] = "\r\n";

constexpr std::array<std::string_view, 3> kOperators = {"SINGLE-OP", "MULTI-OP", "CHECKLOG"};
constexpr std::array<std::string_view, 2> kAssisted = {"NON-ASSISTED", "ASSISTED"};
constexpr std::array<std::string_view, 10> kBands = {"ALL", "160M", "80M", "40M", "30M",
                                                     "20M", "17M",  "15M", "12M", "10M"};
constexpr std::array<std::string_view, 5> kModes = {"CW", "SSB", "RTTY", "DIGI", "MIXED"};
constexpr std::array<std::string_view, 3> kPowers = {"LOW", "QRP", "HIGH"};
constexpr std::array<std::string_view, 5> kTransmitters = {"ONE", "TWO", "LIMITED", "UNLIMITED",
                                                           "SWL"};

// One line of a header value: ASCII, no line breaks.
std::string headerValue(std::string_view value) {
    std::string text = asciiText(value);
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void headerLine(std::string& out, std::string_view tag, std::string_view value) {
    const std::string v = headerValue(value);
    if (v.empty())
        return;
    out += tag;
    out += ": ";
    out += v;
    out += kEol;
}

void padded(std::string& out, std::string_view text, std::size_t width, bool right = false) {
    if (right && text.size() < width)
        out.append(width - text.size(), ' ');
    out += text;
    if (!right && text.size() < width)
        out.append(width - text.size(), ' ');
}

void twoDigits(std::string& out, int v) {
    out.push_back(static_cast<char>('0' + v / 10 % 10));
    out.push_back(static_cast<char>('0' + v % 10));
}

// No blanks inside a column's text: robots split the line at blanks.
std::string word(std::string_view text) {
    std::string w = asciiText(text);
    for (char& c : w)
        if (c == ' ' || c == '\t')
            c = '-';
    return w;
}

} // namespace

std::span<const std::string_view> categoryOperatorChoices() {
    return kOperators;
}
std::span<const std::string_view> categoryAssistedChoices() {
    return kAssisted;
}
std::span<const std::string_view> categoryBandChoices() {
    return kBands;
}
std::span<const std::string_view> categoryModeChoices() {
    return kModes;
}
std::span<const std::string_view> categoryPowerChoices() {
    return kPowers;
}
std::span<const std::string_view> categoryTransmitterChoices() {
    return kTransmitters;
}

std::string_view cabrilloMode(int code) {
    switch (code) {
    case 1:
    case 2:
        return "PH";
    case 3:
    case 7:
        return "CW";
    case 6:
    case 9:
        return "RY";
    default:
        return {};
    }
}

std::string checkCabrilloSettings(const CabrilloSettings& s) {
    if (headerValue(s.contest).empty())
        return "Enter the contest's name, as its sponsor spells it (for example CQ-WW-CW).";
    if (headerValue(s.sentExchange).empty())
        return "Enter the exchange you sent; \"#\" stands for the serial number.";
    if (s.firstSerial < 0)
        return "The first serial number cannot be negative.";
    return {};
}

CabrilloExport writeCabrillo(std::span<const QSORecord> records, const CabrilloSettings& s,
                             const CabrilloStation& station, const LogClock& clock,
                             std::string_view createdBy) {
    CabrilloExport result;
    const std::string myCall = word(upperCall(station.callsign));
    if (headerValue(s.contest).empty())
        result.problems.push_back("No contest name is given.");
    if (myCall.empty())
        result.problems.push_back("No callsign is set (the system configuration's \"Callsign\").");

    std::string qsos;
    qsos.reserve(records.size() * 84);
    const BandTable bands = defaultBandTable();
    const ExchangeForm form = exchangeFormOf(s.contest);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const QSORecord& r = records[i];
        const std::string row = "QSO " + std::to_string(i + 1) + " (" + r.call + ")";
        const std::string_view mode =
            r.adifMode.empty() ? cabrilloMode(r.mode) : cabrilloModeOfName(r.adifMode);
        const std::optional<LocalTime> utc = utcOfQso(r.time, clock);
        int64_t khz = 0;
        if (r.frequency > 0)
            khz = (int64_t{r.frequency} + 500) / 1000;
        else if (r.band >= 0 && r.band < kBandCount)
            khz = bands[static_cast<std::size_t>(r.band)].lowHz / 1000;
        if (mode.empty() || !utc || khz == 0 || r.call.empty()) {
            result.problems.push_back(row + " has no " +
                                      (r.call.empty() ? "call"
                                       : mode.empty() ? "mode"
                                       : !utc         ? "date"
                                                      : "frequency or band") +
                                      "; correct it in the log first.");
            continue;
        }
        const std::string defaultRst = (mode == "PH" || mode == "FM") ? "59" : "599";
        const std::string sent =
            expandSentExchange(s.sentExchange, s.firstSerial + static_cast<int>(i));
        const ExchangeParts mine = splitExchange(sent, form);
        const ExchangeParts his = splitExchange(r.exchange, form);
        const std::string sentRst =
            !mine.rst.empty() ? mine.rst : (!s.sentRst.empty() ? word(s.sentRst) : defaultRst);

        std::string& q = qsos;
        q += "QSO: ";
        padded(q, std::to_string(khz), 5, true);
        q += ' ';
        q += mode;
        q += ' ';
        q += std::to_string(utc->year);
        q += '-';
        twoDigits(q, utc->month);
        q += '-';
        twoDigits(q, utc->day);
        q += ' ';
        twoDigits(q, utc->hour);
        twoDigits(q, utc->minute);
        q += ' ';
        padded(q, myCall, 13);
        q += ' ';
        padded(q, sentRst, 3);
        q += ' ';
        padded(q, word(mine.rest), 6);
        q += ' ';
        padded(q, word(upperCall(r.call)), 13);
        q += ' ';
        padded(q, his.rst.empty() ? defaultRst : his.rst, 3);
        q += ' ';
        padded(q, word(his.rest), 6);
        q += kEol;
    }
    if (!result.problems.empty())
        return result;

    std::string& out = result.text;
    out.reserve(qsos.size() + 512);
    out += "START-OF-LOG: 3.0";
    out += kEol;
    headerLine(out, "CONTEST", s.contest);
    headerLine(out, "CALLSIGN", myCall);
    headerLine(out, "CATEGORY-OPERATOR", s.categoryOperator);
    headerLine(out, "CATEGORY-ASSISTED", s.categoryAssisted);
    headerLine(out, "CATEGORY-BAND", s.categoryBand);
    headerLine(out, "CATEGORY-MODE", s.categoryMode);
    headerLine(out, "CATEGORY-POWER", s.categoryPower);
    headerLine(out, "CATEGORY-TRANSMITTER", s.categoryTransmitter);
    headerLine(out, "CREATED-BY", createdBy);
    headerLine(out, "NAME", station.name);
    headerLine(out, "ADDRESS", station.address);
    headerLine(out, "GRID-LOCATOR", station.gridLocator);
    out += qsos;
    out += "END-OF-LOG:";
    out += kEol;
    return result;
}

} // namespace tamrel
