#include "settings/RegFile.h"

#include <cstdio>
#include <optional>

namespace tamrel::reg {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUnicodeHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kEol = "\r\n";
// Hex values are wrapped before this column, as Windows exports them.
constexpr size_t kHexWrapColumn = 77;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Splits into physical lines without their CR LF or LF.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

class Parser {
public:
    explicit Parser(std::string_view text)
        : lines_(splitLines(text)), unfinished_(!text.empty() && text.back() != '\n') {}

    ParseResult run() {
        ParseResult result;
        bool header = false;
        const KeyPath* key = nullptr;
        // Below a key line that could not be read, its values are skipped and
        // counted in that line's problem.
        bool inBadKey = false;
        std::optional<size_t> badKeyProblem;
        int skipped = 0;
        auto endBadKey = [&] {
            if (badKeyProblem && skipped > 0)
                result.problems[*badKeyProblem].message += "; " + std::to_string(skipped) +
                                                           (skipped == 1 ? " value" : " values") +
                                                           " below it not used";
            inBadKey = false;
            badKeyProblem.reset();
            skipped = 0;
        };
        for (index_ = 0; index_ < lines_.size(); ++index_) {
            std::string_view line = trim(lines_[index_]);
            if (line.empty() || line.front() == ';')
                continue;
            if (!header) {
                header = true;
                if (line == kHeader || line == kUnicodeHeader)
                    continue;
                problem(result, index_, "the file does not begin with REGEDIT4");
            }
            if (line.front() == '[') {
                endBadKey();
                std::optional<KeyPath> path = parseKey(line);
                if (path) {
                    key = &result.doc.try_emplace(std::move(*path)).first->first;
                } else {
                    key = nullptr;
                    inBadKey = true;
                    badKeyProblem = problem(result, index_, error_);
                }
                continue;
            }
            const size_t first = index_;
            Values ignored;
            const bool parsed = parseValue(line, key ? result.doc[*key] : ignored);
            if (!parsed && index_ == first)
                skipContinuations(line);
            if (inBadKey)
                ++skipped;
            else if (!key)
                problem(result, first, "a value before the first key");
            else if (!parsed)
                problem(result, first, error_);
        }
        endBadKey();
        if (!header)
            problem(result, 0, "the file does not begin with REGEDIT4");
        if (dropped_ > 0)
            result.problems.push_back(
                {firstDropped_, "and " + std::to_string(dropped_) + " more lines not used"});
        return result;
    }

private:
    // One message per line: a second problem of the same line is added to it.
    // Returns the problem's place in the list, nullopt past kMaxProblems.
    std::optional<size_t> problem(ParseResult& result, size_t index, std::string message) {
        const int line = static_cast<int>(index + 1);
        auto& list = result.problems;
        if (!list.empty() && list.back().line == line) {
            list.back().message += "; " + message;
        } else if (list.size() < kMaxProblems) {
            list.push_back({line, std::move(message)});
        } else {
            if (dropped_++ == 0)
                firstDropped_ = line;
            return std::nullopt;
        }
        return list.size() - 1;
    }

    // A line left out before its data was reached may still have continuation
    // lines below it; they belong to it, not to the next value.
    void skipContinuations(std::string_view line) {
        while (!line.empty() && line.back() == '\\' && index_ + 1 < lines_.size())
            line = trim(lines_[++index_]);
    }

    // The line being read is the last and the file stops without its line end.
    bool cutShort() const { return unfinished_ && index_ + 1 == lines_.size(); }

    bool setError(std::string message) {
        error_ = std::move(message);
        return false;
    }

    std::optional<KeyPath> parseKey(std::string_view line) {
        if (line.back() != ']' || line.size() < 2) {
            setError("a key line must end in ]");
            return std::nullopt;
        }
        std::string_view inner = line.substr(1, line.size() - 2);
        if (!inner.empty() && inner.front() == '-') {
            setError("key deletion is not supported");
            return std::nullopt;
        }
        KeyPath path;
        while (true) {
            size_t sep = inner.find('\\');
            std::string_view part = inner.substr(0, sep);
            if (part.empty()) {
                setError("empty key name in the path");
                return std::nullopt;
            }
            path.emplace_back(part);
            if (sep == std::string_view::npos)
                return path;
            inner.remove_prefix(sep + 1);
        }
    }

    // Reads a quoted text starting at s[0] == '"'; leaves s after the quote.
    std::optional<std::string> quoted(std::string_view& s) {
        std::string out;
        for (size_t i = 1; i < s.size(); ++i) {
            char c = s[i];
            if (c == '"') {
                s.remove_prefix(i + 1);
                return out;
            }
            if (c == '\\') {
                if (++i == s.size())
                    break;
                switch (s[i]) {
                case '"':
                case '\\':
                    out += s[i];
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                default:
                    setError(std::string("unknown escape \\") + s[i]);
                    return std::nullopt;
                }
            } else {
                out += c;
            }
        }
        setError("unterminated text");
        return std::nullopt;
    }

    bool parseValue(std::string_view line, Values& values) {
        std::string name;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else if (line.front() == '"') {
            std::optional<std::string> n = quoted(line);
            if (!n)
                return false;
            name = std::move(*n);
        } else {
            return setError("expected a value name in quotes or @");
        }
        line = trim(line);
        if (line.empty() || line.front() != '=')
            return setError("expected = after the value name");
        line = trim(line.substr(1));

        // Every hex form may continue over several lines: take them all,
        // so that a value left out does not leave its tail to be misread.
        std::string joined;
        if (line.starts_with("hex")) {
            if (!joinContinuations(line, joined))
                return false;
            line = joined;
        }

        std::optional<Value> value;
        if (!line.empty() && line.front() == '"') {
            std::optional<std::string> text = quoted(line);
            if (!text)
                return false;
            if (!trim(line).empty())
                return setError("unexpected text after the value");
            value = Value::ofText(std::move(*text));
        } else if (line.starts_with("dword:")) {
            // The writer gives every dword 8 digits; fewer on a last line
            // without its line end are what a cut write left ("dword:009").
            if (cutShort() && trim(line.substr(6)).size() < 8)
                return setError("the file ends inside this value");
            value = parseDword(line.substr(6));
        } else if (line.starts_with("hex:")) {
            if (cutShort())
                return setError("the file ends inside this value");
            value = parseHex(line.substr(4));
        } else if (line.starts_with("hex(")) {
            return setError("unsupported value type");
        } else if (line == "-") {
            return setError("value deletion is not supported");
        } else {
            return setError("unrecognised value data");
        }
        if (!value)
            return false;
        values[name] = std::move(*value);
        return true;
    }

    std::optional<Value> parseDword(std::string_view digits) {
        if (digits.empty() || digits.size() > 8) {
            setError("a dword needs 1 to 8 hex digits");
            return std::nullopt;
        }
        uint32_t v = 0;
        for (char c : digits) {
            int d = hexDigit(c);
            if (d < 0) {
                setError("bad hex digit in a dword");
                return std::nullopt;
            }
            v = (v << 4) | static_cast<uint32_t>(d);
        }
        return Value::ofDword(v);
    }

    // Joins continuation lines: "hex:12,c0,\" + "  34".
    bool joinContinuations(std::string_view first, std::string& out) {
        out = trim(first);
        while (!out.empty() && out.back() == '\\') {
            out.pop_back();
            if (index_ + 1 >= lines_.size())
                return setError("continuation at the end of the file");
            out += trim(lines_[++index_]);
        }
        return true;
    }

    std::optional<Value> parseHex(std::string_view list) {
        std::vector<uint8_t> bytes;
        std::string_view rest = trim(list);
        while (!rest.empty()) {
            size_t comma = rest.find(',');
            std::string_view tok = trim(rest.substr(0, comma));
            int hi = tok.size() == 2 ? hexDigit(tok[0]) : 0;
            int lo = tok.empty() ? -1 : hexDigit(tok.back());
            if (tok.empty() || tok.size() > 2 || hi < 0 || lo < 0) {
                setError("bad byte in a hex list");
                return std::nullopt;
            }
            bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
            if (rest.empty()) {
                setError("hex list ends in a comma");
                return std::nullopt;
            }
        }
        return Value::ofBinary(std::move(bytes));
    }

    std::vector<std::string_view> lines_;
    bool unfinished_ = false; // the text does not end with a line end
    size_t index_ = 0;
    std::string error_;
    size_t dropped_ = 0; // problems past kMaxProblems
    int firstDropped_ = 0;
};

void appendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    out += '"';
}

void appendValue(std::string& out, const std::string& name, const Value& v) {
    std::string line;
    if (name.empty())
        line = "@";
    else
        appendQuoted(line, name);
    line += '=';
    char buf[16];
    switch (v.type) {
    case ValueType::Text:
        appendQuoted(line, v.text);
        break;
    case ValueType::Dword:
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(v.dword));
        line += buf;
        break;
    case ValueType::Binary:
        line += "hex:";
        for (size_t i = 0; i < v.bytes.size(); ++i) {
            std::snprintf(buf, sizeof buf, "%02x%s", v.bytes[i], i + 1 < v.bytes.size() ? "," : "");
            // Break only after a comma, i.e. before a byte that is not the first on its line.
            if (line.size() + 3 > kHexWrapColumn && line.back() == ',') {
                out += line;
                out += '\\';
                out += kEol;
                line = "  ";
            }
            line += buf;
        }
        break;
    }
    out += line;
    out += kEol;
}

} // namespace

ParseResult parse(std::string_view bytes) {
    const DecodedText text = decodeFile(bytes);
    ParseResult result = Parser(text.utf8).run();
    result.encoding = text.encoding;
    return result;
}

std::string write(const Document& doc) {
    std::string body;
    for (const auto& [path, values] : doc) {
        body += kEol;
        body += '[';
        for (size_t i = 0; i < path.size(); ++i) {
            if (i)
                body += '\\';
            body += path[i];
        }
        body += ']';
        body += kEol;
        for (const auto& [name, value] : values)
            appendValue(body, name, value);
    }
    body += kEol;
    std::string header(kHeader);
    header += kEol;
    if (std::optional<std::string> ansi = encodeAnsi(header + body))
        return std::move(*ansi);
    header = kUnicodeHeader;
    header += kEol;
    return encodeUtf16le(header + body);
}

std::string describe(const ParseError& error) {
    return "line " + std::to_string(error.line) + ": " + error.message;
}

} // namespace tamrel::reg
