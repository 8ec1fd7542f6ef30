// Feeds arbitrary texts to the scan limit reader and to "Start": a text
// reads as some Hz without fault, what the page shows reads back as what it
// shows, and a scan never starts outside the band or with its limits crossed.

#include "switchpanel/FrequencyScanner.h"
#include "switchpanel/ScanLimitText.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

using namespace tamrel;
using namespace tamrel::switchpanel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    (void)ParseLimitKhz(text);

    // The input's first bytes as a frequency: shown, then read back, it is
    // that frequency to the 10 Hz the display keeps.
    uint32_t hz = 0;
    std::memcpy(&hz, data, std::min(size, sizeof hz));
    const uint32_t back = ParseLimitKhz(FormatLimitKhz(hz));
    if (back != std::numeric_limits<uint32_t>::max()) {
        const int64_t diff = int64_t(back) - int64_t(hz);
        if (back % 10 != 0 || diff < -5 || diff > 5)
            std::abort();
    }

    // The input split at the first newline as the two limit texts, on 40 m
    // and on a band whose edges also come from the input.
    const std::size_t cut = text.find('\n');
    const std::string low(text.substr(0, cut));
    const std::string high(cut == std::string_view::npos ? "" : text.substr(cut + 1));
    uint32_t edge = 0;
    if (size >= 8)
        std::memcpy(&edge, data + 4, sizeof edge);
    for (const BandRecord& band : {BandRecord{"  40M", 6, 7000000, 7300000},
                                   BandRecord{"  ?", 0, std::min(hz, edge), std::max(hz, edge)}}) {
        FrequencyScanner s;
        s.Scan();
        s.BandArrived(band, 0, 0);
        s.SetTexts(low, high);
        const StartOutcome out = s.Start();
        if (out.started &&
            (out.lowHz < band.lowHz || out.highHz > band.highHz || out.lowHz > out.highHz ||
             out.highHz > uint32_t(std::numeric_limits<int32_t>::max())))
            std::abort();
        // Either it started, or it says why and waits with the limits still open.
        if (out.started != s.Scanning() || out.started == !out.error.empty() ||
            out.started == s.Editable())
            std::abort();
    }
    return 0;
}
