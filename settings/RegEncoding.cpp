#include "settings/RegEncoding.h"

#include <array>
#include <cstdint>

namespace tamrel::reg {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 0x80..0x9F; the rest of the page is Latin-1. Our own table:
// Qt has this code page only when built with ICU, and then maps it the same
// way (a test compares the two).
constexpr std::array<char32_t, 32> kAnsiHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The next character of UTF-8 text; a malformed sequence (overlong, surrogate,
// beyond U+10FFFF, cut short) is one U+FFFD per byte that cannot start one.
char32_t nextChar(std::string_view s, size_t& i) {
    const auto b0 = static_cast<uint8_t>(s[i++]);
    if (b0 < 0x80)
        return b0;
    int more = 0;
    char32_t c = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        more = 1, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        more = 2, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        more = 3, c = b0 & 0x07, min = 0x10000;
    } else {
        return kReplacement;
    }
    size_t j = i;
    for (int k = 0; k < more; ++k, ++j) {
        if (j >= s.size() || (static_cast<uint8_t>(s[j]) & 0xC0) != 0x80)
            return kReplacement;
        c = (c << 6) | (static_cast<uint8_t>(s[j]) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return kReplacement;
    i = j;
    return c;
}

std::string decodeUtf16(std::string_view bytes, bool littleEndian) {
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](size_t i) -> char16_t {
        const auto a = static_cast<uint8_t>(bytes[i]);
        const auto b = static_cast<uint8_t>(bytes[i + 1]);
        return static_cast<char16_t>(littleEndian ? a | (b << 8) : (a << 8) | b);
    };
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            const char16_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, c >= 0xD800 && c <= 0xDFFF ? kReplacement : c);
    }
    if (i < bytes.size()) // an odd byte at the end
        appendUtf8(out, kReplacement);
    return out;
}

} // namespace

DecodedText decodeFile(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE"))
        return {decodeUtf16(bytes.substr(2), true), Encoding::Utf16};
    if (bytes.starts_with("\xFE\xFF"))
        return {decodeUtf16(bytes.substr(2), false), Encoding::Utf16};
    DecodedText out;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        out.encoding = Encoding::Utf8;
        bytes.remove_prefix(3);
        for (size_t i = 0; i < bytes.size();)
            appendUtf8(out.utf8, nextChar(bytes, i));
        return out;
    }
    out.utf8 = decodeAnsi(bytes);
    return out;
}

std::string decodeAnsi(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<uint8_t>(ch);
        appendUtf8(out, b >= 0x80 && b < 0xA0 ? kAnsiHigh[b - 0x80] : char32_t(b));
    }
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t at = i;
        if (nextChar(bytes, i) == kReplacement && !bytes.substr(at).starts_with("\xEF\xBF\xBD"))
            return false;
    }
    return true;
}

std::optional<std::string> encodeAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const char32_t c = nextChar(utf8, i);
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(c);
            continue;
        }
        size_t k = 0;
        while (k < kAnsiHigh.size() && kAnsiHigh[k] != c)
            ++k;
        if (k == kAnsiHigh.size())
            return std::nullopt;
        out += static_cast<char>(0x80 + k);
    }
    return out;
}

std::string encodeUtf16le(std::string_view utf8) {
    std::string out("\xFF\xFE");
    out.reserve(2 + utf8.size() * 2);
    auto put = [&](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (size_t i = 0; i < utf8.size();) {
        const char32_t c = nextChar(utf8, i);
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

size_t countChars(std::string_view utf8) {
    size_t n = 0;
    for (size_t i = 0; i < utf8.size(); ++n)
        nextChar(utf8, i);
    return n;
}

std::string_view clipChars(std::string_view utf8, size_t limit) {
    size_t i = 0;
    for (size_t n = 0; n < limit && i < utf8.size(); ++n)
        nextChar(utf8, i);
    return utf8.substr(0, i);
}

} // namespace tamrel::reg
