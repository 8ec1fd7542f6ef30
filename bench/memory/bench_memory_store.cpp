// The memory store's load and save of a full 100-memory file, on the real
// file system (each save writes the file and its backup all-or-nothing).

#include "memory/CK2MemoryStore.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <string>

using namespace tamrel;

namespace {

K2MemoryRecord Named(const std::string& name, uint32_t hz) {
    K2MemoryRecord r;
    r.SetName(name);
    r.state.vfoA = hz;
    r.state.vfoB = hz + 1000;
    r.state.mode = 3;
    return r;
}

// A home folder whose memory file holds all 100 memories.
struct FullStore {
    FullStore() {
        CK2MemoryStore store(dir.path().toStdString());
        for (uint32_t i = 0; i < CK2MemoryStore::kMemorySlots; ++i)
            (void)store.AddMemory(Named("Memory " + std::to_string(i), 7000000 + 100 * i));
    }
    QTemporaryDir dir;
};

void BM_LoadFullStore(benchmark::State& state) {
    FullStore full;
    for (auto _ : state) {
        CK2MemoryStore store(full.dir.path().toStdString());
        benchmark::DoNotOptimize(store.UsedMemories());
    }
}
BENCHMARK(BM_LoadFullStore)->Unit(benchmark::kMillisecond);

void BM_SaveFullStore(benchmark::State& state) {
    FullStore full;
    CK2MemoryStore store(full.dir.path().toStdString());
    uint32_t hz = 14000000;
    for (auto _ : state) {
        if (store.EditMemory("Memory 50", Named("Memory 50", hz += 10)) != 0)
            state.SkipWithError("edit failed");
    }
}
BENCHMARK(BM_SaveFullStore)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
