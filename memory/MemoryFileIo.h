#pragma once
// Whole-file reads and all-or-nothing writes for the memory files.
//
// A write goes to a temporary file in the same folder, is flushed and synced,
// renamed over the file and the folder is synced, so a kill or power loss at
// any moment leaves either the old or the new file, never a mix.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tamrel::memfile {

struct ReadResult {
    bool exists = false;
    uint32_t status = 0; // kMemoryOpenFailed when it exists but cannot be read
    std::vector<uint8_t> bytes;
    std::string error; // the system's reason, when status is set
};

// Reads at most `limit` bytes of a regular file.
ReadResult ReadFile(const std::string& path, std::size_t limit);

// Replaces the file with `bytes`. kMemoryOpenFailed when no temporary file
// can be made, kMemoryWriteFailed when it cannot be written or put in place;
// either way the file is as it was.
uint32_t WriteFile(const std::string& path, std::span<const uint8_t> bytes);

// Makes `backup` hold `previous` (the file as it is now) and then the file
// hold `bytes`. Both are written out before either is put in place; if the
// file cannot be put in place after the backup was, the old backup is put
// back, so a failure leaves both as they were.
uint32_t WriteWithBackup(const std::string& path, std::span<const uint8_t> bytes,
                         const std::string& backup, std::span<const uint8_t> previous);

} // namespace tamrel::memfile
