#pragma once
// CK2MemoryStore: the operator's 100 named memories and the 5-deep ring of
// stacking registers, in memory and in their files in the home directory
// (layout in memory/K2MemoryFile.h).
//
// Responsibilities: loads both files at construction (creating missing ones),
// writes every change to disk at once (all-or-nothing, the previous file kept
// as the ".Bak.Cfg" backup) and answers lookups and walks over the memories.
// Nothing is saved at exit.
//
// Damaged files: a file that is short, does not carry its own name, or has
// another slot count, record size or impossible counts is read as far as it
// reads and never written over. Changes to its table stay in memory and report
// kMemoryWrongHeader (kMemoryFileShort for a short file) until the file is
// moved away; the next change then writes the table whole. Such problems are
// collected as texts for the operator (TakeStartupNotices) to be shown once the
// front panel is up.
//
// Thread: the GUI thread only (front-panel commands and the modal memory
// dialogs). There is no lock; a walk (FirstMemory/NextMemory) must not be
// interleaved with another walk.

#include "memory/K2MemoryFile.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

class CRigControlRegistry;

class CK2MemoryStore {
public:
    static constexpr uint32_t kMemorySlots = kMemoryFileKind.slots;
    static constexpr uint32_t kRegisterSlots = kStackFileKind.slots;

    // The time written into the file headers; the system clock when empty.
    using Clock = std::function<std::time_t()>;

    // Reads "HomeDir" once. A value that is not an absolute path (a Windows
    // folder from an imported settings key, say) is replaced by the default
    // folder, and the operator is told.
    explicit CK2MemoryStore(CRigControlRegistry& registry, Clock clock = {});
    // Uses this folder as the home directory.
    explicit CK2MemoryStore(std::string homeDir, Clock clock = {});
    CK2MemoryStore(const CK2MemoryStore&) = delete;
    CK2MemoryStore& operator=(const CK2MemoryStore&) = delete;

    // The folder in which the settings' "HomeDir" should be used, or the
    // default folder when it cannot; `notice` gets a text for the operator
    // when the setting was not used.
    static std::string ResolveHomeDir(const std::string& configured, std::string* notice);

    const std::string& HomeDir() const { return homeDir_; }
    std::string MemoryFilePath() const { return PathOf(kMemoryFileKind.fileName); }
    std::string StackFilePath() const { return PathOf(kStackFileKind.fileName); }

    // Texts about files that could not be created or read, each given once.
    std::vector<std::string> TakeStartupNotices();

    // The record's state goes into the next register (all five on the first
    // push); its name and slot index are set here. The file's write status.
    [[nodiscard]] uint32_t PushStackingRegister(K2MemoryRecord record);
    // The current register, then steps back one (0 to 4).
    // kMemoryNoStackingRegister before the first push.
    [[nodiscard]] uint32_t PopStackingRegister(K2MemoryRecord& out);

    // Into the lowest free slot. kMemoryTableFull when there is none.
    [[nodiscard]] uint32_t AddMemory(K2MemoryRecord record);
    // Replaces the memory called `name`; the record keeps that memory's slot.
    [[nodiscard]] uint32_t EditMemory(const std::string& name, K2MemoryRecord record);
    // Frees the memory's slot, keeping its bytes.
    [[nodiscard]] uint32_t DeleteMemory(const std::string& name);
    [[nodiscard]] uint32_t FindMemory(const std::string& name, K2MemoryRecord& out) const;
    // Names are compared byte for byte, case-sensitive.
    bool MemoryNameExists(const std::string& name) const;
    // (used memories + 1) modulo 100, kept as the last default number.
    uint32_t NextDefaultMemoryNumber();
    // "Memory %d" with the next default number, or the next numbers after it
    // while that name is already in use.
    std::string NextDefaultMemoryName();

    // Walk over the occupied slots in slot order.
    bool FirstMemory(K2MemoryRecord& out);
    bool NextMemory(K2MemoryRecord& out);
    // The same walk; the name, or empty at the end.
    std::string FirstMemoryState(K2RadioState& out);
    std::string NextMemoryState(K2RadioState& out);

    uint32_t UsedMemories() const { return usedMemories_; }
    bool HasMemories() const;
    uint32_t UsedRegisters() const { return usedRegisters_; }
    int32_t CurrentRegister() const { return currentRegister_; }
    uint32_t LastDefaultNumber() const { return lastDefaultNumber_; }
    const std::array<K2MemoryRecord, kMemorySlots>& Memories() const { return memories_; }
    const std::array<K2MemoryRecord, kRegisterSlots>& Registers() const { return registers_; }

private:
    std::string PathOf(std::string_view fileName) const;
    std::time_t Now() const;
    void Load();
    // Reads one file into `table`; returns the parsed header, if any.
    std::optional<K2MemoryFileHeader> LoadFile(const MemoryFileKind& kind,
                                               std::span<K2MemoryRecord> table);
    // Writes the change to one slot: the file as it is, with that record and
    // the header's time and counts replaced.
    uint32_t WriteMemoryChange(std::size_t slot);
    uint32_t WriteRegisters();
    int FindSlot(const std::string& name) const;
    bool Walk(K2MemoryRecord& out);

    Clock clock_;
    std::string homeDir_;
    std::vector<std::string> notices_;
    bool folderMissing_ = false;

    uint32_t lastDefaultNumber_ = 0;
    std::array<K2MemoryRecord, kMemorySlots> memories_{};
    uint32_t usedMemories_ = 0;
    std::array<K2MemoryRecord, kRegisterSlots> registers_{};
    uint32_t usedRegisters_ = 0;
    int32_t currentRegister_ = 0;
    bool iterating_ = false;
    uint32_t cursor_ = 0;
};

} // namespace tamrel
