#include "MemoryFileIo.h"

#include "memory/K2MemoryFile.h"

#include <QSaveFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tamrel::memfile {

namespace {

// Old backups larger than this are not kept for putting back.
constexpr std::size_t kBackupRestoreLimit = 1 << 20;

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the renames in the folder durable; a failure here leaves the new
// file in place, so it is not reported.
void syncFolder(const std::string& path) {
    Fd dir{::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0)
        ::fsync(dir.fd);
}

// A temporary file already holding all bytes, ready to be put in place.
std::unique_ptr<QSaveFile> prepare(const std::string& path, std::span<const uint8_t> bytes,
                                   uint32_t& status) {
    auto file = std::make_unique<QSaveFile>(QString::fromStdString(path));
    if (!file->open(QIODevice::WriteOnly)) {
        status = kMemoryOpenFailed;
        return nullptr;
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (file->write(reinterpret_cast<const char*>(bytes.data()), size) != size || !file->flush()) {
        file->cancelWriting();
        status = kMemoryWriteFailed;
        return nullptr;
    }
    status = kMemoryOk;
    return file;
}

} // namespace

ReadResult ReadFile(const std::string& path, std::size_t limit) {
    ReadResult r;
    Fd in{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0) {
        r.exists = errno != ENOENT;
        if (r.exists) {
            r.status = kMemoryOpenFailed;
            r.error = std::strerror(errno);
        }
        return r;
    }
    r.exists = true;
    struct stat st {};
    if (::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        r.status = kMemoryOpenFailed;
        r.error = "not a regular file";
        return r;
    }
    r.bytes.resize(limit);
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t n = ::read(in.fd, r.bytes.data() + got, limit - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            r.status = kMemoryOpenFailed;
            r.error = std::strerror(errno);
            r.bytes.clear();
            return r;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    r.bytes.resize(got);
    return r;
}

uint32_t WriteFile(const std::string& path, std::span<const uint8_t> bytes) {
    uint32_t status = kMemoryOk;
    auto file = prepare(path, bytes, status);
    if (!file)
        return status;
    if (!file->commit())
        return kMemoryWriteFailed;
    syncFolder(path);
    return kMemoryOk;
}

uint32_t WriteWithBackup(const std::string& path, std::span<const uint8_t> bytes,
                         const std::string& backup, std::span<const uint8_t> previous) {
    const ReadResult oldBackup = ReadFile(backup, kBackupRestoreLimit + 1);
    uint32_t status = kMemoryOk;
    auto backupFile = prepare(backup, previous, status);
    if (!backupFile)
        return status;
    auto file = prepare(path, bytes, status);
    if (!file)
        return status;
    if (!backupFile->commit())
        return kMemoryWriteFailed;
    if (!file->commit()) {
        if (!oldBackup.exists)
            ::unlink(backup.c_str());
        else if (oldBackup.status == kMemoryOk && oldBackup.bytes.size() <= kBackupRestoreLimit)
            WriteFile(backup, oldBackup.bytes);
        syncFolder(path);
        return kMemoryWriteFailed;
    }
    syncFolder(path);
    return kMemoryOk;
}

} // namespace tamrel::memfile
