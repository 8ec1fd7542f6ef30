#pragma once
// The rows of the recall and edit dialogs' lists, the edit dialog's Edit and
// Delete actions; no widgets.
// The lists hold copies, rebuilt from the store after every change.

#include "memory/CK2MemoryStore.h"
#include "memory/MemoryTables.h"
#include "memory/SaveMemoryForm.h"
#include "platform/Prompter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace tamrel {

struct MemoryRow {
    std::string name;  // Latin-1, as stored
    QStringList cells; // one per column
};

// Band index -> band name ("  40M"), empty for an index above 8.
using BandLabelFn = std::function<std::string(int)>;

class RecallMemoryList {
public:
    RecallMemoryList(CK2MemoryStore& store, BandLabelFn bandLabel);
    void Rebuild();
    const std::vector<MemoryRow>& Rows() const { return rows_; }
    // The name in the row's first column; empty for no row.
    std::string NameAt(int row) const;

private:
    CK2MemoryStore& store_;
    BandLabelFn bandLabel_;
    std::vector<MemoryRow> rows_;
};

class EditMemoryList {
public:
    // Runs the save dialog in edit mode; true when it closed with "Save".
    using RunSaveDialog = std::function<bool(SaveMemoryForm&)>;

    EditMemoryList(CK2MemoryStore& store, Prompter& prompter, RunSaveDialog runSave);
    void Rebuild();
    const std::vector<MemoryRow>& Rows() const { return rows_; }

    // "Deleting Memory "name"?"
    static std::string DeleteQuestion(const std::string& name);
    // Asks, deletes on Yes and rebuilds; true when the list was rebuilt.
    bool DeleteRow(int row);
    // Opens the memory in the save dialog in edit mode and stores what it
    // returns; true when the list was rebuilt.
    bool EditRow(int row);

private:
    const MemoryRow* RowAt(int row) const;

    CK2MemoryStore& store_;
    Prompter& prompter_;
    RunSaveDialog runSave_;
    std::vector<MemoryRow> rows_;
};

} // namespace tamrel
