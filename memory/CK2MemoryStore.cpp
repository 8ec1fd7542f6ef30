#include "CK2MemoryStore.h"

#include "memory/MemoryFileIo.h"
#include "platform/Paths.h"
#include "settings/CRigControlRegistry.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace tamrel {

namespace {

std::string quotedPath(const std::string& path) {
    return "\"" + path + "\"";
}

// What a file holds, for the operator's messages.
std::string contentsOf(const MemoryFileKind& kind) {
    return kind == kMemoryFileKind ? "memories" : "stacking registers";
}

std::string describeFile(const MemoryFileKind& kind) {
    return kind == kMemoryFileKind ? "The memory file" : "The stacking-register file";
}

// A header whose counts can be taken: the file carries its own name and
// record size, whatever else is wrong with it.
bool headerUsable(const ParsedMemoryFile& parsed) {
    return parsed.header && parsed.problem != MemoryFileProblem::ShorterThanHeader &&
           parsed.problem != MemoryFileProblem::WrongName &&
           parsed.problem != MemoryFileProblem::WrongRecordSize;
}

} // namespace

CK2MemoryStore::CK2MemoryStore(CRigControlRegistry& registry, Clock clock)
    : clock_(std::move(clock)) {
    std::string configured = paths::defaultHomeDir();
    registry.GetHomeDir(configured);
    std::string notice;
    homeDir_ = ResolveHomeDir(configured, &notice);
    if (!notice.empty())
        notices_.push_back(std::move(notice));
    Load();
}

CK2MemoryStore::CK2MemoryStore(std::string homeDir, Clock clock)
    : clock_(std::move(clock)), homeDir_(std::move(homeDir)) {
    Load();
}

std::string CK2MemoryStore::ResolveHomeDir(const std::string& configured, std::string* notice) {
    if (!configured.empty() && configured.front() == '/')
        return configured;
    std::string dir = paths::defaultHomeDir();
    if (notice) {
        *notice =
            configured.empty()
                ? "The home directory in the settings is empty; Tamrel keeps its memories in " +
                      quotedPath(dir) + "."
                : "The home directory " + quotedPath(configured) +
                      " in the settings is not a folder on this system; Tamrel keeps its "
                      "memories in " +
                      quotedPath(dir) + ".";
    }
    return dir;
}

std::vector<std::string> CK2MemoryStore::TakeStartupNotices() {
    return std::exchange(notices_, {});
}

std::string CK2MemoryStore::PathOf(std::string_view fileName) const {
    return homeDir_ + "/" + std::string(fileName);
}

std::time_t CK2MemoryStore::Now() const {
    return clock_ ? clock_() : std::time(nullptr);
}

void CK2MemoryStore::Load() {
    std::error_code ec;
    std::filesystem::create_directories(homeDir_, ec);
    if (ec) {
        folderMissing_ = true;
        notices_.push_back("Tamrel cannot create its home directory " + quotedPath(homeDir_) +
                           " (" + ec.message() +
                           "); memories and stacking registers will not be saved.");
    }

    if (auto h = LoadFile(kMemoryFileKind, memories_))
        usedMemories_ = std::min(h->usedSlots, kMemorySlots);
    if (auto h = LoadFile(kStackFileKind, registers_)) {
        usedRegisters_ = h->usedSlots == 0 ? 0 : kRegisterSlots;
        currentRegister_ =
            h->currentRegister < kRegisterSlots ? static_cast<int32_t>(h->currentRegister) : 0;
    }
}

std::optional<K2MemoryFileHeader> CK2MemoryStore::LoadFile(const MemoryFileKind& kind,
                                                           std::span<K2MemoryRecord> table) {
    const std::string path = PathOf(kind.fileName);
    const memfile::ReadResult r = memfile::ReadFile(path, kind.FileSize() + 1);
    if (!r.exists) {
        K2MemoryFileHeader h = K2MemoryFileHeader::Fresh(kind, Now());
        const uint32_t status = memfile::WriteFile(path, EncodeMemoryFile(h, table));
        if (status != kMemoryOk && !folderMissing_)
            notices_.push_back("Tamrel cannot create " + quotedPath(path) + "; its " +
                               contentsOf(kind) + " will not be saved.");
        return h;
    }
    if (r.status != kMemoryOk) {
        if (!folderMissing_)
            notices_.push_back("Tamrel cannot read " + quotedPath(path) + " (" + r.error +
                               "); its " + contentsOf(kind) +
                               " are not loaded, and changes to them " +
                               "last only until Tamrel ends.");
        return std::nullopt;
    }

    const ParsedMemoryFile parsed = ParseMemoryFile(r.bytes, kind);
    std::copy(parsed.records.begin(), parsed.records.end(), table.begin());
    if (parsed.problem != MemoryFileProblem::None) {
        const std::string readPart =
            parsed.records.empty()
                ? "Tamrel read nothing from it"
                : "Tamrel read the " + std::to_string(parsed.records.size()) + " records it could";
        notices_.push_back(
            describeFile(kind) + " " + quotedPath(path) + " is damaged: " + parsed.detail + ". " +
            readPart + " and will not write over the file, so changes to the " + contentsOf(kind) +
            " last only until Tamrel ends. Move the file away to let Tamrel "
            "write a new one.");
    }
    if (!headerUsable(parsed))
        return std::nullopt;
    return parsed.header;
}

uint32_t CK2MemoryStore::WriteMemoryChange(std::size_t slot) {
    const MemoryFileKind& kind = kMemoryFileKind;
    const std::string path = PathOf(kind.fileName);
    const memfile::ReadResult r = memfile::ReadFile(path, kind.FileSize() + 1);
    if (!r.exists) {
        // Moved away (or never created): the table is written whole.
        K2MemoryFileHeader h = K2MemoryFileHeader::Fresh(kind, Now());
        h.usedSlots = usedMemories_;
        return memfile::WriteFile(path, EncodeMemoryFile(h, memories_));
    }
    if (r.status != kMemoryOk)
        return r.status;
    const ParsedMemoryFile parsed = ParseMemoryFile(r.bytes, kind);
    if (parsed.status != kMemoryOk)
        return parsed.status;

    // The file as it is, with its header's time and counts and the one
    // record changed; every other byte stays as read.
    K2MemoryFileHeader h = *parsed.header;
    h.SetWriteTime(Now());
    h.usedSlots = usedMemories_;
    h.slotCount = kind.slots;
    h.recordSize = K2MemoryRecord::kSize;
    h.reserved = 0;
    std::vector<uint8_t> bytes = r.bytes;
    const auto header = h.ToBytes();
    std::copy(header.begin(), header.end(), bytes.begin());
    const auto record = memories_[slot].ToBytes();
    std::copy(record.begin(), record.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(K2MemoryFileHeader::kSize +
                                                          K2MemoryRecord::kSize * slot));
    return memfile::WriteWithBackup(path, bytes, PathOf(kind.backupName), r.bytes);
}

uint32_t CK2MemoryStore::WriteRegisters() {
    const MemoryFileKind& kind = kStackFileKind;
    const std::string path = PathOf(kind.fileName);
    const memfile::ReadResult r = memfile::ReadFile(path, kind.FileSize() + 1);
    if (r.exists && r.status != kMemoryOk)
        return r.status;
    if (r.exists) {
        const ParsedMemoryFile parsed = ParseMemoryFile(r.bytes, kind);
        if (parsed.status != kMemoryOk)
            return parsed.status;
    }
    K2MemoryFileHeader h = K2MemoryFileHeader::Fresh(kind, Now());
    h.usedSlots = usedRegisters_;
    h.currentRegister = static_cast<uint32_t>(currentRegister_);
    const std::vector<uint8_t> bytes = EncodeMemoryFile(h, registers_);
    if (!r.exists)
        return memfile::WriteFile(path, bytes);
    return memfile::WriteWithBackup(path, bytes, PathOf(kind.backupName), r.bytes);
}

uint32_t CK2MemoryStore::PushStackingRegister(K2MemoryRecord record) {
    auto place = [&](int32_t slot) {
        K2MemoryRecord& r = registers_[static_cast<std::size_t>(slot)];
        r = record;
        r.SetName("Stacking Memory # " + std::to_string(slot));
        r.slotIndex = static_cast<uint32_t>(slot);
    };
    if (usedRegisters_ == 0) {
        for (int32_t i = 0; i < static_cast<int32_t>(kRegisterSlots); ++i)
            place(i);
        usedRegisters_ = kRegisterSlots;
        currentRegister_ = 0;
    } else {
        currentRegister_ = (currentRegister_ + 1) % static_cast<int32_t>(kRegisterSlots);
        place(currentRegister_);
    }
    return WriteRegisters();
}

uint32_t CK2MemoryStore::PopStackingRegister(K2MemoryRecord& out) {
    if (usedRegisters_ == 0)
        return kMemoryNoStackingRegister;
    const K2MemoryRecord& r = registers_[static_cast<std::size_t>(currentRegister_)];
    currentRegister_ =
        currentRegister_ == 0 ? static_cast<int32_t>(kRegisterSlots) - 1 : currentRegister_ - 1;
    // Only a damaged file leaves a blank register in a used ring.
    if (!r.Occupied())
        return kMemoryNoStackingRegister;
    out = r;
    return kMemoryOk;
}

int CK2MemoryStore::FindSlot(const std::string& name) const {
    for (std::size_t i = 0; i < memories_.size(); ++i)
        if (memories_[i].Occupied() && memories_[i].Name() == name)
            return static_cast<int>(i);
    return -1;
}

uint32_t CK2MemoryStore::AddMemory(K2MemoryRecord record) {
    const auto free = std::find_if(memories_.begin(), memories_.end(),
                                   [](const K2MemoryRecord& r) { return !r.Occupied(); });
    if (free == memories_.end())
        return kMemoryTableFull;
    const auto slot = static_cast<std::size_t>(free - memories_.begin());
    record.slotIndex = static_cast<uint32_t>(slot);
    *free = record;
    if (usedMemories_ < kMemorySlots)
        ++usedMemories_;
    return WriteMemoryChange(slot);
}

uint32_t CK2MemoryStore::EditMemory(const std::string& name, K2MemoryRecord record) {
    const int slot = FindSlot(name);
    if (slot < 0)
        return kMemoryNotFound;
    // A record carrying another index would free the slot or claim another.
    record.slotIndex = static_cast<uint32_t>(slot);
    memories_[static_cast<std::size_t>(slot)] = record;
    return WriteMemoryChange(static_cast<std::size_t>(slot));
}

uint32_t CK2MemoryStore::DeleteMemory(const std::string& name) {
    const int slot = FindSlot(name);
    if (slot < 0)
        return kMemoryNotFound;
    memories_[static_cast<std::size_t>(slot)].slotIndex = K2MemoryRecord::kFreeSlot;
    if (usedMemories_ > 0)
        --usedMemories_;
    return WriteMemoryChange(static_cast<std::size_t>(slot));
}

uint32_t CK2MemoryStore::FindMemory(const std::string& name, K2MemoryRecord& out) const {
    const int slot = FindSlot(name);
    if (slot < 0)
        return kMemoryNotFound;
    out = memories_[static_cast<std::size_t>(slot)];
    return kMemoryOk;
}

bool CK2MemoryStore::MemoryNameExists(const std::string& name) const {
    // The count can be wrong in a file from elsewhere, so the table decides.
    return FindSlot(name) >= 0;
}

bool CK2MemoryStore::HasMemories() const {
    return std::any_of(memories_.begin(), memories_.end(),
                       [](const K2MemoryRecord& r) { return r.Occupied(); });
}

uint32_t CK2MemoryStore::NextDefaultMemoryNumber() {
    lastDefaultNumber_ = (usedMemories_ + 1) % kMemorySlots;
    return lastDefaultNumber_;
}

std::string CK2MemoryStore::NextDefaultMemoryName() {
    const uint32_t first = NextDefaultMemoryNumber();
    for (uint32_t i = 0; i < kMemorySlots; ++i) {
        const uint32_t n = (first + i) % kMemorySlots;
        std::string name = "Memory " + std::to_string(n);
        if (!MemoryNameExists(name)) {
            lastDefaultNumber_ = n;
            return name;
        }
    }
    // Every number taken means every slot is taken: the add will say so.
    return "Memory " + std::to_string(first);
}

bool CK2MemoryStore::Walk(K2MemoryRecord& out) {
    while (cursor_ < kMemorySlots) {
        const K2MemoryRecord& r = memories_[cursor_++];
        if (r.Occupied()) {
            out = r;
            return true;
        }
    }
    iterating_ = false;
    return false;
}

bool CK2MemoryStore::FirstMemory(K2MemoryRecord& out) {
    iterating_ = true;
    cursor_ = 0;
    return Walk(out);
}

bool CK2MemoryStore::NextMemory(K2MemoryRecord& out) {
    return iterating_ && Walk(out);
}

std::string CK2MemoryStore::FirstMemoryState(K2RadioState& out) {
    K2MemoryRecord r;
    if (!FirstMemory(r))
        return {};
    out = r.state;
    return r.Name();
}

std::string CK2MemoryStore::NextMemoryState(K2RadioState& out) {
    K2MemoryRecord r;
    if (!NextMemory(r))
        return {};
    out = r.state;
    return r.Name();
}

} // namespace tamrel
