#include "platform/DurableFile.h"

#include "platform/FileDescriptor.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace tamrel::file {

Contents ReadWhole(const std::string& path, std::size_t limit) {
    Contents c;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        c.status = errno == ENOENT ? Contents::Status::Missing : Contents::Status::Error;
        c.error = std::strerror(errno);
        return c;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        c.error = std::strerror(errno);
        return c;
    }
    if (!S_ISREG(st.st_mode)) {
        c.error = "not a regular file";
        return c;
    }
    c.bytes.reserve(std::min(limit, static_cast<std::size_t>(st.st_size)));
    char buffer[65536];
    while (c.bytes.size() < limit) {
        const ssize_t n = ::read(fd.get(), buffer, std::min(sizeof buffer, limit - c.bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            c.error = std::strerror(errno);
            c.bytes.clear();
            return c;
        }
        if (n == 0)
            break;
        c.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    c.status = Contents::Status::Ok;
    // One more byte says whether the file goes on past the limit.
    char more;
    if (c.bytes.size() == limit && ::read(fd.get(), &more, 1) == 1)
        c.status = Contents::Status::TooLarge;
    return c;
}

PreparedFile::PreparedFile(const std::string& path)
    : path_(path), file_(QFile::decodeName(QByteArray::fromStdString(path))) {}

std::unique_ptr<PreparedFile> PreparedFile::Prepare(const std::string& path, std::string_view bytes,
                                                    WriteOutcome& outcome) {
    std::unique_ptr<PreparedFile> p(new PreparedFile(path));
    if (!p->file_.open(QIODevice::WriteOnly)) {
        outcome = {WriteOutcome::Stage::NotMade, p->file_.errorString().toStdString()};
        return nullptr;
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (p->file_.write(bytes.data(), size) != size || !p->file_.flush()) {
        outcome = {WriteOutcome::Stage::NotWritten, p->file_.errorString().toStdString()};
        p->file_.cancelWriting();
        return nullptr;
    }
    if (::fsync(p->file_.handle()) != 0) {
        outcome = {WriteOutcome::Stage::NotWritten, std::strerror(errno)};
        p->file_.cancelWriting();
        return nullptr;
    }
    outcome = {};
    return p;
}

WriteOutcome PreparedFile::Commit() {
    if (!file_.commit())
        return {WriteOutcome::Stage::NotWritten, file_.errorString().toStdString()};
    SyncFolderOf(path_);
    return {};
}

WriteOutcome WriteWhole(const std::string& path, std::string_view bytes) {
    WriteOutcome outcome;
    std::unique_ptr<PreparedFile> file = PreparedFile::Prepare(path, bytes, outcome);
    return file ? file->Commit() : outcome;
}

void SyncFolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A folder that cannot be synced still holds the new file.
    if (dir.valid())
        ::fsync(dir.get());
}

} // namespace tamrel::file
