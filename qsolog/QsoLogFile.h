#pragma once
// QsoLogFile: the QSO log as the log worker keeps it (QsoLogWorker.h): the
// list of QSOs, the file they live in, the sequence counter, and the file's
// comment and kept lines (QsoLine.h), which go back into every rewritten file.
//
// Threads: owned and used by one thread (the log worker's); not shared. It
// shows nothing itself: every text for the operator comes back in a result
// for the caller to hand on.
//
// Names: the name of a log is what the operator chose (a full path from the
// file dialogs) or a name relative to the home directory ("HomeDir"), never
// to the current folder; it is stored as "Current Log File Name". Names over
// 79 bytes are refused, never cut: the setting holds no more. The home
// directory (or the folder of a relative name in it) is made when missing.
//
// Writes never lose the log on a kill:
// - append: one write(2) with O_APPEND of the whole line (a "\n" first when
//   the file's last line lacks one), then fdatasync; a failed write is cut
//   back, so no torn line is left.
// - rewrite: the old file becomes "<name>.Bak" (hard link, or a copy, under
//   a temporary name renamed into place), then the new content goes through
//   QSaveFile (a temporary file in the folder, synced, renamed over the log),
//   then the folder is synced. A failure leaves the old log as it was.
//
// Ownership: the log writes into its file only while that file holds the
// listed QSOs: after a load that read it, or once this log wrote it. After
// New, after a load that could not read the file, or after a load of a file
// of the other kind without a mode switch (which lists none of its QSOs), an
// existing file of the current name is neither appended to nor rewritten; the
// QSOs stay listed, and the operator is told to save under a name. Saving under a chosen name is
// the operator's decision (the save dialog asks before replacing a file).
//
// A QSO that could not be written stays listed and is written by the next
// rewrite; unsaved() tells whether there is one. After a failed write (a full
// disk) the next QSO rewrites the whole list, so the ones left out get in as
// soon as the disk takes them. A file this log created is its own even when
// the write into it failed. A replace or delete whose
// rewrite failed is undone, so the list stays what the file holds; while the
// log owns no file the list is all there is, and they are made in it.

#include "QSORecord.h"
#include "QsoDupeIndex.h"
#include "QsoLine.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

class CRigControlRegistry;

inline constexpr char kDefaultLogName[] = "Tamrel.QSO.Log";
inline constexpr std::size_t kMaxLogNameBytes = 79;

// What a write did.
struct LogWrite {
    enum class Status {
        Written,    // the file holds the change
        Unchanged,  // nothing to do: the row was not the record asked for
        NotWritten, // the file is not this log's (see Ownership) or the name was refused
        Failed,     // the file could not be written; it is as it was
    };
    Status status = Status::Unchanged;
    std::string message;    // for the operator when not written or failed
    bool wholeList = false; // written by a rewrite: the file holds every listed QSO
    bool written() const { return status == Status::Written; }
};

// What a load found; the caller acts on the mode check.
struct LogLoad {
    bool refused = false;            // the name was refused; nothing changed
    bool read = false;               // the file was read
    bool missing = false;            // no such file: an empty log that the first QSO creates
    std::optional<QsoKind> fileKind; // the kind of the file's QSOs; none without any
    bool modeMatches = true;
    // When set, the caller switches "QSO Logging Mode" to it; the log is
    // then written to this file.
    std::optional<uint8_t> switchMode;
    // Any mode mismatch: the logging window is made anew with the columns of the mode.
    bool recreateWindow = false;
    std::vector<std::string> messages; // for the operator, in order
};

class QsoLogFile {
public:
    // `homeDir` is where relative names lie. The log starts empty under the
    // default name, owning no file.
    QsoLogFile(CRigControlRegistry& settings, std::string homeDir);
    QsoLogFile(const QsoLogFile&) = delete;
    QsoLogFile& operator=(const QsoLogFile&) = delete;

    const std::string& name() const { return name_; }
    // The file the name stands for.
    std::string path() const { return resolve(name_); }
    std::string resolve(const std::string& name) const;
    const std::vector<QSORecord>& records() const { return records_; }
    const std::vector<PassLine>& passLines() const { return passLines_; }
    int64_t sequence() const { return sequence_; }
    bool ownsFile() const { return owned_; }
    bool unsaved() const { return unsaved_; }
    // The kind of the listed QSOs and the file; none while there are none.
    std::optional<QsoKind> kind() const { return kind_; }
    // The listed QSOs by call, kept in step with every change of the list.
    const QsoDupeIndex& dupeIndex() const { return dupes_; }

    // Loads the named file, or the one of "Current Log File Name" when no
    // name is given. `loggingMode` is "QSO Logging Mode"; with
    // `switchOnMismatch` (the initial load and the Load button) a file of the
    // other kind asks for a mode switch, otherwise the log starts empty and
    // the file is left alone (see Ownership). Kept lines are reported in one
    // message.
    LogLoad load(std::optional<std::string> name, uint8_t loggingMode, bool switchOnMismatch);

    // A new QSO: listed, and appended to the file.
    LogWrite add(QSORecord record);

    // Many QSOs at once (an import): listed and written by one rewrite with
    // its ".Bak". All or nothing: when the rewrite fails, or a QSO is of the
    // other kind than the log's, the list and the file stay as they were.
    // While the log owns no file (after New) they are listed, not written
    // (NotWritten), for the operator to save under a name.
    LogWrite addAll(std::vector<QSORecord> records);

    // Writes the whole list anew, numbered from 1, into the named file (which
    // becomes the current one) or the current one.
    LogWrite rewrite(std::optional<std::string> name = std::nullopt);

    // An empty log under the default name; no file is written.
    void startNew();

    // Replace or delete the record at `row`, when it still is `original`
    // (else nothing changes), then rewrite; undone when the rewrite failed.
    LogWrite replace(std::size_t row, const QSORecord& original, QSORecord updated);
    LogWrite remove(std::size_t row, const QSORecord& original);

    // The time given to QSOs whose date field is empty; the clock by default.
    void setClock(std::function<int64_t()> now) { now_ = std::move(now); }

private:
    LogWrite append(const QSORecord& record);
    void disown(std::string reason);
    std::string notOwnedMessage(const std::string& path);
    void makeFolderFor(const std::string& name) const;

    CRigControlRegistry& settings_;
    std::string homeDir_;
    std::string name_ = kDefaultLogName;
    std::vector<QSORecord> records_;
    std::vector<PassLine> passLines_;
    std::optional<QsoKind> kind_; // of the listed QSOs and the file
    int64_t sequence_ = 0;
    bool owned_ = false;
    bool toldNotOwned_ = false;
    std::string disownedBecause_ = "it is not part of this log";
    bool unsaved_ = false;
    bool retry_ = false; // a write failed: the next QSO rewrites the whole list
    std::function<int64_t()> now_;
    QsoDupeIndex dupes_;
};

// A name the log accepts, or the operator's message why not.
std::optional<std::string> checkLogName(std::string_view name);

// "<call> <mode> QSO on MM/DD/YYYY at hh:mm:ss on <band>"
std::string searchLine(const QSORecord& record);

// One line per QSO with the call (upper-cased), in list order.
std::vector<std::string> searchLog(std::span<const QSORecord> records, std::string_view call);
// The n-th (from 0) QSO with the call (upper-cased), if any.
std::optional<QSORecord> recallQso(std::span<const QSORecord> records, std::string_view call,
                                   int n);

// Call as searched: ASCII letters upper-cased.
std::string upperCall(std::string_view call);

} // namespace tamrel
