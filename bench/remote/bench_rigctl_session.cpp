// The rigctld protocol's share of a poll answer: one session answering the
// lines a polling client sends, without the socket. The socket and the
// client's own time are measured by scripts/measure-rigctld.sh.
#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"
#include "remote/RigctlSession.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace tamrel;

namespace {
void Answer(benchmark::State& state, const char* line) {
    K2RadioModel model;
    RadioOperations ops(model);
    RigctlSession session(ops);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string reply = session.HandleLine(line);
        bytes += reply.size();
        benchmark::DoNotOptimize(reply);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
} // namespace

static void BM_GetFreq(benchmark::State& state) {
    Answer(state, "f");
}
BENCHMARK(BM_GetFreq);

static void BM_FreqModeVfo(benchmark::State& state) {
    Answer(state, "fmv");
}
BENCHMARK(BM_FreqModeVfo);

static void BM_ExtendedGetMode(benchmark::State& state) {
    Answer(state, "+\\get_mode");
}
BENCHMARK(BM_ExtendedGetMode);

static void BM_SetFreq(benchmark::State& state) {
    // Without a channel the operation changes the model only.
    Answer(state, "F 14060000");
}
BENCHMARK(BM_SetFreq);

static void BM_DumpState(benchmark::State& state) {
    Answer(state, "\\dump_state");
}
BENCHMARK(BM_DumpState);

BENCHMARK_MAIN();
