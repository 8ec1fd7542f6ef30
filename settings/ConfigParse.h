#pragma once
// Text-to-value rules of the configuration pages: what an edit may hold and
// what it means. Pure functions, so that tests and the fuzzer drive them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamrel::cfg {

// Texts the store can read back: 79 bytes of UTF-8, memory key texts 253.
inline constexpr std::size_t kTextLimit = 79;
inline constexpr std::size_t kMemoryTextLimit = 253;
inline constexpr std::size_t kDevicePathLimit = 4095;

// The hours a stored offset may hold: one more would not fit a time zone.
inline constexpr int kMaxUtcOffsetHours = 23;
inline constexpr int kMaxSerialDigits = 5;

inline constexpr char kNotAnInteger[] = "Please enter an integer.";
inline constexpr char kDigitsOutOfRange[] = "Please enter an integer between 0 and 5.";
inline constexpr char kOffsetOutOfRange[] = "Please enter a UTC offset between -23 and 23 hours.";
inline constexpr char kEmptyHomeDir[] = "Please enter a home directory.";

// A whole number in a signed 32-bit range, blanks around it allowed, an
// optional sign; anything else (empty, a fraction, "12a", overflow) is none.
std::optional<int32_t> ParseInteger(std::string_view text);

// The stored sign-and-magnitude byte of an offset in hours; none beyond
// +/-23 hours, which the byte would store modulo 128.
std::optional<uint8_t> EncodeUtcOffset(int hours);

// The longest start of `text` of at most `limit` bytes that ends on a whole
// UTF-8 character.
std::string ClipUtf8(std::string_view text, std::size_t limit);

// Where a UDP listener listens: "[ADDRESS:]PORT", the address an IPv4 one
// written whole (127.0.0.1 unless given; a group 224.0.0.0 to 239.255.255.255
// is a multicast group), the port 1 to 65535. Blanks around are allowed.
struct UdpEndpoint {
    std::string address = "127.0.0.1";
    uint16_t port = 0;
    bool multicast() const;
    friend bool operator==(const UdpEndpoint&, const UdpEndpoint&) = default;
};
std::optional<UdpEndpoint> ParseUdpEndpoint(std::string_view text);
inline constexpr char kNotAnEndpoint[] =
    "Please enter a port (2237), or an IPv4 address and a port (127.0.0.1:2237 or the multicast "
    "group 239.255.0.1:2237); leave it empty for none.";

// Why `path` cannot name a serial device (empty names none, and is fine):
// not absolute, too long, or holding control characters. None when fine.
std::optional<std::string> DevicePathProblem(std::string_view path);

} // namespace tamrel::cfg
