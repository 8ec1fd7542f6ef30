#include "LogText.h"

#include "settings/RegEncoding.h"

#include <algorithm>
#include <optional>

namespace tamrel {

namespace {
bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
} // namespace

std::string logTextUtf8(std::string_view fieldBytes) {
    if (isAscii(fieldBytes) || reg::isValidUtf8(fieldBytes))
        return std::string(fieldBytes);
    return reg::decodeAnsi(fieldBytes);
}

std::string logTextBytes(std::string_view utf8) {
    if (isAscii(utf8))
        return std::string(utf8);
    std::optional<std::string> ansi = reg::encodeAnsi(utf8);
    if (ansi && !reg::isValidUtf8(*ansi))
        return std::move(*ansi);
    return std::string(utf8);
}

std::string keptOrEncoded(std::string_view editedUtf8, std::string_view originalBytes) {
    if (logTextUtf8(originalBytes) == editedUtf8)
        return std::string(originalBytes);
    return logTextBytes(editedUtf8);
}

} // namespace tamrel
