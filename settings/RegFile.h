#pragma once
// Reader and writer of the registry's text export formats, the format of the
// settings file. Pure: bytes in, keys and typed values out.
//
// File layout (lines end in CR LF or LF; the writer uses CR LF):
//
//   REGEDIT4                                     header, the first non-blank line
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\ZZ9ZZ Software\Rig Control]   a key: its path,
//   "HomeDir"="/home/op/Tamrel"                  components separated by "\"
//   "Application Color"=dword:00dfb880
//   "Offset from UTC"=hex:87
//   @="the key's default value"
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\ZZ9ZZ Software\Rig Control\Comm Port]
//   "Speed"=hex:12,c0
//
// | Line               | Meaning                                                   |
// |--------------------|-----------------------------------------------------------|
// | `REGEDIT4`         | header of the ANSI format (Windows-1252 text)             |
// | `Windows Registry Editor Version 5.00` | header of the Unicode format (UTF-16) |
// | `[path]`           | starts a key; empty path components are an error          |
// | `"name"=` or `@=`  | a value of the current key; `@` is the default value      |
// | `="text"`          | text; escapes `\"`, `\\`, and (our addition) `\n`, `\r`  |
// | `=dword:hhhhhhhh`  | 32-bit number, 1 to 8 hex digits, most significant first  |
// | `=hex:hh,hh,...`   | bytes in file order; may be empty; a line ending in "\"   |
// |                    | continues on the next line (as Windows wraps long values) |
// | `; ...`, blank     | ignored                                                   |
//
// The character encoding goes by the byte-order mark (settings/RegEncoding.h),
// either header with either. The writer uses REGEDIT4 in Windows-1252 when
// every name and text fits that code page, and otherwise the Unicode format
// (UTF-16LE with its mark, as regedit writes it), so no character is lost.
//
// Blanks around "=" and at either end of a line are allowed. Everything else
// is a problem with its line number, never guessed at: key or value deletion
// (`[-path]`, `=-`), other typed data (`hex(2):` ...), text after a value,
// a value before the first key, a missing header. A line with a problem is
// left out and the rest of the file is read; a key line with a problem leaves
// out the values below it, up to the next key. A later value of the same name
// replaces an earlier one; a key named twice collects the values of both.

#include "settings/RegEncoding.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel::reg {

enum class ValueType { Text, Dword, Binary };

struct Value {
    ValueType type = ValueType::Text;
    std::string text;           // Text
    uint32_t dword = 0;         // Dword
    std::vector<uint8_t> bytes; // Binary

    static Value ofText(std::string t) { return {ValueType::Text, std::move(t), 0, {}}; }
    static Value ofDword(uint32_t d) { return {ValueType::Dword, {}, d, {}}; }
    static Value ofBinary(std::vector<uint8_t> b) {
        return {ValueType::Binary, {}, 0, std::move(b)};
    }
    friend bool operator==(const Value&, const Value&) = default;
};

// Key path (components without "\") -> value name ("" = default value) -> value.
using KeyPath = std::vector<std::string>;
using Values = std::map<std::string, Value>;
using Document = std::map<KeyPath, Values>;

struct ParseError {
    int line = 0; // 1-based
    std::string message;
};

struct ParseResult {
    Document doc;                     // everything that could be read
    std::vector<ParseError> problems; // lines left out, in file order
    Encoding encoding = Encoding::Ansi;
    bool ok() const { return problems.empty(); }
};

// At most this many problems are listed; one more says how many lines followed.
inline constexpr size_t kMaxProblems = 100;

// The file's bytes, in any of the encodings above.
ParseResult parse(std::string_view bytes);

// The file's bytes. Keys in path order (a key before its subkeys), values in
// name order, so the same document always gives the same bytes.
std::string write(const Document& doc);

// "line 12: unterminated text"
std::string describe(const ParseError& error);

} // namespace tamrel::reg
