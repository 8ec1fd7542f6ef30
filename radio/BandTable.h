#pragma once
// Radio data: the nine amateur bands the program knows, 10 m (index 0) to 160 m (index 8),
// with their default edges and default VFO frequencies.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamrel {

struct BandRecord {
    std::string label; // "  10M" .. "  160M" (two leading blanks)
    int32_t index = 0; // 0..8
    uint32_t lowHz = 0;
    uint32_t highHz = 0;
    friend bool operator==(const BandRecord&, const BandRecord&) = default;
};

inline constexpr int kBandCount = 9;
// Band names as used in settings value names: "10M" .. "160M".
inline constexpr std::array<std::string_view, kBandCount> kBandNames = {
    "10M", "12M", "15M", "17M", "20M", "30M", "40M", "80M", "160M"};

struct BandDefault {
    uint32_t lowHz;
    uint32_t highHz;
    uint32_t vfoHz; // default for VFO A and B alike
};
inline constexpr std::array<BandDefault, kBandCount> kBandDefaults = {{
    {28000000, 29960000, 28060000},
    {24890000, 24990000, 24906000},
    {21000000, 21450000, 21060000},
    {18068000, 18168000, 18069000},
    {14000000, 14350000, 14060000},
    {10000000, 10150000, 10106000},
    {7000000, 7300000, 7040000},
    {3500000, 4000000, 3560000},
    {1800000, 2000000, 1810000},
}};

using BandTable = std::array<BandRecord, kBandCount>;

// The table with its default edges and labels.
inline BandTable defaultBandTable() {
    BandTable t;
    for (int i = 0; i < kBandCount; ++i)
        t[i] = BandRecord{"  " + std::string(kBandNames[i]), i, kBandDefaults[i].lowHz,
                          kBandDefaults[i].highHz};
    return t;
}

// The first band, in index order, whose edges (inclusive) hold the frequency.
inline std::optional<BandRecord> findBandIn(const BandTable& table, uint32_t hz) {
    for (const BandRecord& b : table)
        if (b.lowHz <= hz && hz <= b.highHz)
            return b;
    return std::nullopt;
}

// Per-band VFO memory: VFO A and B of each band, in band order.
struct VfoPair {
    uint32_t a = 0;
    uint32_t b = 0;
    friend bool operator==(const VfoPair&, const VfoPair&) = default;
};
using VfoMemory = std::array<VfoPair, kBandCount>;

inline VfoMemory defaultVfoMemory() {
    VfoMemory m;
    for (int i = 0; i < kBandCount; ++i)
        m[i] = {kBandDefaults[i].vfoHz, kBandDefaults[i].vfoHz};
    return m;
}

} // namespace tamrel
