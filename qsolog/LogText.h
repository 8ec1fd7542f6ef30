#pragma once
// The 8-bit text of the log's fields and the program's own UTF-8.
//
// Logs from the original platform hold Windows-1252 ("Jos\xE9"); logs that
// earlier versions of this program wrote may hold UTF-8. A field that is
// well-formed UTF-8 reads as UTF-8, any other as Windows-1252 (every byte has
// a character there, so nothing reads as "?"). A text is written as
// Windows-1252 when all of it has a place there and those bytes cannot be
// taken for UTF-8; otherwise as UTF-8. Either way it reads back as written.
//
// A field the operator did not change keeps its bytes (keptOrEncoded), so
// that a rewrite changes no line but the edited one.

#include <string>
#include <string_view>

namespace tamrel {

std::string logTextUtf8(std::string_view fieldBytes);
std::string logTextBytes(std::string_view utf8);
// `edited` when it differs from what `original` reads as, else `original`.
std::string keptOrEncoded(std::string_view editedUtf8, std::string_view originalBytes);

} // namespace tamrel
