#include "settings/ConfigParse.h"

#include <algorithm>
#include <charconv>

namespace tamrel::cfg {

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

std::optional<int32_t> ParseInteger(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    const bool plus = !text.empty() && text.front() == '+';
    if (plus)
        text.remove_prefix(1);
    // from_chars takes a leading '-' only; "+-5" is no number.
    if (text.empty() || (plus && text.front() == '-'))
        return std::nullopt;
    int32_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::optional<uint8_t> EncodeUtcOffset(int hours) {
    if (hours < -kMaxUtcOffsetHours || hours > kMaxUtcOffsetHours)
        return std::nullopt;
    return static_cast<uint8_t>(hours < 0 ? 0x80 | -hours : hours);
}

std::string ClipUtf8(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return std::string(text);
    std::size_t n = limit;
    // Step back over continuation bytes (10xxxxxx) to a character's start.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return std::string(text.substr(0, n));
}

std::optional<std::string> DevicePathProblem(std::string_view path) {
    if (path.empty())
        return std::nullopt;
    if (path.front() != '/')
        return "A device must be given by its full path, beginning with \"/\".";
    if (path.size() > kDevicePathLimit)
        return "The device path is too long.";
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "The device path holds a control character.";
    if (path.back() == '/')
        return "The device path names a folder, not a device.";
    return std::nullopt;
}

bool UdpEndpoint::multicast() const {
    const std::size_t dot = address.find('.');
    const std::optional<int32_t> first = ParseInteger(address.substr(0, dot));
    return first && *first >= 224 && *first <= 239;
}

std::optional<UdpEndpoint> ParseUdpEndpoint(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    auto number = [](std::string_view digits, int32_t max) -> std::optional<int32_t> {
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        const std::optional<int32_t> v = ParseInteger(digits);
        return v && *v <= max ? v : std::nullopt;
    };
    UdpEndpoint e;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        const std::string_view host = text.substr(0, colon);
        int parts = 0;
        for (std::size_t from = 0; from <= host.size(); ++parts) {
            const std::size_t dot = std::min(host.find('.', from), host.size());
            if (!number(host.substr(from, dot - from), 255))
                return std::nullopt;
            from = dot + 1;
        }
        if (parts != 4)
            return std::nullopt;
        e.address = std::string(host);
        text.remove_prefix(colon + 1);
    }
    const std::optional<int32_t> port = number(text, 65535);
    if (!port || *port == 0)
        return std::nullopt;
    e.port = static_cast<uint16_t>(*port);
    return e;
}

} // namespace tamrel::cfg
