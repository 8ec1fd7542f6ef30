#include "K2RadioState.h"

namespace tamrel {

namespace {
// The fields in wire order; one table serves writing and reading.
template <class State, class F> void eachWord(State& s, F f) {
    f(s.vfoA);
    f(s.vfoB);
    f(s.mode);
    f(s.crystalFilter);
    f(s.bandwidth);
    f(s.audioFilter);
    f(s.agc);
    f(s.noiseBlanker);
    f(s.cwSpeed);
    f(s.antenna);
    f(s.power);
    f(s.receiveVfo);
    f(s.transmitVfo);
    f(s.preamp);
    f(s.attenuator);
    f(s.offset);
    f(s.ritOn);
    f(s.xitOn);
    f(s.bandIndex);
}
} // namespace

std::array<uint8_t, K2RadioState::kSize> K2RadioState::toBytes() const {
    std::array<uint8_t, kSize> out{};
    std::size_t pos = 0;
    eachWord(*this, [&](auto word) {
        auto v = static_cast<uint32_t>(word);
        for (int i = 0; i < 4; ++i)
            out[pos++] = static_cast<uint8_t>(v >> (8 * i));
    });
    return out;
}

std::optional<K2RadioState> K2RadioState::fromBytes(std::span<const uint8_t> bytes) {
    if (bytes.size() != kSize)
        return std::nullopt;
    K2RadioState s;
    std::size_t pos = 0;
    eachWord(s, [&](auto& word) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(bytes[pos++]) << (8 * i);
        word = static_cast<std::remove_reference_t<decltype(word)>>(v);
    });
    return s;
}

} // namespace tamrel
