#pragma once
// Scan limits as the operator types and reads them: kHz with two decimals in
// ten characters ("   7000.00"), read back into whole Hz.

#include <cstdint>
#include <string>
#include <string_view>

namespace tamrel::switchpanel {

// "%10.2f" of hz / 1000.
std::string FormatLimitKhz(uint32_t hz);

// Reads a text as kHz the way "%f" would (leading blanks, a sign, digits with
// an optional fraction and exponent; whatever follows the number is ignored)
// and truncates it to whole Hz; a text made by FormatLimitKhz reads back as
// the Hz it shows. A text that is not a number, a NaN and any
// negative value read as 0; a value beyond the 32-bit range reads as
// UINT32_MAX, so a huge text is never converted out of range.
uint32_t ParseLimitKhz(std::string_view text);

} // namespace tamrel::switchpanel
