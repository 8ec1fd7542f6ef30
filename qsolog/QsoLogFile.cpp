#include "QsoLogFile.h"

#include "settings/CRigControlRegistry.h"

#include "platform/DurableFile.h"
#include "platform/FileDescriptor.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tamrel {

namespace {

// A log of 100,000 QSOs is about 10 MB; anything far larger is not a log.
constexpr std::size_t kMaxFileBytes = 256u << 20;
constexpr std::size_t kMaxReportedLines = 20;

std::string errnoText(int err) {
    return std::strerror(err);
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Makes "<path>.Bak" the file's present content. The old backup is replaced
// only by a complete one. Empty on success, else the reason.
std::string backUp(const std::string& path) {
    const std::string bak = path + ".Bak";
    const std::string fresh = bak + ".new";
    ::unlink(fresh.c_str());
    if (::linkat(AT_FDCWD, path.c_str(), AT_FDCWD, fresh.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        // No hard links here (some file systems): copy.
        file::Contents old = file::ReadWhole(path, kMaxFileBytes);
        if (old.status != file::Contents::Status::Ok)
            return "cannot read it: " + (old.error.empty() ? "too large" : old.error);
        FileDescriptor out(::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (!out.valid())
            return fresh + ": " + errnoText(errno);
        if (!writeAll(out.get(), old.bytes) || ::fsync(out.get()) != 0) {
            const std::string why = fresh + ": " + errnoText(errno);
            ::unlink(fresh.c_str());
            return why;
        }
    }
    if (::rename(fresh.c_str(), bak.c_str()) != 0) {
        const std::string why = bak + ": " + errnoText(errno);
        ::unlink(fresh.c_str());
        return why;
    }
    return {};
}

std::string kindWord(QsoKind kind) {
    return kind == QsoKind::Contest ? "contest" : "normal";
}

std::string keptLinesMessage(const std::string& path, const std::vector<PassLine>& lines) {
    std::size_t count = 0;
    std::string list;
    for (const PassLine& p : lines) {
        if (!p.fault)
            continue;
        if (count < kMaxReportedLines) {
            if (count > 0)
                list += ", ";
            list += std::to_string(p.lineNumber) + " (" + std::string(describe(*p.fault)) + ")";
        }
        ++count;
    }
    if (count == 0)
        return {};
    std::string text = path + ": " + std::to_string(count) +
                       (count == 1 ? " line is" : " lines are") +
                       " not read as QSOs and kept as they are: line " + list;
    if (count > kMaxReportedLines)
        text += " and " + std::to_string(count - kMaxReportedLines) + " more";
    return text + ".";
}

} // namespace

std::optional<std::string> checkLogName(std::string_view name) {
    if (name.empty())
        return "No log file name given.";
    if (name.find('\0') != std::string_view::npos)
        return "A log file name cannot hold a NUL character.";
    if (name.size() > kMaxLogNameBytes)
        return "The log file name is longer than " + std::to_string(kMaxLogNameBytes) +
               " bytes: " + std::string(name);
    return std::nullopt;
}

std::string upperCall(std::string_view call) {
    std::string out(call);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string searchLine(const QSORecord& r) {
    const LocalTime t = toLocalTime(r.time).value_or(LocalTime{});
    char when[64];
    std::snprintf(when, sizeof when, " QSO on %02d/%02d/%04d at %02d:%02d:%02d on ", t.month, t.day,
                  t.year, t.hour, t.minute, t.second);
    std::string out = r.call;
    out += ' ';
    out += qsoModeName(r);
    out += when;
    out += bandName(r.band);
    return out;
}

QsoLogFile::QsoLogFile(CRigControlRegistry& settings, std::string homeDir)
    : settings_(settings), homeDir_(std::move(homeDir)),
      now_([] { return static_cast<int64_t>(std::time(nullptr)); }) {}

std::string QsoLogFile::resolve(const std::string& name) const {
    const std::filesystem::path p(name);
    if (p.is_absolute() || homeDir_.empty())
        return name;
    return (std::filesystem::path(homeDir_) / p).string();
}

void QsoLogFile::makeFolderFor(const std::string& name) const {
    if (std::filesystem::path(name).is_absolute())
        return;
    std::error_code ec; // a failure shows when the file is opened
    std::filesystem::create_directories(std::filesystem::path(resolve(name)).parent_path(), ec);
}

void QsoLogFile::disown(std::string reason) {
    owned_ = false;
    toldNotOwned_ = false;
    disownedBecause_ = std::move(reason);
}

std::string QsoLogFile::notOwnedMessage(const std::string& path) {
    // Told once per cause, not at every QSO.
    if (std::exchange(toldNotOwned_, true))
        return {};
    return "Nothing is written to " + path + ": " + disownedBecause_ +
           ". The QSOs stay in the list; save the log under a name.";
}

LogLoad QsoLogFile::load(std::optional<std::string> name, uint8_t loggingMode,
                         bool switchOnMismatch) {
    LogLoad result;
    std::string target = name_;
    if (name) {
        target = std::move(*name);
    } else {
        // An unreadable setting leaves the name the log had.
        settings_.GetCurrentLogFileName(target);
    }
    if (std::optional<std::string> why = checkLogName(target)) {
        result.refused = true;
        result.messages.push_back(*why);
        return result;
    }

    name_ = target;
    records_.clear();
    passLines_.clear();
    kind_.reset();
    sequence_ = 0;
    unsaved_ = false;
    retry_ = false;
    dupes_.clear();

    const std::string file = path();
    file::Contents in = file::ReadWhole(file, kMaxFileBytes);
    if (in.status == file::Contents::Status::Missing) {
        // An empty log; the first QSO creates the file.
        result.missing = true;
        disown("the file appeared after the log was found empty");
        (void)settings_.SetCurrentLogFileName(name_); // remembered for the next start only
        return result;
    }
    if (in.status != file::Contents::Status::Ok) {
        if (in.status == file::Contents::Status::TooLarge)
            in.error = "larger than 256 MiB";
        disown("the file could not be read");
        result.messages.push_back("Unable to read the log file " + file + ": " + in.error + ".");
        return result;
    }

    LogText log = readLogText(in.bytes, now_());
    in.bytes = std::string();
    records_ = std::move(log.records);
    passLines_ = std::move(log.passLines);
    sequence_ = log.numbered;
    kind_ = log.kind;
    dupes_.rebuild(records_);
    result.read = true;
    result.fileKind = log.kind;

    const QsoKind modeKind = (loggingMode & 1) ? QsoKind::Contest : QsoKind::Normal;
    result.modeMatches = !log.kind || *log.kind == modeKind;
    owned_ = true;
    if (!result.modeMatches) {
        result.recreateWindow = true;
        if (switchOnMismatch) {
            result.switchMode = static_cast<uint8_t>(*log.kind);
        } else {
            // Listed, its QSOs would be written back in the other layout (or
            // new ones of the other kind joined to them): the file stays as it
            // is and the log starts empty.
            records_.clear();
            passLines_.clear();
            kind_.reset();
            sequence_ = 0;
            dupes_.clear();
            disown("it is a " + kindWord(*log.kind) + " log and the logging mode is " +
                   kindWord(modeKind));
            result.messages.push_back(
                file + " is a " + kindWord(*log.kind) + " log and the logging mode is now " +
                kindWord(modeKind) + ": it is left as it is and the list starts empty. Load a " +
                kindWord(modeKind) + " log, or Save the new QSOs under a name of their own.");
            (void)settings_.SetCurrentLogFileName(name_); // remembered for the next start only
            return result;
        }
    }
    (void)settings_.SetCurrentLogFileName(name_); // remembered for the next start only
    if (std::string kept = keptLinesMessage(file, passLines_); !kept.empty())
        result.messages.push_back(std::move(kept));
    return result;
}

LogWrite QsoLogFile::add(QSORecord record) {
    records_.push_back(record.fitted());
    const QSORecord& r = records_.back();
    dupes_.add(r);
    if (kind_ && r.type != *kind_) {
        unsaved_ = true;
        return {LogWrite::Status::NotWritten,
                "A " + kindWord(r.type) + " QSO is not written to " + path() + ", a log of " +
                    kindWord(*kind_) + " QSOs. It stays in the list; save the log under a name."};
    }
    kind_ = r.type;
    if (retry_ && (owned_ || !exists(path()))) {
        LogWrite w = rewrite();
        if (w.written()) {
            retry_ = false;
            w.wholeList = true;
        } else {
            unsaved_ = true;
        }
        return w;
    }
    LogWrite w = append(r);
    if (!w.written()) {
        unsaved_ = true;
        retry_ = w.status == LogWrite::Status::Failed;
    }
    return w;
}

LogWrite QsoLogFile::append(const QSORecord& record) {
    const std::string file = path();
    makeFolderFor(name_);
    int flags = O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC; // read: the last byte
    if (!owned_)
        flags |= O_EXCL; // only a file that is not there yet becomes ours
    FileDescriptor fd(::open(file.c_str(), flags, 0666));
    if (!fd.valid()) {
        if (!owned_ && errno == EEXIST)
            return {LogWrite::Status::NotWritten, notOwnedMessage(file)};
        return {LogWrite::Status::Failed, "The QSO was not written to " + file + ": " +
                                              errnoText(errno) +
                                              ". It stays in the list for the next save."};
    }
    owned_ = true; // made by this log, or already its own
    auto failed = [&file](int err) {
        return LogWrite{LogWrite::Status::Failed, "The QSO was not written to " + file + ": " +
                                                      errnoText(err) +
                                                      ". It stays in the list for the next save."};
    };

    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return failed(errno);
    std::string data;
    if (st.st_size > 0) {
        char last = '\n';
        if (::pread(fd.get(), &last, 1, st.st_size - 1) != 1)
            return failed(errno);
        if (last != '\n')
            data = "\n"; // the last line was never ended; do not glue onto it
    }
    data += formatLine(record, sequence_ + 1);

    // One write: a kill leaves the whole line or none of it.
    const ssize_t n = ::write(fd.get(), data.data(), data.size());
    int err = 0;
    if (n < 0)
        err = errno;
    else if (n != static_cast<ssize_t>(data.size()))
        err = ENOSPC; // a short write to a file: the disk is full
    else if (::fdatasync(fd.get()) != 0)
        err = errno;
    if (err != 0) {
        // Cut back what did get in, so that no torn line is left.
        if (::ftruncate(fd.get(), st.st_size) == 0)
            ::fdatasync(fd.get());
        return failed(err);
    }
    ++sequence_;
    owned_ = true;
    return {LogWrite::Status::Written, {}};
}

LogWrite QsoLogFile::rewrite(std::optional<std::string> name) {
    const std::string target = name ? *name : name_;
    if (std::optional<std::string> why = checkLogName(target))
        return {LogWrite::Status::NotWritten, *why};
    const std::string file = resolve(target);
    if (!name && !owned_ && exists(file))
        return {LogWrite::Status::NotWritten, notOwnedMessage(file)};

    makeFolderFor(target);
    auto failed = [&file](const std::string& why) {
        return LogWrite{LogWrite::Status::Failed, "Unable to save the log to " + file + ": " + why +
                                                      ". The file is as it was."};
    };
    if (exists(file)) {
        if (std::string why = backUp(file); !why.empty())
            return failed("no backup: " + why);
    }
    if (std::string why = file::WriteWhole(file, writeLogText(records_, passLines_)).error;
        !why.empty())
        return failed(why);

    name_ = target;
    (void)settings_.SetCurrentLogFileName(name_); // remembered for the next start only
    sequence_ = static_cast<int64_t>(records_.size());
    owned_ = true;
    unsaved_ = false;
    retry_ = false;
    if (!kind_ && !records_.empty())
        kind_ = records_.front().type;
    return {LogWrite::Status::Written, {}};
}

LogWrite QsoLogFile::addAll(std::vector<QSORecord> records) {
    if (records.empty())
        return {};
    const std::optional<QsoKind> kind =
        kind_ ? kind_ : std::optional<QsoKind>(records.front().type);
    for (const QSORecord& r : records)
        if (r.type != *kind)
            return {LogWrite::Status::NotWritten,
                    "A " + kindWord(r.type) + " QSO cannot join a log of " + kindWord(*kind) +
                        " QSOs; nothing is imported."};
    const std::size_t before = records_.size();
    const bool wasUnsaved = unsaved_;
    const std::optional<QsoKind> oldKind = kind_;
    records_.reserve(before + records.size());
    for (QSORecord& r : records)
        records_.push_back(r.fitted());
    kind_ = kind;
    LogWrite w = rewrite();
    if (w.status == LogWrite::Status::NotWritten && !owned_) {
        // The log owns no file (after New): the QSOs are the list's, as a typed one would be.
        unsaved_ = true;
        for (std::size_t i = before; i < records_.size(); ++i)
            dupes_.add(records_[i]);
        return w;
    }
    if (!w.written()) {
        records_.resize(before);
        kind_ = oldKind;
        unsaved_ = wasUnsaved;
        w.message += " Nothing is imported.";
        return w;
    }
    for (std::size_t i = before; i < records_.size(); ++i)
        dupes_.add(records_[i]);
    return w;
}

void QsoLogFile::startNew() {
    name_ = kDefaultLogName;
    (void)settings_.SetCurrentLogFileName(name_); // remembered for the next start only
    records_.clear();
    passLines_.clear();
    kind_.reset();
    sequence_ = 0;
    unsaved_ = false;
    retry_ = false;
    dupes_.clear();
    disown("the log was started anew and that file is not part of it");
}

LogWrite QsoLogFile::replace(std::size_t row, const QSORecord& original, QSORecord updated) {
    if (row >= records_.size() || records_[row] != original)
        return {};
    QSORecord old = std::exchange(records_[row], updated.fitted());
    const bool wasUnsaved = std::exchange(unsaved_, true);
    LogWrite w = rewrite();
    if (w.status == LogWrite::Status::Failed) {
        records_[row] = std::move(old);
        unsaved_ = wasUnsaved;
        w.message += " The change is not made.";
        return w;
    }
    dupes_.remove(old);
    dupes_.add(records_[row]);
    return w;
}

LogWrite QsoLogFile::remove(std::size_t row, const QSORecord& original) {
    if (row >= records_.size() || records_[row] != original)
        return {};
    const auto at = records_.begin() + static_cast<std::ptrdiff_t>(row);
    QSORecord old = std::move(*at);
    records_.erase(at);
    std::vector<PassLine> oldPassLines = passLines_;
    for (PassLine& p : passLines_)
        if (p.before > row)
            --p.before;
    const bool wasUnsaved = std::exchange(unsaved_, true);
    LogWrite w = rewrite();
    if (w.status == LogWrite::Status::Failed) {
        records_.insert(records_.begin() + static_cast<std::ptrdiff_t>(row), std::move(old));
        passLines_ = std::move(oldPassLines);
        unsaved_ = wasUnsaved;
        w.message += " The QSO is not deleted.";
        return w;
    }
    dupes_.remove(old);
    return w;
}

std::vector<std::string> searchLog(std::span<const QSORecord> records, std::string_view call) {
    const std::string wanted = upperCall(call);
    std::vector<std::string> lines;
    for (const QSORecord& r : records)
        if (r.call == wanted)
            lines.push_back(searchLine(r));
    return lines;
}

std::optional<QSORecord> recallQso(std::span<const QSORecord> records, std::string_view call,
                                   int n) {
    if (n < 0)
        return std::nullopt;
    const std::string wanted = upperCall(call);
    for (const QSORecord& r : records)
        if (r.call == wanted && n-- == 0)
            return r;
    return std::nullopt;
}

} // namespace tamrel
