#pragma once
// The QSO log's text format: one line per QSO, fields separated by ";".
//
// The file is 8-bit text. Lines end with "\n"; a "\r" before it is accepted
// and dropped. Every field, the last one included, is followed by ";".
//
// Normal QSO (13 fields):
//   0;<seq>;<call>;<date>;<band>;<Hz>;<mode>;<name>;<qth>;<my sig>;<his sig>;<qsl>;<comment>;
// Contest QSO (10 fields):
//   1;<seq>;<call>;<date>;<band>;<Hz>;<mode>;<exchange>;<qsl>;<comment>;
//
//   seq    sequence number from 1 in file order; read only to count numbered lines
//   date   local time as 14 digits MMDDYYYYhhmmss; empty = the time of reading
//   band   "  10M" .. "  160M" (two leading blanks); empty or unknown = no band (-1)
//   Hz     signed decimal, 32 bits; empty = 0
//   mode   "LSB" "USB" "CW" "RTTY" "CWR" "RTTYR"; empty = 0; any other name is
//          a mode the radio lacks, by its ADIF name ("FT8", "FT4", "FM": AdifModes.h),
//          kept as written (mode 0, adifMode the name)
//   qsl    one digit 0..3
//   texts  at most the field's capacity - 1 bytes (QSORecord.h), no NUL or "\r"
//
// A line that is empty after leading blanks, or whose first character after
// them is "#", "!", "*" or ".", is a comment. A line that is neither a comment
// nor a QSO by the rules above (or is longer than 255 bytes) is kept as it is:
// it is never listed, and a rewritten file carries it and every comment back
// unchanged, in its place among the QSOs.
//
// The kind of a file is the kind of its first QSO line; QSO lines of the other
// kind are kept lines as well, so that a file holds one kind.

#include "QSORecord.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

inline constexpr std::size_t kMaxLineBytes = 255;

// Why a line is kept instead of read as a QSO.
enum class LineFault {
    Type,      // type not 0 or 1
    Fields,    // fewer or more fields than the layout
    Text,      // a text longer than its field, or holding NUL or "\r"
    Date,      // neither empty nor a real 14-digit date and time
    Frequency, // not a 32-bit decimal number
    Qsl,       // not a digit 0..3
    Length,    // longer than 255 bytes
    OtherKind, // a QSO of the other kind than the file's
};
std::string_view describe(LineFault fault);

bool isCommentLine(std::string_view line);

struct ParsedLine {
    enum class Class { Comment, Qso, Kept };
    Class what = Class::Kept;
    QSORecord record;      // Qso only
    LineFault fault{};     // Kept only
    bool numbered = false; // the sequence field is there and not empty
};

// One line without its "\n" and "\r" (a "\r" left in makes the last field
// unreadable). `now` is the time
// given to a QSO whose date field is empty.
ParsedLine parseLine(std::string_view line, int64_t now);

// The line of a record, "\n" included. Texts are made fit first (fitText), so
// no record can write a line that reads back as other fields.
std::string formatLine(const QSORecord& record, int64_t sequence);

// A line of the file that is not a listed QSO: a comment or a kept line.
struct PassLine {
    std::size_t before = 0;         // number of listed QSOs ahead of it
    int64_t lineNumber = 0;         // 1-based, in the file it was read from
    std::string text;               // as it was, without the "\n"
    std::optional<LineFault> fault; // empty for a comment
    friend bool operator==(const PassLine&, const PassLine&) = default;
};

struct LogText {
    std::vector<QSORecord> records;
    std::vector<PassLine> passLines; // in file order
    std::optional<QsoKind> kind;     // of the first QSO line; none without QSOs
    int64_t numbered = 0;            // lines (QSO or kept) with a sequence number
};

// Splits a whole file into QSOs, comments and kept lines. A last line without
// "\n" is read like the others.
LogText readLogText(std::string_view content, int64_t now);

// The whole file: the records numbered from 1 in list order, with every pass
// line placed before the record its `before` names (after the last record
// when `before` is past the end).
std::string writeLogText(const std::vector<QSORecord>& records,
                         const std::vector<PassLine>& passLines);

} // namespace tamrel
