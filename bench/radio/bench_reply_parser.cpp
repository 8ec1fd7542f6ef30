// The reply parser over a realistic stream: a second of status polling (DS
// and BG, mostly repeats) mixed with tuning reports (IF, FA), fed in reads of
// up to 512 bytes as the receive thread does. The line itself carries at most
// 3.84 kB/s at 38400 baud.
#include "radio/ReplyParser.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace tamrel;

namespace {
std::string replyStream() {
    std::string s;
    for (int i = 0; i < 200; ++i) {
        // The display changes every fourth poll, the bar graph every other one.
        s += std::string("DS@14060") + char('0' | 0x80) + char('0' + i / 4 % 10) + "0\x92\x80;";
        s += "BG" + std::to_string(12 + i / 2 % 10) + ";";
        s += "IF00014060" + std::to_string(100 + i % 900) + "     +00000000020000001;";
        s += "FA00014060" + std::to_string(100 + i % 900) + ";";
    }
    return s;
}
} // namespace

static void BM_ReplyParser(benchmark::State& state) {
    const std::string stream = replyStream();
    ReplyParser parser;
    std::size_t replies = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < stream.size(); i += 512)
            parser.feed(std::string_view(stream).substr(i, 512),
                        [&](int id, std::string_view text) {
                            benchmark::DoNotOptimize(text.data());
                            replies += static_cast<std::size_t>(id != 0);
                        });
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["replies/s"] =
        benchmark::Counter(static_cast<double>(replies), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReplyParser);

BENCHMARK_MAIN();
