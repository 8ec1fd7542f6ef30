// Loading a log of 100,000 QSOs and listing it: the file read, the copy of
// the list and its dupe index the log worker posts, the GUI-side list taking
// them over (statistics counted, the table model reset) and one paint of the
// list, offscreen. The second argument is the kind: 0 normal QSOs, 1
// contest QSOs (type-1 lines, the contest columns).
#include "qsolog/QsoLine.h"
#include "qsolog/QsoLogFile.h"
#include "qsolog/QsoLogStore.h"
#include "qsolog/QsoLogTableModel.h"
#include "settings/CRigControlRegistry.h"

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fstream>

using namespace tamrel;

namespace {

QSORecord qso(int i, QsoKind kind) {
    QSORecord r;
    r.type = kind;
    r.time = 1070632929 + i * 60;
    r.call = "K" + std::to_string(i % 5000) + "ABC";
    r.frequency = 14025000 + i % 1000;
    r.band = i % 9;
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

} // namespace

static void BM_LoadAndList(benchmark::State& state) {
    const QsoKind kind = state.range(1) ? QsoKind::Contest : QsoKind::Normal;
    const uint8_t mode = kind == QsoKind::Contest ? 1 : 0;
    QTemporaryDir dir;
    const std::string home = dir.path().toStdString();
    std::vector<QSORecord> records;
    for (int i = 0; i < state.range(0); ++i)
        records.push_back(qso(i, kind));
    std::ofstream(home + "/Tamrel.QSO.Log", std::ios::binary) << writeLogText(records, {});
    RecordingPrompter prompter;
    CRigControlRegistry registry(prompter, home + "/Rig.reg");
    registry.CreateDefaultSettings();
    QsoLogFile log(registry, home);
    QsoLogStore store(kind);
    QsoLogTableModel model(kind, store);
    QTableView list;
    list.setModel(&model);
    list.resize(900, 300);
    list.show();
    for (auto _ : state) {
        log.load(std::nullopt, mode, true);
        store.reset(kind, log.records(), log.dupeIndex());
        list.viewport()->repaint();
    }
    state.counters["rows"] = model.rowCount();
}
BENCHMARK(BM_LoadAndList)
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
