// The log file at the sizes an operator meets: loading 100,000 QSOs, one
// append (with its fdatasync) to a log of 100 and of 100,000 QSOs, a whole
// rewrite of 100,000, and a search by call over 100,000. The second argument
// is the kind: 0 normal QSOs, 1 contest QSOs (type-1 lines). The files live in a
// temporary folder under $TMPDIR, so the append and rewrite figures are those
// of that disk.
#include "qsolog/QsoLogFile.h"
#include "settings/CRigControlRegistry.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>

using namespace tamrel;

namespace {

QSORecord qso(int i, QsoKind kind) {
    QSORecord r;
    r.type = kind;
    r.time = 1070632929 + i * 60;
    r.call = "K" + std::to_string(i % 5000) + "ABC";
    r.frequency = 14025000 + i % 1000;
    r.band = 4;
    r.mode = 3;
    if (kind == QsoKind::Contest) {
        r.exchange = "599 " + std::to_string(i + 1);
    } else {
        r.name = "Name" + std::to_string(i % 97);
        r.qth = "Somewhere";
        r.hisSig = "599";
        r.mySig = "579";
    }
    r.comment = "benchmark";
    return r;
}

QsoKind kindOf(const benchmark::State& state) {
    return state.range(1) ? QsoKind::Contest : QsoKind::Normal;
}

// A home folder with a log of `count` QSOs, and a loaded QsoLogFile on it.
struct LoadedLog {
    LoadedLog(int count, QsoKind kind) : kind(kind) {
        std::vector<QSORecord> records;
        for (int i = 0; i < count; ++i)
            records.push_back(qso(i, kind));
        std::ofstream(home() + "/Tamrel.QSO.Log", std::ios::binary) << writeLogText(records, {});
        registry.CreateDefaultSettings();
        log.load(std::nullopt, mode(), true);
    }
    uint8_t mode() const { return kind == QsoKind::Contest ? 1 : 0; }
    std::string home() const { return dir.path().toStdString(); }

    QsoKind kind;
    QTemporaryDir dir;
    RecordingPrompter prompter;
    CRigControlRegistry registry{prompter, home() + "/Rig.reg"};
    QsoLogFile log{registry, home()};
};

} // namespace

static void BM_Load(benchmark::State& state) {
    LoadedLog fixture(static_cast<int>(state.range(0)), kindOf(state));
    for (auto _ : state) {
        fixture.log.load(std::nullopt, fixture.mode(), true);
        benchmark::DoNotOptimize(fixture.log.records().data());
    }
    state.counters["qsos"] = static_cast<double>(fixture.log.records().size());
}
BENCHMARK(BM_Load)->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMillisecond);

static void BM_Append(benchmark::State& state) {
    LoadedLog fixture(static_cast<int>(state.range(0)), kindOf(state));
    int i = 0;
    for (auto _ : state)
        if (!fixture.log.add(qso(i++, fixture.kind)).written())
            state.SkipWithError("append failed");
}
BENCHMARK(BM_Append)
    ->Args({100, 0})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

static void BM_Rewrite(benchmark::State& state) {
    LoadedLog fixture(static_cast<int>(state.range(0)), kindOf(state));
    for (auto _ : state)
        if (!fixture.log.rewrite().written())
            state.SkipWithError("rewrite failed");
}
BENCHMARK(BM_Rewrite)
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

static void BM_SearchByCall(benchmark::State& state) {
    LoadedLog fixture(static_cast<int>(state.range(0)), kindOf(state));
    for (auto _ : state)
        benchmark::DoNotOptimize(searchLog(fixture.log.records(), "k1234abc"));
}
BENCHMARK(BM_SearchByCall)->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
