// Log interchange at 100,000 QSOs: ADIF export of the list, ADIF import into
// an empty log (reading, mapping, dupe check and the one rewrite with its
// fsync), the Cabrillo export, and the dupe check that runs on every key
// press in the call field.
#include "qsolog/Cabrillo.h"
#include "qsolog/LogInterchange.h"
#include "settings/CRigControlRegistry.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <filesystem>

using namespace tamrel;

namespace {

QSORecord qso(int i, QsoKind kind = QsoKind::Normal) {
    QSORecord r;
    r.type = kind;
    r.time = 1070632929 + int64_t{i} * 60;
    r.call = "K" + std::to_string(i % 5000) + "ABC";
    r.frequency = 14025000 + i % 1000;
    r.band = 4;
    r.mode = (i % 3 == 0) ? 2 : 3;
    if (kind == QsoKind::Normal) {
        r.name = "Name" + std::to_string(i % 97);
        r.qth = "Somewhere";
        r.hisSig = "599";
        r.mySig = "579";
    } else {
        r.exchange = "599 " + std::to_string(i % 1000);
    }
    r.comment = "benchmark";
    return r;
}

std::vector<QSORecord> qsos(int count, QsoKind kind = QsoKind::Normal) {
    std::vector<QSORecord> v;
    v.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        v.push_back(qso(i, kind));
    return v;
}

AdifExportOptions exportOptions() {
    AdifExportOptions o;
    o.programVersion = "bench";
    o.stationCallsign = "N0CALL";
    return o;
}

} // namespace

static void BM_AdifExport(benchmark::State& state) {
    const std::vector<QSORecord> list = qsos(static_cast<int>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        AdifExport e = writeAdif(list, exportOptions(), 0);
        bytes = e.text.size();
        benchmark::DoNotOptimize(e.text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_AdifExport)->Arg(100000)->Unit(benchmark::kMillisecond);

static void BM_AdifImport(benchmark::State& state) {
    const std::string text =
        writeAdif(qsos(static_cast<int>(state.range(0))), exportOptions(), 0).text;
    QTemporaryDir dir;
    RecordingPrompter prompter;
    CRigControlRegistry registry(prompter, dir.path().toStdString() + "/Rig.reg");
    registry.CreateDefaultSettings();
    std::size_t imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string name = "Import.QSO.Log";
        std::filesystem::remove(dir.path().toStdString() + "/" + name);
        std::filesystem::remove(dir.path().toStdString() + "/" + name + ".Bak");
        QsoLogFile log(registry, dir.path().toStdString());
        log.load(name, 0, false);
        state.ResumeTiming();
        const AdifImportReport report = importAdif(log, text, {});
        imported = report.imported;
    }
    state.counters["imported"] = static_cast<double>(imported);
}
BENCHMARK(BM_AdifImport)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Reading and mapping alone, without the log and its rewrite.
static void BM_AdifReadAndMap(benchmark::State& state) {
    const std::string text =
        writeAdif(qsos(static_cast<int>(state.range(0))), exportOptions(), 0).text;
    std::size_t mapped = 0;
    for (auto _ : state) {
        const AdifData data = readAdif(text);
        mapped = 0;
        for (const AdifRecord& r : data.records)
            mapped += qsoFromAdif(r, {}).record.has_value();
    }
    state.counters["qsos"] = static_cast<double>(mapped);
}
BENCHMARK(BM_AdifReadAndMap)->Arg(100000)->Unit(benchmark::kMillisecond);

static void BM_CabrilloExport(benchmark::State& state) {
    const std::vector<QSORecord> list = qsos(static_cast<int>(state.range(0)), QsoKind::Contest);
    CabrilloSettings s;
    s.contest = "CQ-WW-CW";
    for (auto _ : state) {
        CabrilloExport e = writeCabrillo(list, s, {"N0CALL", "", "", ""}, {}, "bench");
        benchmark::DoNotOptimize(e.text.data());
    }
}
BENCHMARK(BM_CabrilloExport)->Arg(100000)->Unit(benchmark::kMillisecond);

// One check per key press while "K1234ABC" is typed, on a log of 100,000 QSOs.
static void BM_DupeCheckPerKey(benchmark::State& state) {
    QsoDupeIndex index;
    index.rebuild(qsos(static_cast<int>(state.range(0))));
    const std::string typed = "K1234ABC";
    std::size_t length = 1;
    int64_t dupes = 0;
    for (auto _ : state) {
        const DupeCheck c =
            index.check(std::string_view(typed).substr(0, length), 4, 3, QsoKind::Normal);
        dupes += c.dupe;
        length = length == typed.size() ? 1 : length + 1;
        benchmark::DoNotOptimize(c);
    }
    benchmark::DoNotOptimize(dupes);
}
BENCHMARK(BM_DupeCheckPerKey)->Arg(100000)->Unit(benchmark::kNanosecond);

// Building the index when a log of 100,000 QSOs is loaded.
static void BM_DupeIndexRebuild(benchmark::State& state) {
    const std::vector<QSORecord> list = qsos(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QsoDupeIndex index;
        index.rebuild(list);
        benchmark::DoNotOptimize(index);
    }
}
BENCHMARK(BM_DupeIndexRebuild)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
