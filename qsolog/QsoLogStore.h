#pragma once
// QsoLogStore: the log as the windows show it: the QSOs in order, the dupe
// index over them, the statistics, and which rows the file does not hold yet.
// It changes only as the log worker's results say its log changed (QsoLog
// applies them), so it lists what the worker's log lists and nothing the
// worker refused; a QSO the file could not take is listed as not in the file.
//
// Every change is announced to the observers (the table model, the
// statistics, the dupe line) once made; changes announced while observers
// are told merge into one Reset.
//
// Thread: the GUI thread; a plain value otherwise.

#include "QSORecord.h"
#include "QsoDupeIndex.h"
#include "QsoLogView.h"

#include "platform/Announcer.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

struct LogChange {
    // Saved: the rows are the same, all in the file now.
    enum class Kind { Reset, Appended, Replaced, Removed, Saved } kind = Kind::Reset;
    std::size_t row = 0;   // Appended: the first new row
    std::size_t count = 0; // Appended: how many
    LogChange merged(const LogChange&) const { return {}; }
};

class QsoLogStore {
public:
    using Subscription = Announcer<LogChange>::Subscription;

    explicit QsoLogStore(QsoKind kind = QsoKind::Normal) : kind_(kind) {}
    QsoLogStore(const QsoLogStore&) = delete;
    QsoLogStore& operator=(const QsoLogStore&) = delete;

    // The kind of the list's columns: the logging mode's at the last listing.
    QsoKind kind() const { return kind_; }
    const std::vector<QSORecord>& records() const { return records_; }
    std::size_t size() const { return records_.size(); }
    // False for a row the file did not take (save the log to write it).
    bool inFile(std::size_t row) const { return row < inFile_.size() && inFile_[row]; }
    // Listed QSOs the file does not hold (yet).
    std::size_t notInFileCount() const {
        return std::size_t(std::count(inFile_.begin(), inFile_.end(), false));
    }
    const QsoStatistics& statistics() const { return stats_; }

    // The call as typed, at this band and mode: a dupe by the rule of the
    // list's kind (QsoDupeIndex.h).
    DupeCheck check(std::string_view call, int band, int mode) const;
    // "<call> <mode> QSO on ..." per QSO with the call, in list order.
    std::vector<std::string> search(std::string_view call) const;
    // The n-th (from 0) QSO with the call.
    std::optional<QSORecord> recall(std::string_view call, int n) const;

    [[nodiscard]] Subscription Observe(Announcer<LogChange>::Observer observer) const {
        return announcer_.Subscribe(std::move(observer));
    }

    // The changes, as the worker made them.
    void reset(QsoKind kind, std::vector<QSORecord> records, QsoDupeIndex dupes);
    void append(QSORecord record, bool inFile);
    // Written with the whole list (an import).
    void appendWritten(std::vector<QSORecord> records);
    void replace(std::size_t row, QSORecord record, bool inFile);
    void remove(std::size_t row);
    // The file was written with every listed QSO.
    void markAllInFile();

private:
    void announce(LogChange change) { announcer_.Announce(change); }

    QsoKind kind_;
    std::vector<QSORecord> records_;
    std::vector<bool> inFile_;
    QsoDupeIndex dupes_;
    QsoStatistics stats_;
    // Observing does not change the list.
    mutable Announcer<LogChange> announcer_;
};

} // namespace tamrel
