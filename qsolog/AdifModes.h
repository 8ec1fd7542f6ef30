#pragma once
// The ADIF modes a QSO can have beyond the radio's own six (LSB, USB, CW,
// RTTY and their reverse forms): FT8, FT4, JS8, PSK31, FM, AM and the rest of
// ADIF 3.1's mode list. A log line names such a mode by one word, the ADIF
// submode when it has one (FT4, PSK31: each names its mode too), else the
// mode (FT8, FM).

#include <optional>
#include <string>
#include <string_view>

namespace tamrel {

struct AdifModePair {
    std::string_view mode;
    std::string_view submode; // empty when the name is a mode
};

// The ADIF MODE and SUBMODE of a line's name (any case); none when ADIF
// knows no such mode or submode.
std::optional<AdifModePair> adifModeOfName(std::string_view name);

// The line's name for an ADIF MODE and SUBMODE (any case): the submode when
// ADIF knows it (under that mode, or under any when MODE is empty), else the
// mode; empty when ADIF knows neither.
std::string lineModeOfAdif(std::string_view mode, std::string_view submode);

// Cabrillo's mode of a name: "PH", "FM", "RY", "CW" or "DG"; empty when unknown.
std::string_view cabrilloModeOfName(std::string_view name);

} // namespace tamrel
