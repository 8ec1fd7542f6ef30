// Feeds arbitrary text to the configuration pages' text-to-value rules: the
// integer exchange, the UTC offset, band edges and device paths. Whatever is
// taken must mean what it says; nothing may crash.

#include "settings/ConfigParse.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tamrel::cfg;
    const std::string text(reinterpret_cast<const char*>(data), size);

    if (std::optional<int32_t> v = ParseInteger(text)) {
        // A number taken prints back to what it was read from, blanks and a
        // plus sign aside.
        if (ParseInteger(std::to_string(*v)) != v)
            std::abort();
        if (text.find_first_not_of(" \t+-0123456789") != std::string::npos)
            std::abort();
        // The offset byte decodes to the hours, or the hours were refused.
        if (std::optional<uint8_t> b = EncodeUtcOffset(*v)) {
            const int hours = (*b & 0x80) ? -(*b & 0x7F) : (*b & 0x7F);
            if (hours != *v || *v < -kMaxUtcOffsetHours || *v > kMaxUtcOffsetHours)
                std::abort();
        } else if (*v >= -kMaxUtcOffsetHours && *v <= kMaxUtcOffsetHours) {
            std::abort();
        }
        // A band edge taken is a non-negative number that fits the stored dword.
        if (*v >= 0 && static_cast<uint32_t>(*v) > 0x7FFFFFFFu)
            std::abort();
    }

    for (size_t limit : {kTextLimit, kMemoryTextLimit}) {
        const std::string clipped = ClipUtf8(text, limit);
        if (clipped.size() > limit || text.compare(0, clipped.size(), clipped) != 0)
            std::abort();
        // Cut before a character's first byte, never inside one.
        if (clipped.size() < text.size() && !clipped.empty() &&
            (static_cast<unsigned char>(text[clipped.size()]) & 0xC0) == 0x80)
            std::abort();
    }

    if (!DevicePathProblem(text)) {
        if (!text.empty() && (text.front() != '/' || text.size() > kDevicePathLimit))
            std::abort();
        for (char c : text)
            if (static_cast<unsigned char>(c) < 0x20)
                std::abort();
    }
    return 0;
}
