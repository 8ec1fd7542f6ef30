// Feeds arbitrary bytes, at arbitrary times, to the simulated radio's model.
// Whatever it receives, its fixed-layout replies keep their lengths.
#include "sim/K2Model.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using tamrel::k2sim::Millis;
    tamrel::k2sim::K2Model model;
    Millis now{0};
    std::size_t i = 0;
    while (i < size) {
        // The first byte of each chunk is the time that passes before it.
        now += Millis(data[i] * 5);
        const std::size_t n = std::min<std::size_t>(16, size - i - 1);
        model.receive(std::string_view(reinterpret_cast<const char*>(data + i + 1), n), now);
        model.takeDue(now);
        i += n + 1;
    }
    if (model.replyIF(now).size() != 38 || model.replyDS(now).size() != 13 ||
        model.replyBG(now).size() != 5)
        std::abort();
    return 0;
}
