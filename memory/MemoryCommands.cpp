#include "MemoryCommands.h"

#include <cstdio>

namespace tamrel {

namespace {

std::string kHzText(const char* prefix, uint32_t hz) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%10.2fKHz", prefix, hz / 1000.0);
    return buf;
}

std::string quotedName(const char* prefix, const std::string& latin1) {
    return std::string(prefix) + "\"" + Latin1ToUtf8(latin1) + "\"";
}

} // namespace

MemoryCommands::MemoryCommands(CK2MemoryStore& store, Prompter& prompter, MemoryDialogs& dialogs,
                               MemoryCommandsHost& host)
    : store_(store), prompter_(prompter), dialogs_(dialogs), host_(host) {}

std::string MemoryCommands::FormatError(const char* what, uint32_t status) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s, Error: 0x%08x", what, status);
    return buf;
}

bool MemoryCommands::Run(int commandId) {
    switch (commandId) {
    case kCmdSaveStackingRegister:
        SaveToStackingRegister();
        return true;
    case kCmdRecallStackingRegister:
        RecallFromStackingRegister();
        return true;
    case kCmdSaveMemory:
        SaveMemory();
        return true;
    case kCmdRecallMemory:
        RecallMemory();
        return true;
    case kCmdEditMemory:
        EditMemories();
        return true;
    default:
        return false;
    }
}

void MemoryCommands::Status(const std::string& text, MemoryStatusStyle style) {
    host_.Status(text, style);
}

K2RadioState MemoryCommands::Snapshot() const {
    return NormaliseFlags(host_.Snapshot());
}

void MemoryCommands::Recall(const K2RadioState& s) {
    host_.Recall(s);
}

void MemoryCommands::SaveToStackingRegister() {
    Status({});
    K2MemoryRecord record;
    record.state = Snapshot();
    const uint32_t status = store_.PushStackingRegister(record);
    if (status != kMemoryOk)
        Status(FormatError("Save StackReg Mem", status), MemoryStatusStyle::Error);
    else
        Status(kHzText("Save StackReg Mem: ", record.state.vfoA));
}

void MemoryCommands::RecallFromStackingRegister() {
    Status({});
    K2MemoryRecord record;
    if (store_.PopStackingRegister(record) != kMemoryOk)
        return;
    Status(kHzText("Recall StackReg Mem: ", record.state.vfoA));
    Recall(record.state);
}

void MemoryCommands::SaveMemory() {
    Status({});
    K2MemoryRecord start;
    start.state = Snapshot();
    SaveMemoryForm form(start, false);
    K2MemoryRecord record;
    std::string name;
    for (;;) {
        if (!dialogs_.RunSaveDialog(form))
            return;
        record = form.Record();
        name = record.Name();
        if (name.empty()) {
            name = store_.NextDefaultMemoryName();
            record.SetName(name);
            break;
        }
        if (!store_.MemoryNameExists(name))
            break;
        prompter_.tell("Memory Name is Not Unique!", PromptIcon::Warning);
    }
    const uint32_t status = store_.AddMemory(record);
    if (status == kMemoryOk)
        Status(quotedName("Saved Mem ", name));
    else
        Status(FormatError("Save memory", status), MemoryStatusStyle::Error);
}

void MemoryCommands::RecallMemory() {
    Status({});
    if (!store_.HasMemories())
        return;
    RecallMemoryList list(store_, [this](int band) { return host_.BandLabel(band); });
    const std::optional<std::string> name = dialogs_.RunRecallDialog(list);
    if (!name)
        return;
    K2MemoryRecord record;
    // No row selected: nothing to find, even if a memory has an empty name.
    const uint32_t status = name->empty() ? kMemoryNotFound : store_.FindMemory(*name, record);
    if (status != kMemoryOk) {
        Status(FormatError("Recall Mem", status), MemoryStatusStyle::Error);
        return;
    }
    Status(quotedName("Recall Mem ", *name));
    Recall(record.state);
}

void MemoryCommands::EditMemories() {
    Status({});
    EditMemoryList list(store_, prompter_,
                        [this](SaveMemoryForm& form) { return dialogs_.RunSaveDialog(form); });
    dialogs_.RunEditDialog(list);
}

} // namespace tamrel
