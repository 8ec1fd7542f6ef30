#pragma once
// K2RadioState: a snapshot of the radio's settings as the front panel knows
// them. Stored in memories, handed to the logging threads and answered to
// other programs on the control socket.
//
// Wire and file layout: nineteen 32-bit little-endian words, 76 bytes.
//   0 VFO A Hz          1 VFO B Hz          2 mode code       3 crystal filter 1..4
//   4 filter bandwidth  5 audio filter 0..2 6 AGC code        7 noise blanker 0..2
//   8 CW speed          9 antenna 1..2     10 power value    11 receive VFO 0/1
//  12 transmit VFO 0/1 13 preamp 0/1       14 attenuator 0/1 15 RIT/XIT offset (signed)
//  16 RIT on 0/1       17 XIT on 0/1       18 band index 0..8

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace tamrel {

struct K2RadioState {
    uint32_t vfoA = 0;
    uint32_t vfoB = 0;
    uint32_t mode = 0;
    uint32_t crystalFilter = 0;
    uint32_t bandwidth = 0;
    uint32_t audioFilter = 0;
    uint32_t agc = 0;
    uint32_t noiseBlanker = 0;
    uint32_t cwSpeed = 0;
    uint32_t antenna = 0;
    uint32_t power = 0;
    uint32_t receiveVfo = 0;
    uint32_t transmitVfo = 0;
    uint32_t preamp = 0;
    uint32_t attenuator = 0;
    int32_t offset = 0;
    uint32_t ritOn = 0;
    uint32_t xitOn = 0;
    uint32_t bandIndex = 0;

    static constexpr std::size_t kWords = 19;
    static constexpr std::size_t kSize = kWords * 4;

    std::array<uint8_t, kSize> toBytes() const;
    // Nothing when the span is not exactly kSize bytes.
    static std::optional<K2RadioState> fromBytes(std::span<const uint8_t> bytes);

    friend bool operator==(const K2RadioState&, const K2RadioState&) = default;
};

static_assert(K2RadioState::kSize == 76);

} // namespace tamrel
