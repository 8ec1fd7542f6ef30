#pragma once
// Text helpers shared by the ADIF writer and reader; not for other users.

#include <string>
#include <string_view>

namespace tamrel::adif {

bool isAscii(std::string_view s);
bool isDigits(std::string_view s);
char upper(char c);
std::string upperText(std::string_view s);
bool equalNoCase(std::string_view a, std::string_view b);
// Without blanks, tabs and line ends at either end.
std::string trimmed(std::string_view s);
// The log's text as UTF-8 (LogText.h).
std::string utf8Of(std::string_view s);
// Plain ASCII of a UTF-8 text: accents dropped, other characters "?".
std::string asciiOf(std::string_view utf8);

} // namespace tamrel::adif
