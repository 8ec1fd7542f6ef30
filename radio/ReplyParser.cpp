#include "ReplyParser.h"

#include <algorithm>
#include <cstring>

namespace tamrel {

namespace {

struct NamedId {
    std::string_view name;
    int id;
};

// kCommandNames sorted by name ("TX" before "UP"), each with its id.
constexpr auto kSortedNames = [] {
    std::array<NamedId, kCommandNames.size()> sorted{};
    for (std::size_t i = 0; i < sorted.size(); ++i)
        sorted[i] = {kCommandNames[i], static_cast<int>(i + 1)};
    std::sort(sorted.begin(), sorted.end(),
              [](const NamedId& a, const NamedId& b) { return a.name < b.name; });
    return sorted;
}();
static_assert(kSortedNames[31].name == "TX" && kSortedNames[32].name == "UP");

// The display's placeholder codes and the characters they stand for.
char displayCharacter(char c) {
    switch (c) {
    case '<':
        return 'L';
    case '>':
        return '-';
    case '@':
        return ' ';
    case 'M':
        return 'N';
    case 'Q':
        return 'O';
    case 'V':
        return 'U';
    case 'W':
        return 'I';
    case 'X':
        return 'c';
    case 'Z':
        return 'C';
    case '[':
        return 'r';
    default:
        return c;
    }
}

// The display reply "DS", eight display bytes, two status bytes, rewritten as
// "DS", the display text with a "." before every character whose bit 7 is set,
// and the status bytes as four lowercase hexadecimal digits. Display bytes that
// are missing are left out, missing status bytes count as 0, bytes past the
// status bytes are ignored.
std::string_view convertDisplay(std::string_view in,
                                std::array<char, ReplyParser::kMaxDisplay>& out) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::size_t pos = 0;
    out[pos++] = 'D';
    out[pos++] = 'S';
    for (std::size_t i = 2; i < 10 && i < in.size(); ++i) {
        auto c = static_cast<unsigned char>(in[i]);
        if (c & 0x80) {
            out[pos++] = '.';
            c &= 0x7f;
        }
        out[pos++] = displayCharacter(static_cast<char>(c));
    }
    for (std::size_t i = 10; i < 12; ++i) {
        auto b = i < in.size() ? static_cast<unsigned char>(in[i]) : 0u;
        out[pos++] = kHex[b >> 4];
        out[pos++] = kHex[b & 0xf];
    }
    return {out.data(), pos};
}

} // namespace

int ReplyIdOf(std::string_view text) {
    if (text.size() < 2)
        return ID_NONE;
    std::string_view name = text.substr(0, 2);
    auto it = std::lower_bound(kSortedNames.begin(), kSortedNames.end(), name,
                               [](const NamedId& e, std::string_view n) { return e.name < n; });
    return it != kSortedNames.end() && it->name == name ? it->id : ID_NONE;
}

void ReplyParser::append(std::string_view bytes) {
    if (overlong_)
        return;
    if (bytes.size() > kMaxReply - length_) {
        overlong_ = true;
        length_ = 0;
        return;
    }
    std::memcpy(reply_.data() + length_, bytes.data(), bytes.size());
    length_ += bytes.size();
}

std::optional<ReplyParser::Reply> ReplyParser::finish() {
    std::string_view text(reply_.data(), length_);
    length_ = 0;
    if (overlong_) {
        overlong_ = false;
        return std::nullopt;
    }
    if (text.empty())
        return std::nullopt;
    int id = ReplyIdOf(text);
    if (id == ID_DS) {
        text = convertDisplay(text, display_);
        if (text == lastDisplay_)
            return std::nullopt;
        lastDisplay_.assign(text);
    } else if (id == ID_BG) {
        if (text == lastBarGraph_)
            return std::nullopt;
        lastBarGraph_.assign(text);
    }
    return Reply{id, text};
}

} // namespace tamrel
