#include "MemoryLists.h"

#include "radio/K2Commands.h"

namespace tamrel {

namespace {

QString onOff(uint32_t v) {
    return TextForValue(memtable::kOnOff, v);
}

template <class Cells> std::vector<MemoryRow> rowsOf(CK2MemoryStore& store, Cells cells) {
    std::vector<MemoryRow> rows;
    K2MemoryRecord r;
    for (bool more = store.FirstMemory(r); more; more = store.NextMemory(r))
        rows.push_back({r.Name(), cells(r)});
    return rows;
}

} // namespace

RecallMemoryList::RecallMemoryList(CK2MemoryStore& store, BandLabelFn bandLabel)
    : store_(store), bandLabel_(std::move(bandLabel)) {
    Rebuild();
}

void RecallMemoryList::Rebuild() {
    rows_ = rowsOf(store_, [this](const K2MemoryRecord& r) {
        const K2RadioState& s = r.state;
        const std::string band =
            bandLabel_ && s.bandIndex <= 8 ? bandLabel_(static_cast<int>(s.bandIndex)) : "";
        return QStringList{QString::fromLatin1(r.Name()),
                           QString::fromStdString(FormatKHz(ReceiveFrequency(s))),
                           QString::fromStdString(band),
                           TextForValue(memtable::kMode, s.mode),
                           QString::asprintf("XFIL%1d", static_cast<int>(s.crystalFilter)),
                           QStringLiteral("No")};
    });
}

std::string RecallMemoryList::NameAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return {};
    return rows_[static_cast<std::size_t>(row)].name;
}

EditMemoryList::EditMemoryList(CK2MemoryStore& store, Prompter& prompter, RunSaveDialog runSave)
    : store_(store), prompter_(prompter), runSave_(std::move(runSave)) {
    Rebuild();
}

void EditMemoryList::Rebuild() {
    rows_ = rowsOf(store_, [](const K2MemoryRecord& r) {
        const K2RadioState& s = r.state;
        return QStringList{QString::fromLatin1(r.Name()),
                           QString::fromStdString(FormatKHz(ReceiveFrequency(s))),
                           TextForValue(memtable::kMode, s.mode),
                           TextForValue(memtable::kCrystalFilter, s.crystalFilter),
                           TextForValue(memtable::kAudioFilter, s.audioFilter),
                           TextForValue(memtable::kNoiseBlanker, s.noiseBlanker),
                           onOff(s.preamp),
                           onOff(s.attenuator),
                           TextForValue(memtable::kAgc, s.agc),
                           onOff(s.ritOn),
                           onOff(s.xitOn),
                           QString::asprintf("%2d", static_cast<int>(s.cwSpeed)),
                           QString::asprintf("%6.1fW", s.power / 10.0),
                           QString::asprintf("%1d", static_cast<int>(s.antenna))};
    });
}

const MemoryRow* EditMemoryList::RowAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

std::string EditMemoryList::DeleteQuestion(const std::string& name) {
    return "Deleting Memory \"" + Latin1ToUtf8(name) + "\"?";
}

bool EditMemoryList::DeleteRow(int row) {
    const MemoryRow* r = RowAt(row);
    if (!r)
        return false;
    const std::string name = r->name;
    if (!prompter_.ask(DeleteQuestion(name), PromptIcon::Question))
        return false;
    if (store_.DeleteMemory(name) != kMemoryOk)
        prompter_.tell("Error in Deleting Memory" + Latin1ToUtf8(name), PromptIcon::Error);
    Rebuild();
    return true;
}

bool EditMemoryList::EditRow(int row) {
    const MemoryRow* r = RowAt(row);
    if (!r)
        return false;
    const std::string name = r->name;
    K2MemoryRecord record;
    if (store_.FindMemory(name, record) != kMemoryOk)
        return false;
    SaveMemoryForm form(record, true);
    if (!runSave_ || !runSave_(form))
        return false;
    if (store_.EditMemory(name, form.Record()) != kMemoryOk)
        prompter_.tell("Error in Editing Memory" + Latin1ToUtf8(name), PromptIcon::Error);
    Rebuild();
    return true;
}

} // namespace tamrel
