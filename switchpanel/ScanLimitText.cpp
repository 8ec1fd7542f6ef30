#include "ScanLimitText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tamrel::switchpanel {

namespace {

// Whether a number too far out for a double is too small rather than too
// large: a negative exponent, or no exponent and only zeros before the point.
// Either way the result is corrected into the band, so the rare mantissa of
// hundreds of zeros that fools this does no harm.
bool underflows(std::string_view number) {
    const std::size_t e = number.find_first_of("eE");
    if (e != std::string_view::npos)
        return e + 1 < number.size() && number[e + 1] == '-';
    const std::string_view whole = number.substr(0, number.find('.'));
    return whole.find_first_not_of('0') == std::string_view::npos;
}

} // namespace

std::string FormatLimitKhz(uint32_t hz) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%10.2f", hz / 1000.0);
    return buf;
}

uint32_t ParseLimitKhz(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    // from_chars takes a minus but no plus.
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // A second sign ("+-5") is no number; from_chars would take the minus.
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        return 0;
    double khz = 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    auto [end, ec] = std::from_chars(first, last, khz, std::chars_format::general);
    if (end == first)
        return 0; // not a number
    if (ec == std::errc::result_out_of_range)
        khz = underflows({first, static_cast<std::size_t>(end - first)})
                  ? 0
                  : std::numeric_limits<double>::infinity();
    if (negative)
        khz = -khz;
    if (std::isnan(khz) || khz <= 0)
        return 0;
    // A decimal text is seldom exact in binary: 2.01 kHz times 1000 comes
    // out a hair under 2010 Hz. A ten-thousandth of a Hz, far above that
    // error and far below any step the radio takes, makes what the page
    // shows read back as the same Hz.
    const double hz = khz * 1000.0 + 1e-4;
    if (hz >= static_cast<double>(std::numeric_limits<uint32_t>::max()))
        return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(hz); // truncates toward zero
}

} // namespace tamrel::switchpanel
