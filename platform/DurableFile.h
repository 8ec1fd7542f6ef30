#pragma once
// Whole-file reads and all-or-nothing writes for the files a user keeps
// (memories, logs, settings, exports).
//
// A write goes to a temporary file in the same folder (QSaveFile), is flushed
// and synced, renamed over the file, and the folder is synced, so a kill or a
// power loss at any moment leaves the old file or the new one, never a mix.
// Several files can be written out first and put in place one after the
// other (PreparedFile), so that a failure before the first is put in place
// changes none of them.

#include <QSaveFile>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tamrel::file {

struct Contents {
    enum class Status {
        Ok,
        Missing,  // no such file
        TooLarge, // larger than the limit: `bytes` holds the first `limit`
        Error     // there, but not a readable regular file
    };
    Status status = Status::Error;
    std::string bytes;
    std::string error; // the reason, for Error
};

// Reads a regular file whole, up to `limit` bytes.
[[nodiscard]] Contents ReadWhole(const std::string& path, std::size_t limit);

// What a write came to: nothing made (no temporary file could be made),
// not written (the temporary file is gone, the file as it was), or done.
struct WriteOutcome {
    enum class Stage { Done, NotMade, NotWritten } stage = Stage::Done;
    std::string error; // the reason, when not done
    bool ok() const { return stage == Stage::Done; }
};

// A file written out in full and synced, not yet in place.
class PreparedFile {
public:
    [[nodiscard]] static std::unique_ptr<PreparedFile>
    Prepare(const std::string& path, std::string_view bytes, WriteOutcome& outcome);
    // Renames it over the file and syncs the folder.
    [[nodiscard]] WriteOutcome Commit();

private:
    explicit PreparedFile(const std::string& path);
    std::string path_;
    QSaveFile file_;
};

// Replaces the file with `bytes`, all or nothing.
[[nodiscard]] WriteOutcome WriteWhole(const std::string& path, std::string_view bytes);

// Makes the renames in the file's folder durable.
void SyncFolderOf(const std::string& path);

} // namespace tamrel::file
