#pragma once
// The character encodings of registry export files, to and from UTF-8 (the
// program's own text). Pure C++.
//
// | File begins with | Encoding                                             |
// |------------------|------------------------------------------------------|
// | FF FE            | UTF-16LE (the Unicode export regedit writes)          |
// | FE FF            | UTF-16BE                                              |
// | EF BB BF         | UTF-8 (an export re-saved by an editor)               |
// | anything else    | Windows-1252, the ANSI code page of a REGEDIT4 export |
//
// Windows-1252 leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined; they read as
// U+0081 ... U+009D and write back as the same bytes (as Windows converts
// them), so every byte of an ANSI file survives a read and a write. Broken
// UTF-16 or UTF-8 sequences read as U+FFFD.

#include <optional>
#include <string>
#include <string_view>

namespace tamrel::reg {

enum class Encoding { Ansi, Utf16, Utf8 };

struct DecodedText {
    std::string utf8;
    Encoding encoding = Encoding::Ansi;
};

// The file's bytes as UTF-8, without the byte-order mark.
DecodedText decodeFile(std::string_view bytes);

// Windows-1252 bytes as UTF-8 (every byte has a character; see above).
std::string decodeAnsi(std::string_view bytes);
// Whether the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

// UTF-8 as Windows-1252; nullopt when a character has no place there.
std::optional<std::string> encodeAnsi(std::string_view utf8);
// UTF-8 as UTF-16LE with its byte-order mark.
std::string encodeUtf16le(std::string_view utf8);

// Characters (code points) in UTF-8 text, and its longest prefix of at most
// `limit` characters.
size_t countChars(std::string_view utf8);
std::string_view clipChars(std::string_view utf8, size_t limit);

} // namespace tamrel::reg
