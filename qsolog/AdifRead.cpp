// Reading ADIF files, and mapping their records to QSOs.
#include "Adif.h"

#include "AdifModes.h"
#include "AdifText.h"

#include <algorithm>
#include <charconv>

namespace tamrel {

using namespace adif;

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

// Only blanks and line ends lie between a field's data and the next tag.
bool endsCleanly(std::string_view text, std::size_t at) {
    const std::size_t next = text.find_first_not_of(" \t\r\n", at);
    return next == std::string_view::npos || text[next] == '<';
}

// Past `count` UTF-8 characters from `at`; npos when the text is not UTF-8 there.
std::size_t pastCharacters(std::string_view text, std::size_t at, std::size_t count) {
    for (; count > 0; --count) {
        if (at >= text.size())
            return std::string_view::npos;
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t size = lead < 0x80           ? 1
                                 : (lead >> 5) == 0x6  ? 2
                                 : (lead >> 4) == 0xE  ? 3
                                 : (lead >> 3) == 0x1E ? 4
                                                       : 0;
        if (size == 0 || size > text.size() - at)
            return std::string_view::npos;
        for (std::size_t i = 1; i < size; ++i)
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
                return std::string_view::npos;
        at += size;
    }
    return at;
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
    std::size_t end = p + length;
    if (!endsCleanly(text, end)) {
        // A program that counts characters, not bytes.
        const std::size_t byChars = pastCharacters(text, p, length);
        if (byChars != std::string_view::npos && byChars > end && endsCleanly(text, byChars))
            end = byChars;
    }
    tag.kind = Tag::Kind::Field;
    tag.value = text.substr(p, end - p);
    tag.end = end;
    return tag;
}

// Where the next tag such as "<EOR>" (any case) ends, or npos.
std::size_t pastNext(std::string_view text, std::size_t from, std::string_view tag) {
    for (std::size_t p = text.find('<', from); p != std::string_view::npos;
         p = text.find('<', p + 1)) {
        if (p + tag.size() <= text.size() && equalNoCase(text.substr(p, tag.size()), tag))
            return p + tag.size();
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

    if (text.starts_with("\xEF\xBB\xBF"))
        p = 3; // a byte-order mark
    // A file that does not begin with "<" begins with a header ended by
    // <EOH>; without any <EOH>, the text before the first field is a note.
    bool inHeader =
        p < text.size() && text[p] != '<' && pastNext(text, p, "<EOH>") != std::string_view::npos;
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
            p = pastNext(text, lt + 1, "<EOR>");
            if (p == std::string_view::npos)
                return data;
            break;
        }
        }
    }
    if (started && !current.fields.empty()) {
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

// The MD code of an ADIF mode; 0 for a mode the radio lacks, whose name
// goes to `other` (AdifModes.h).
int modeOfAdif(const AdifRecord& r, int32_t hz, int band, bool& usedSubmode, std::string& other) {
    // Decided on the names as the log will keep them: a NUL or another
    // character the log cannot hold does not make "SSB" a mode of its own, and
    // a name cut to fit ("CW <...>" kept as "CW") is read as its line will be.
    const auto value = [&r](const char* name) {
        const std::string* v = r.find(name);
        return v ? upperText(trimmed(fitText(*v, kModeCapacity))) : std::string{};
    };
    const std::string mode = value("MODE");
    const std::string sub = value("SUBMODE");
    const std::string reverse = value("APP_TAMREL_MODE");
    // ADIF's own name, matched as the export will match it ("C W" is CW).
    const std::string named = lineModeOfAdif(mode, sub);
    usedSubmode = false;
    // CW and RTTY are the radio's, unless a submode of theirs says otherwise (PCW).
    if (named == "CW")
        return reverse == "CWR" ? 7 : 3;
    if (named == "RTTY")
        return reverse == "RTTYR" ? 9 : 6;
    if (mode == "USB")
        return 2;
    if (mode == "LSB")
        return 1;
    if (named == "SSB") {
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
    usedSubmode = !sub.empty() && named == sub;
    other = named.empty() ? mode : named; // not ADIF's, but the QSO's: kept as named
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
    q.mode = modeOfAdif(r, q.frequency, q.band, usedSubmode, q.adifMode);

    bool shortened = false;
    if (const std::string* m = r.find("MODE"))
        shortened = trimmed(fitText(*m, kModeCapacity)) != trimmed(fitText(*m, m->size() + 1));
    auto text = [&](const std::string* v, QsoText f) {
        return v ? fitImported(*v, kind, f, shortened) : std::string{};
    };
    std::string comment = text(textOf(r, "COMMENT", "COMMENT_INTL"), QsoText::Comment);
    if (kind == QsoKind::Normal) {
        // RST_SENT is the report he was given: "His Sig".
        q.hisSig = text(r.find("RST_SENT"), QsoText::HisSig);
        q.mySig = text(r.find("RST_RCVD"), QsoText::MySig);
        q.name = text(textOf(r, "NAME", "NAME_INTL"), QsoText::Name);
        q.qth = text(textOf(r, "QTH", "QTH_INTL"), QsoText::Qth);
    } else {
        // The report, then the rest (a file of ours before held both in SRX_STRING).
        const std::string* rst = r.find("RST_RCVD");
        const std::string* rest = textOf(r, "SRX_STRING", "SRX_STRING_INTL");
        if (!rest)
            rest = r.find("SRX");
        std::string joined = rst ? trimmed(*rst) : std::string{};
        const std::string restText = rest ? trimmed(utf8Of(*rest)) : std::string{};
        if (joined.empty() || restText == joined || restText.starts_with(joined + " "))
            joined = restText;
        else if (!restText.empty())
            joined += " " + restText;
        q.exchange = fitImported(joined, kind, QsoText::Exchange, shortened);
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
            const bool unmappedMode = (f.name == "MODE" && q.mode == 0 && q.adifMode.empty()) ||
                                      (f.name == "SUBMODE" && !usedSubmode);
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
