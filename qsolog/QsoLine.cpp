#include "QsoLine.h"

#include <array>
#include <charconv>
#include <limits>

namespace tamrel {

namespace {

constexpr std::size_t kNormalFields = 13;
constexpr std::size_t kContestFields = 10;

// The texts of each layout with their field positions (0-based).
struct TextPlace {
    std::size_t field;
    QsoText text;
};
constexpr std::array<TextPlace, 6> kNormalTexts = {{{2, QsoText::Call},
                                                    {7, QsoText::Name},
                                                    {8, QsoText::Qth},
                                                    {9, QsoText::MySig},
                                                    {10, QsoText::HisSig},
                                                    {12, QsoText::Comment}}};
constexpr std::array<TextPlace, 3> kContestTexts = {
    {{2, QsoText::Call}, {7, QsoText::Exchange}, {9, QsoText::Comment}}};

// Fields split at ";"; the empty piece after a final ";" is not a field.
std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t semi = line.find(';', start);
        if (semi == std::string_view::npos) {
            if (start < line.size())
                fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, semi - start));
        start = semi + 1;
    }
}

std::optional<int32_t> parseInt32(std::string_view s) {
    if (s.empty() || s.front() == '+')
        return std::nullopt;
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() ||
        v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(v);
}

int twoDigits(std::string_view s, std::size_t at) {
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

std::optional<int64_t> parseDate(std::string_view s) {
    if (s.size() != 14)
        return std::nullopt;
    for (char c : s)
        if (c < '0' || c > '9')
            return std::nullopt;
    LocalTime t;
    t.month = twoDigits(s, 0);
    t.day = twoDigits(s, 2);
    t.year = twoDigits(s, 4) * 100 + twoDigits(s, 6);
    t.hour = twoDigits(s, 8);
    t.minute = twoDigits(s, 10);
    t.second = twoDigits(s, 12);
    return fromLocalTime(t);
}

bool textFits(std::string_view s, std::size_t capacity) {
    if (s.size() >= capacity)
        return false;
    return s.find('\0') == std::string_view::npos && s.find('\r') == std::string_view::npos;
}

ParsedLine kept(LineFault fault, bool numbered) {
    ParsedLine p;
    p.what = ParsedLine::Class::Kept;
    p.fault = fault;
    p.numbered = numbered;
    return p;
}

void appendPadded(std::string& out, int value, int width) {
    std::string digits = std::to_string(value);
    if (digits.size() < static_cast<std::size_t>(width))
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

} // namespace

std::string_view describe(LineFault fault) {
    switch (fault) {
    case LineFault::Type:
        return "type not 0 or 1";
    case LineFault::Fields:
        return "wrong number of fields";
    case LineFault::Text:
        return "text too long for its field";
    case LineFault::Date:
        return "no valid date and time";
    case LineFault::Frequency:
        return "frequency not a number";
    case LineFault::Qsl:
        return "QSL status not 0 to 3";
    case LineFault::Length:
        return "longer than 255 bytes";
    case LineFault::OtherKind:
        return "QSO of the other kind";
    }
    return "unreadable";
}

bool isCommentLine(std::string_view line) {
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return true;
    const char c = line[first];
    return c == '#' || c == '!' || c == '*' || c == '.';
}

ParsedLine parseLine(std::string_view line, int64_t now) {
    if (isCommentLine(line)) {
        ParsedLine p;
        p.what = ParsedLine::Class::Comment;
        return p;
    }
    const std::vector<std::string_view> f = splitFields(line);
    const bool numbered = f.size() >= 2 && !f[1].empty();
    if (line.size() > kMaxLineBytes)
        return kept(LineFault::Length, numbered);
    if (f[0] != "0" && f[0] != "1")
        return kept(LineFault::Type, numbered);

    QSORecord r;
    r.type = f[0] == "0" ? QsoKind::Normal : QsoKind::Contest;
    const bool normal = r.type == QsoKind::Normal;
    if (f.size() != (normal ? kNormalFields : kContestFields))
        return kept(LineFault::Fields, numbered);

    auto readTexts = [&](const auto& places) {
        for (const TextPlace& p : places) {
            if (!textFits(f[p.field], textCapacity(r.type, p.text)))
                return false;
            r.text(p.text) = std::string(f[p.field]);
        }
        return true;
    };
    if (!(normal ? readTexts(kNormalTexts) : readTexts(kContestTexts)))
        return kept(LineFault::Text, numbered);

    if (f[3].empty()) {
        r.time = now;
    } else if (std::optional<int64_t> t = parseDate(f[3])) {
        r.time = *t;
    } else {
        return kept(LineFault::Date, numbered);
    }

    // An empty band is no band, like an unknown one: index 0 would be 10 m.
    r.band = f[4].empty() ? -1 : bandOfName(f[4]);
    if (f[5].empty()) {
        r.frequency = 0;
    } else if (std::optional<int32_t> hz = parseInt32(f[5])) {
        r.frequency = *hz;
    } else {
        return kept(LineFault::Frequency, numbered);
    }
    r.mode = f[6].empty() ? 0 : modeOfName(f[6]);
    if (r.mode < 0) {
        // An ADIF mode (FT8), or a name of an older file: kept as it is.
        if (!textFits(f[6], kModeCapacity))
            return kept(LineFault::Text, numbered);
        r.mode = 0;
        r.adifMode = std::string(f[6]);
    }

    const std::string_view qsl = f[normal ? 11 : 8];
    if (qsl.size() != 1 || qsl[0] < '0' || qsl[0] >= '0' + kQslStates)
        return kept(LineFault::Qsl, numbered);
    r.qsl = qsl[0] - '0';

    ParsedLine p;
    p.what = ParsedLine::Class::Qso;
    p.record = std::move(r);
    p.numbered = numbered;
    return p;
}

std::string formatLine(const QSORecord& record, int64_t sequence) {
    const QSORecord r = record.fitted();
    std::string out;
    out.reserve(kMaxLineBytes + 1);
    auto field = [&out](std::string_view s) {
        out += s;
        out += ';';
    };
    field(r.type == QsoKind::Contest ? "1" : "0");
    field(std::to_string(sequence));
    field(r.call);
    if (std::optional<LocalTime> t = toLocalTime(r.time)) {
        appendPadded(out, t->month, 2);
        appendPadded(out, t->day, 2);
        appendPadded(out, t->year, 4);
        appendPadded(out, t->hour, 2);
        appendPadded(out, t->minute, 2);
        appendPadded(out, t->second, 2);
        out += ';';
    } else {
        // Outside the years a date can show: the line is kept on reading, not lost.
        field("00000000000000");
    }
    field(bandName(r.band));
    field(std::to_string(r.frequency));
    field(qsoModeName(r));
    if (r.type == QsoKind::Contest) {
        field(r.exchange);
    } else {
        field(r.name);
        field(r.qth);
        field(r.mySig);
        field(r.hisSig);
    }
    field(std::to_string(r.qsl));
    field(r.comment);
    out += '\n';
    return out;
}

LogText readLogText(std::string_view content, int64_t now) {
    LogText log;
    int64_t lineNumber = 0;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string_view::npos)
            end = content.size();
        const std::string_view raw = content.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        std::string_view line = raw;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        ParsedLine p = parseLine(line, now);
        if (p.numbered)
            ++log.numbered;
        if (p.what == ParsedLine::Class::Qso) {
            if (!log.kind)
                log.kind = p.record.type;
            if (p.record.type == *log.kind) {
                log.records.push_back(std::move(p.record));
                continue;
            }
            p.what = ParsedLine::Class::Kept;
            p.fault = LineFault::OtherKind;
        }
        PassLine pass{log.records.size(), lineNumber, std::string(raw), std::nullopt};
        if (p.what == ParsedLine::Class::Kept)
            pass.fault = p.fault;
        log.passLines.push_back(std::move(pass));
    }
    return log;
}

std::string writeLogText(const std::vector<QSORecord>& records,
                         const std::vector<PassLine>& passLines) {
    std::string out;
    out.reserve(records.size() * 96 + passLines.size() * 64);
    auto pass = passLines.begin();
    auto passUpTo = [&](std::size_t before) {
        for (; pass != passLines.end() && pass->before <= before; ++pass) {
            out += pass->text;
            out += '\n';
        }
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        passUpTo(i);
        out += formatLine(records[i], static_cast<int64_t>(i) + 1);
    }
    for (; pass != passLines.end(); ++pass) {
        out += pass->text;
        out += '\n';
    }
    return out;
}

} // namespace tamrel
