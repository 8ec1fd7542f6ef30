#include "Adif.h"

#include "AdifModes.h"
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

// MODE, SUBMODE and APP_TAMREL_MODE of a QSO; no mode when ADIF knows none.
struct AdifMode {
    std::string_view mode;
    std::string_view submode;
    std::string_view reverse;
};

std::optional<AdifMode> adifModeOf(const QSORecord& r) {
    switch (r.mode) {
    case 1:
        return AdifMode{"SSB", "LSB", {}};
    case 2:
        return AdifMode{"SSB", "USB", {}};
    case 3:
        return AdifMode{"CW", {}, {}};
    case 6:
        return AdifMode{"RTTY", {}, {}};
    case 7:
        return AdifMode{"CW", {}, "CWR"};
    case 9:
        return AdifMode{"RTTY", {}, "RTTYR"};
    default:
        break;
    }
    if (const std::optional<AdifModePair> p = adifModeOfName(r.adifMode))
        return AdifMode{p->mode, p->submode, {}};
    return std::nullopt;
}

// One field of a record before it is written in one of the two forms.
struct OutField {
    std::string name;
    std::string value; // UTF-8
    bool text = false; // has an _INTL twin for more than ASCII (NAME, QTH, COMMENT)
    bool app = false;  // APP_TAMREL_<name>
};

using OutFields = std::vector<OutField>;

void add(OutFields& out, std::string_view name, std::string_view value, bool text = false) {
    if (!value.empty())
        out.push_back({std::string(name), std::string(value), text, false});
}

std::size_t codePoints(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// <NAME:LENGTH>DATA with LENGTH in bytes. A text outside ASCII is followed by
// one blank for each byte beyond its characters: a reader that counts
// characters (or UTF-16 units) instead reads the whole text and some of
// those blanks, and still stops before the next field.
void adiField(std::string& out, std::string_view name, std::string_view value) {
    out += '<';
    out += name;
    out += ':';
    out += std::to_string(value.size());
    out += '>';
    out += value;
    out.append(value.size() - codePoints(value), ' ');
    out += ' ';
}

void xmlText(std::string& out, std::string_view value) {
    for (char c : value) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // XML 1.0 has no place for control characters.
            if (static_cast<unsigned char>(c) < 0x20)
                out += ' ';
            else
                out += c;
        }
    }
}

void adxElement(std::string& out, std::string_view name, std::string_view value) {
    out += '<';
    out += name;
    out += '>';
    xmlText(out, value);
    out += "</";
    out += name;
    out += '>';
}

void writeRecord(std::string& out, const OutFields& fields, AdifForm form) {
    if (form == AdifForm::Adi) {
        for (const OutField& f : fields)
            adiField(out, f.app ? "APP_TAMREL_" + f.name : f.name, f.value);
        out += "<EOR>\n";
        return;
    }
    out += "<RECORD>";
    for (const OutField& f : fields) {
        if (f.app) {
            out += "<APP PROGRAMID=\"TAMREL\" FIELDNAME=\"" + f.name + "\" TYPE=\"S\">";
            xmlText(out, f.value);
            out += "</APP>";
        } else if (f.text && !isAscii(f.value)) {
            // ADX keeps String fields ASCII; the whole text is the _INTL field's.
            adxElement(out, f.name, asciiOf(f.value));
            adxElement(out, f.name + "_INTL", f.value);
        } else {
            adxElement(out, f.name, isAscii(f.value) ? f.value : asciiOf(f.value));
        }
    }
    out += "</RECORD>\n";
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

AdifExport writeAdif(std::span<const QSORecord> records, const AdifExportOptions& o,
                     int64_t createdUtc) {
    AdifExport result;
    std::string& out = result.text;
    out.reserve(records.size() * 220 + 400);
    const LocalTime created = civilTime(createdUtc);
    const OutFields header = {{"ADIF_VER", kAdifVersion},
                              {"PROGRAMID", "Tamrel"},
                              {"PROGRAMVERSION", o.programVersion},
                              {"CREATED_TIMESTAMP", adifDate(created) + " " + adifTime(created)}};
    std::string note = "Tamrel ADIF export. Times are UTC";
    if (!o.clock.logInUtc)
        note += ", converted from the log's " + o.clock.describe();
    note += ".";
    if (o.form == AdifForm::Adi) {
        out += note + "\n";
        for (const OutField& f : header)
            if (!f.value.empty()) {
                adiField(out, f.name, f.value);
                out += '\n';
            }
        out += "<EOH>\n";
    } else {
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- " + note + " -->\n<ADX>\n<HEADER>";
        for (const OutField& f : header)
            if (!f.value.empty())
                adxElement(out, f.name, f.value);
        out += "</HEADER>\n<RECORDS>\n";
    }

    const ExchangeForm form = exchangeFormOf(o.contestId);
    const std::string station = utf8Of(o.stationCallsign);
    OutFields fields;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const QSORecord& r = records[i];
        const std::optional<LocalTime> utc = utcOfQso(r.time, o.clock);
        const std::optional<AdifMode> mode = adifModeOf(r);
        if (r.call.empty() || !utc || !mode) {
            const std::string why =
                r.call.empty()       ? "no call"
                : !utc               ? "no date"
                : r.adifMode.empty() ? "no mode"
                                     : "the mode \"" + r.adifMode + "\", which ADIF does not know";
            result.problems.push_back("QSO " + std::to_string(i + 1) + " (" + r.call + ") has " +
                                      why + " and is not written; correct it in the log.");
            continue;
        }
        fields.clear();
        add(fields, "CALL", utf8Of(r.call));
        add(fields, "QSO_DATE", adifDate(*utc));
        add(fields, "TIME_ON", adifTime(*utc));
        add(fields, "BAND", adifBand(r.band));
        if (r.frequency > 0)
            add(fields, "FREQ", adifFrequency(r.frequency));
        add(fields, "MODE", mode->mode);
        add(fields, "SUBMODE", mode->submode);
        if (!mode->reverse.empty())
            fields.push_back({"MODE", std::string(mode->reverse), false, true});
        if (r.type == QsoKind::Normal) {
            // "His Sig" is the report he was given; "My Sig" the one received.
            add(fields, "RST_SENT", utf8Of(r.hisSig));
            add(fields, "RST_RCVD", utf8Of(r.mySig));
            add(fields, "NAME", utf8Of(r.name), true);
            add(fields, "QTH", utf8Of(r.qth), true);
        } else {
            const ExchangeParts his = splitExchange(utf8Of(r.exchange), form);
            add(fields, "RST_RCVD", his.rst);
            add(fields, "SRX_STRING", his.rest);
            if (isSerial(his.rest, form))
                add(fields, "SRX", his.rest);
            if (!o.sentExchange.empty()) {
                const ExchangeParts mine = splitExchange(
                    expandSentExchange(utf8Of(o.sentExchange), o.firstSerial + static_cast<int>(i)),
                    form);
                add(fields, "RST_SENT", !mine.rst.empty() ? mine.rst : utf8Of(o.sentRst));
                add(fields, "STX_STRING", mine.rest);
                if (isSerial(mine.rest, form))
                    add(fields, "STX", mine.rest);
            }
            add(fields, "CONTEST_ID", utf8Of(o.contestId));
        }
        add(fields, "COMMENT", utf8Of(r.comment), true);
        add(fields, "QSL_SENT", (r.qsl == 1 || r.qsl == 3) ? "Y" : "N");
        add(fields, "QSL_RCVD", (r.qsl == 2 || r.qsl == 3) ? "Y" : "N");
        add(fields, "STATION_CALLSIGN", station);
        writeRecord(out, fields, o.form);
        ++result.written;
    }
    if (o.form == AdifForm::Adx)
        out += "</RECORDS>\n</ADX>\n";
    return result;
}

} // namespace tamrel
