#include "K2Commands.h"

#include <cstdio>

namespace tamrel {

int ModeIndexOfCode(int code) {
    for (std::size_t i = 0; i < kModes.size(); ++i)
        if (kModes[i].code == code)
            return static_cast<int>(i);
    return -1;
}

int ModeCodeOfIndex(int index) {
    if (index < 0 || index >= static_cast<int>(kModes.size()))
        return -1;
    return kModes[static_cast<std::size_t>(index)].code;
}

std::string_view ModeNameOfCode(int code) {
    int i = ModeIndexOfCode(code);
    return i < 0 ? std::string_view() : kModes[static_cast<std::size_t>(i)].name;
}

std::string FormatKHz(uint32_t hz) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%10.2f", static_cast<double>(hz) * 0.001);
    return buf;
}

} // namespace tamrel
