#pragma once
// MemoryCommands: the five front-panel memory commands (popup menu and
// ALT+F1..ALT+F4), with their status-line texts, the save dialog's uniqueness
// loop and the edit dialog's actions; no widgets. The front panel supplies the
// radio (snapshot and recall, the paced sequence to the radio), the status
// line, the band labels and the dialogs.
//
// Thread: the GUI thread, like the store.

#include "memory/CK2MemoryStore.h"
#include "memory/MemoryLists.h"
#include "memory/MemoryTables.h"
#include "memory/SaveMemoryForm.h"
#include "platform/Prompter.h"

#include <functional>
#include <optional>
#include <string>

namespace tamrel {

// The status line's styles, by their codes.
enum class MemoryStatusStyle { Normal = 0, Error = 2 };

// What the commands use of the program around them.
class MemoryCommandsHost {
public:
    // The radio's settings now.
    virtual K2RadioState Snapshot() const = 0;
    // Sends a stored state to the radio (nothing without a channel).
    virtual void Recall(const K2RadioState& state) = 0;
    // Shows a text (UTF-8) on the status line; the empty text clears it.
    virtual void Status(const std::string& text, MemoryStatusStyle style) = 0;
    // "  40M" for band 6.
    virtual std::string BandLabel(int band) const = 0;

protected:
    ~MemoryCommandsHost() = default;
};

// The windows. Fakes stand in for them in tests.
class MemoryDialogs {
public:
    virtual ~MemoryDialogs() = default;
    // The save dialog over the form; true only when "Save" was pressed and
    // the form's Accept succeeded.
    virtual bool RunSaveDialog(SaveMemoryForm& form) = 0;
    // The recall dialog: the selected name on "Select" (empty when no row was
    // selected), nothing on cancel.
    virtual std::optional<std::string> RunRecallDialog(RecallMemoryList& list) = 0;
    virtual void RunEditDialog(EditMemoryList& list) = 0;
};

class MemoryCommands {
public:
    MemoryCommands(CK2MemoryStore& store, Prompter& prompter, MemoryDialogs& dialogs,
                   MemoryCommandsHost& host);

    // Runs command 146, 147, 148, 149 or 152; false for any other id.
    bool Run(int commandId);

    void SaveToStackingRegister();     // 146, ALT+F1
    void RecallFromStackingRegister(); // 147, ALT+F2
    void SaveMemory();                 // 148, ALT+F3
    void RecallMemory();               // 149, ALT+F4
    void EditMemories();               // 152

    static std::string FormatError(const char* what, uint32_t status);

private:
    void Status(const std::string& text, MemoryStatusStyle style = MemoryStatusStyle::Normal);
    K2RadioState Snapshot() const;
    void Recall(const K2RadioState& s);

    CK2MemoryStore& store_;
    Prompter& prompter_;
    MemoryDialogs& dialogs_;
    MemoryCommandsHost& host_;
};

} // namespace tamrel
