#include "MemoryFileIo.h"

#include "memory/K2MemoryFile.h"
#include "platform/DurableFile.h"

#include <unistd.h>

namespace tamrel::memfile {

namespace {

// Old backups larger than this are not kept for putting back.
constexpr std::size_t kBackupRestoreLimit = 1 << 20;

std::string_view asText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

uint32_t statusOf(const file::WriteOutcome& outcome) {
    switch (outcome.stage) {
    case file::WriteOutcome::Stage::Done:
        return kMemoryOk;
    case file::WriteOutcome::Stage::NotMade:
        return kMemoryOpenFailed;
    default:
        return kMemoryWriteFailed;
    }
}

} // namespace

ReadResult ReadFile(const std::string& path, std::size_t limit) {
    ReadResult r;
    file::Contents c = file::ReadWhole(path, limit);
    r.exists = c.status != file::Contents::Status::Missing;
    if (c.status == file::Contents::Status::Error) {
        r.status = kMemoryOpenFailed;
        r.error = c.error;
        return r;
    }
    r.bytes.assign(c.bytes.begin(), c.bytes.end());
    return r;
}

uint32_t WriteFile(const std::string& path, std::span<const uint8_t> bytes) {
    return statusOf(file::WriteWhole(path, asText(bytes)));
}

uint32_t WriteWithBackup(const std::string& path, std::span<const uint8_t> bytes,
                         const std::string& backup, std::span<const uint8_t> previous) {
    const ReadResult oldBackup = ReadFile(backup, kBackupRestoreLimit + 1);
    file::WriteOutcome outcome;
    auto backupFile = file::PreparedFile::Prepare(backup, asText(previous), outcome);
    if (!backupFile)
        return statusOf(outcome);
    auto newFile = file::PreparedFile::Prepare(path, asText(bytes), outcome);
    if (!newFile)
        return statusOf(outcome);
    if (!backupFile->Commit().ok())
        return kMemoryWriteFailed;
    if (!newFile->Commit().ok()) {
        // The backup must not claim what the file no longer is: the old one goes back.
        if (!oldBackup.exists)
            ::unlink(backup.c_str());
        else if (oldBackup.status == kMemoryOk && oldBackup.bytes.size() <= kBackupRestoreLimit)
            (void)WriteFile(backup, oldBackup.bytes);
        file::SyncFolderOf(path);
        return kMemoryWriteFailed;
    }
    return kMemoryOk;
}

} // namespace tamrel::memfile
