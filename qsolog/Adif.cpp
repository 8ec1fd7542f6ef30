#include "Adif.h"

#include <QString>

#include <algorithm>
#include <array>
#include <charconv>

namespace tamrel {

namespace {

constexpr std::array<std::string_view, kBandCount> kAdifBands = {"10m", "12m", "15m", "17m", "20m",
                                                                 "30m", "40m", "80m", "160m"};

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

bool isDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperText(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = upper(c);
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return upper(x) == upper(y); });
}

std::string trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return std::string(s);
}

// UTF-8 as it is; any other 8-bit text read as Latin-1.
std::string utf8Of(std::string_view s) {
    if (isAscii(s))
        return std::string(s);
    const QByteArray bytes(s.data(), static_cast<qsizetype>(s.size()));
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() == bytes)
        return std::string(s);
    return QString::fromLatin1(bytes).toUtf8().toStdString();
}

// Plain ASCII of a UTF-8 text: accents dropped, other characters "?".
std::string asciiOf(std::string_view utf8) {
    const QString decomposed = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
                                   .normalized(QString::NormalizationForm_KD);
    std::string out;
    for (qsizetype i = 0; i < decomposed.size(); ++i) {
        const QChar c = decomposed.at(i);
        if (c.unicode() < 0x80)
            out.push_back(static_cast<char>(c.unicode()));
        else if (c.category() == QChar::Mark_NonSpacing)
            continue;
        else if (c.isLowSurrogate())
            continue; // the high half already gave its "?"
        else
            out.push_back('?');
    }
    return out;
}

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

// ---- reading

const std::string* AdifRecord::find(std::string_view name) const {
    for (auto it = fields.rbegin(); it != fields.rend(); ++it)
        if (it->name == name)
            return &it->value;
    return nullptr;
}

namespace {

struct Tag {
    enum class Kind { Field, Eor, Eoh, Bad } kind = Kind::Bad;
    std::string name;
    std::string_view value;
    std::size_t end = 0; // past the tag and its data
    std::string reason;
    bool bare = false; // <NAME> without a length: a marker such as <APP_LoTW_EOF>
};

bool nameChar(char c) {
    return c > ' ' && c < 0x7F && c != '<' && c != '>' && c != ':' && c != ',' && c != '{' &&
           c != '}';
}

// The tag that begins at text[at] == '<'.
Tag parseTag(std::string_view text, std::size_t at) {
    Tag tag;
    std::size_t p = at + 1;
    const std::size_t nameStart = p;
    while (p < text.size() && nameChar(text[p]))
        ++p;
    tag.name = upperText(text.substr(nameStart, p - nameStart));
    if (p >= text.size()) {
        tag.reason = "a tag is cut off by the end of the file";
        return tag;
    }
    if (tag.name.empty()) {
        tag.reason = "a tag has no name";
        return tag;
    }
    if (text[p] == '>') {
        tag.end = p + 1;
        if (tag.name == "EOR")
            tag.kind = Tag::Kind::Eor;
        else if (tag.name == "EOH")
            tag.kind = Tag::Kind::Eoh;
        else {
            tag.reason = "the field <" + tag.name + "> has no length";
            tag.bare = true;
        }
        return tag;
    }
    if (text[p] != ':') {
        tag.reason = "the tag <" + tag.name + " is not closed by \">\"";
        return tag;
    }
    ++p;
    const std::size_t lengthStart = p;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9')
        ++p;
    const std::string_view digits = text.substr(lengthStart, p - lengthStart);
    std::size_t length = 0;
    if (digits.empty() || digits.size() > 9 ||
        std::from_chars(digits.data(), digits.data() + digits.size(), length).ec != std::errc{}) {
        tag.reason = "the field <" + tag.name + "> has no readable length";
        return tag;
    }
    if (p < text.size() && text[p] == ':') {
        ++p; // a type indicator
        const std::size_t typeStart = p;
        while (p < text.size() && nameChar(text[p]))
            ++p;
        if (p == typeStart || p - typeStart > 1) {
            tag.reason = "the field <" + tag.name + "> has a broken type indicator";
            return tag;
        }
    }
    if (p >= text.size() || text[p] != '>') {
        tag.reason = "the tag <" + tag.name + " is not closed by \">\"";
        return tag;
    }
    ++p;
    if (length > text.size() - p) {
        tag.reason = "the field <" + tag.name + "> is longer than the rest of the file";
        return tag;
    }
    tag.kind = Tag::Kind::Field;
    tag.value = text.substr(p, length);
    tag.end = p + length;
    return tag;
}

// Where the next "<EOR>" (any case) ends, or npos.
std::size_t pastNextEor(std::string_view text, std::size_t from) {
    for (std::size_t p = text.find('<', from); p != std::string_view::npos;
         p = text.find('<', p + 1)) {
        if (p + 5 <= text.size() && equalNoCase(text.substr(p, 5), "<EOR>"))
            return p + 5;
    }
    return std::string_view::npos;
}

} // namespace

AdifData readAdif(std::string_view text) {
    AdifData data;
    std::size_t p = 0;
    int64_t line = 1;
    std::size_t lineCountedTo = 0;
    auto lineAt = [&](std::size_t offset) {
        line += std::count(text.begin() + static_cast<std::ptrdiff_t>(lineCountedTo),
                           text.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
        lineCountedTo = offset;
        return line;
    };

    // A file that does not begin with "<" begins with a header.
    bool inHeader = !text.empty() && text.front() != '<';
    bool recordsBegun = false;
    AdifRecord current;
    bool started = false;
    while (true) {
        const std::size_t lt = text.find('<', p);
        if (lt == std::string_view::npos)
            break;
        Tag tag = parseTag(text, lt);
        if (inHeader) {
            // Header text is free: a "<" that is no tag is part of it.
            if (tag.kind == Tag::Kind::Bad) {
                p = lt + 1;
                continue;
            }
            if (tag.kind == Tag::Kind::Field)
                data.header.push_back({tag.name, std::string(tag.value)});
            else if (tag.kind == Tag::Kind::Eoh)
                inHeader = false;
            p = tag.end; // an <EOR> in a header is ignored
            continue;
        }
        if (!started) {
            current = AdifRecord{};
            current.fields.reserve(24); // a record of a logger has about 15 to 20
            current.offset = lt;
            current.line = lineAt(lt);
            started = true;
        }
        switch (tag.kind) {
        case Tag::Kind::Field:
            current.fields.push_back({std::move(tag.name), std::string(tag.value)});
            p = tag.end;
            break;
        case Tag::Kind::Eor:
            if (!current.fields.empty())
                data.records.push_back(std::move(current));
            recordsBegun = true;
            started = false;
            p = tag.end;
            break;
        case Tag::Kind::Eoh:
            // A file that began with a field had a header after all.
            if (!recordsBegun && data.records.empty()) {
                for (AdifField& f : current.fields)
                    data.header.push_back(std::move(f));
            } else {
                data.problems.push_back({current.offset, current.line,
                                         "an <EOH> stands among the records; the record is "
                                         "skipped"});
            }
            recordsBegun = true;
            started = false;
            p = tag.end;
            break;
        case Tag::Kind::Bad: {
            if (tag.bare && current.fields.empty()) {
                // A marker between records (LoTW ends its files with one) is no record.
                started = false;
                p = tag.end;
                break;
            }
            const int64_t badLine = lineAt(lt);
            data.problems.push_back({current.offset, current.line,
                                     tag.reason + " (line " + std::to_string(badLine) + ", byte " +
                                         std::to_string(lt) + "); the record is skipped"});
            started = false;
            p = pastNextEor(text, lt + 1);
            if (p == std::string_view::npos)
                return data;
            break;
        }
        }
    }
    if (inHeader) {
        data.problems.push_back({0, 1, "the header is not ended by <EOH>; no record is read"});
    } else if (started && !current.fields.empty()) {
        data.problems.push_back(
            {current.offset, current.line, "the last record is not ended by <EOR>; it is skipped"});
    }
    return data;
}

// ---- records

namespace {

const std::string* textOf(const AdifRecord& r, std::string_view name, std::string_view intl) {
    if (const std::string* v = r.find(intl); v && !v->empty())
        return v;
    if (const std::string* v = r.find(name); v && !v->empty())
        return v;
    return nullptr;
}

bool isOurs(std::string_view name, QsoKind kind) {
    static constexpr std::string_view common[] = {
        "CALL",     "QSO_DATE",       "TIME_ON",      "BAND",     "FREQ",     "MODE",
        "SUBMODE",  "COMMENT",        "COMMENT_INTL", "QSL_SENT", "QSL_RCVD", "STATION_CALLSIGN",
        "OPERATOR", "OWNER_CALLSIGN", "QSO_DATE_OFF", "TIME_OFF"};
    static constexpr std::string_view normal[] = {"RST_SENT",  "RST_RCVD", "NAME",
                                                  "NAME_INTL", "QTH",      "QTH_INTL"};
    static constexpr std::string_view contest[] = {"SRX_STRING", "SRX", "RST_RCVD",  "RST_SENT",
                                                   "STX_STRING", "STX", "CONTEST_ID"};
    if (name.starts_with("APP_TAMREL_"))
        return true;
    auto in = [&](auto& list) {
        return std::find(std::begin(list), std::end(list), name) != std::end(list);
    };
    return in(common) || (kind == QsoKind::Normal ? in(normal) : in(contest));
}

// An imported text made fit for its field; ";" (the log's separator) becomes ",".
std::string fitImported(std::string_view value, QsoKind kind, QsoText f, bool& shortened) {
    std::string text = utf8Of(value);
    std::replace(text.begin(), text.end(), ';', ',');
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    text = trimmed(text);
    const std::string fitted = fitText(text, textCapacity(kind, f));
    if (fitted.size() != text.size())
        shortened = true;
    return fitted;
}

std::optional<LocalTime> adifDateTime(const std::string& date, const std::string& time) {
    if (date.size() != 8 || !isDigits(date) || (time.size() != 4 && time.size() != 6) ||
        !isDigits(time))
        return std::nullopt;
    auto num = [](std::string_view s) {
        int v = 0;
        for (char c : s)
            v = v * 10 + (c - '0');
        return v;
    };
    LocalTime t{num(date.substr(0, 4)), num(date.substr(4, 2)),
                num(date.substr(6, 2)), num(time.substr(0, 2)),
                num(time.substr(2, 2)), time.size() == 6 ? num(time.substr(4, 2)) : 0};
    // Any four-digit year: whether the log can hold the date is decided when it is stored.
    if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 ||
        t.minute > 59 || t.second > 59)
        return std::nullopt;
    if (civilTime(civilSeconds(t)) != t)
        return std::nullopt; // 02/30
    return t;
}

// The MD code of an ADIF mode; 0 when ADIF names a mode the radio lacks.
int modeOfAdif(const AdifRecord& r, int32_t hz, int band, bool& usedSubmode) {
    const std::string mode = upperText(trimmed(r.find("MODE") ? *r.find("MODE") : ""));
    const std::string sub = upperText(trimmed(r.find("SUBMODE") ? *r.find("SUBMODE") : ""));
    const std::string reverse =
        upperText(trimmed(r.find("APP_TAMREL_MODE") ? *r.find("APP_TAMREL_MODE") : ""));
    usedSubmode = false;
    if (mode == "CW")
        return reverse == "CWR" ? 7 : 3;
    if (mode == "RTTY")
        return reverse == "RTTYR" ? 9 : 6;
    if (mode == "USB")
        return 2;
    if (mode == "LSB")
        return 1;
    if (mode == "SSB") {
        usedSubmode = sub == "USB" || sub == "LSB";
        if (sub == "USB")
            return 2;
        if (sub == "LSB")
            return 1;
        // The usual sideband: lower below 10 MHz.
        if (hz > 0)
            return hz < 10000000 ? 1 : 2;
        return band >= 6 ? 1 : 2;
    }
    return 0;
}

} // namespace

AdifQso qsoFromAdif(const AdifRecord& r, const AdifImportOptions& o) {
    AdifQso result;
    const QsoKind kind = o.kind;
    QSORecord q;
    q.type = kind;

    const std::string* call = r.find("CALL");
    const std::string callText = call ? upperText(trimmed(utf8Of(*call))) : std::string{};
    if (callText.empty()) {
        result.error = "the record has no CALL";
        return result;
    }
    if (callText.size() >= textCapacity(kind, QsoText::Call) ||
        fitText(callText, textCapacity(kind, QsoText::Call)) != callText) {
        result.error = "the CALL " + callText + " does not fit a call field";
        return result;
    }
    q.call = callText;

    const std::string* date = r.find("QSO_DATE");
    const std::string* time = r.find("TIME_ON");
    if (!date || !time) {
        result.error = std::string("the record has no ") + (!date ? "QSO_DATE" : "TIME_ON");
        return result;
    }
    const std::optional<LocalTime> utc = adifDateTime(trimmed(*date), trimmed(*time));
    if (!utc) {
        result.error = "QSO_DATE " + *date + " TIME_ON " + *time + " is not a date and time";
        return result;
    }
    const std::optional<int64_t> stored = qsoTimeOfUtc(*utc, o.clock);
    if (!stored) {
        result.error = "QSO_DATE " + *date + " TIME_ON " + *time +
                       " falls in an hour that the local clock skips";
        return result;
    }
    q.time = *stored;

    if (const std::string* f = r.find("FREQ"); f && !trimmed(*f).empty()) {
        const std::optional<int32_t> hz = hzOfAdifFrequency(*f);
        if (!hz) {
            result.error = "FREQ " + *f + " is not a frequency in MHz";
            return result;
        }
        q.frequency = *hz;
    }
    q.band = -1;
    if (const std::string* b = r.find("BAND"))
        q.band = bandOfAdif(*b);
    if (q.band < 0 && q.frequency > 0)
        if (std::optional<BandRecord> b = findBandIn(o.bands, static_cast<uint32_t>(q.frequency)))
            q.band = b->index;
    bool usedSubmode = false;
    q.mode = modeOfAdif(r, q.frequency, q.band, usedSubmode);

    bool shortened = false;
    auto text = [&](const std::string* v, QsoText f) {
        return v ? fitImported(*v, kind, f, shortened) : std::string{};
    };
    std::string comment = text(textOf(r, "COMMENT", "COMMENT_INTL"), QsoText::Comment);
    if (kind == QsoKind::Normal) {
        q.mySig = text(r.find("RST_SENT"), QsoText::MySig);
        q.hisSig = text(r.find("RST_RCVD"), QsoText::HisSig);
        q.name = text(textOf(r, "NAME", "NAME_INTL"), QsoText::Name);
        q.qth = text(textOf(r, "QTH", "QTH_INTL"), QsoText::Qth);
    } else {
        if (const std::string* srx = textOf(r, "SRX_STRING", "SRX_STRING_INTL")) {
            q.exchange = text(srx, QsoText::Exchange);
        } else {
            std::string joined;
            for (const char* name : {"RST_RCVD", "SRX"})
                if (const std::string* v = r.find(name); v && !trimmed(*v).empty())
                    joined += (joined.empty() ? "" : " ") + trimmed(*v);
            q.exchange = fitImported(joined, kind, QsoText::Exchange, shortened);
        }
    }

    const auto yes = [&](const char* name, std::string_view also) {
        const std::string* v = r.find(name);
        const std::string t = v ? upperText(trimmed(*v)) : std::string{};
        return t == "Y" || (!also.empty() && t == also);
    };
    q.qsl = (yes("QSL_SENT", {}) ? 1 : 0) + (yes("QSL_RCVD", "V") ? 2 : 0);

    if (o.unknown == UnknownAdifFields::KeepInComment) {
        std::string kept;
        for (const AdifField& f : r.fields) {
            const bool unmappedMode =
                (f.name == "MODE" && q.mode == 0) || (f.name == "SUBMODE" && !usedSubmode);
            if (f.value.empty() || (isOurs(f.name, kind) && !unmappedMode))
                continue;
            kept += (kept.empty() ? "" : " ") + f.name + "=" + trimmed(f.value);
        }
        if (!kept.empty())
            comment = comment.empty() ? kept : comment + " " + kept;
        comment = fitImported(comment, kind, QsoText::Comment, shortened);
    }
    q.comment = comment;
    result.record = std::move(q);
    result.shortened = shortened;
    return result;
}

} // namespace tamrel
