#include "QsoLogStore.h"

#include "QsoLogFile.h"

#include <algorithm>

namespace tamrel {

DupeCheck QsoLogStore::check(std::string_view call, int band, int mode) const {
    return dupes_.check(call, band, mode, kind_);
}

std::vector<std::string> QsoLogStore::search(std::string_view call) const {
    return searchLog(records_, call);
}

std::optional<QSORecord> QsoLogStore::recall(std::string_view call, int n) const {
    return recallQso(records_, call, n);
}

void QsoLogStore::reset(QsoKind kind, std::vector<QSORecord> records, QsoDupeIndex dupes) {
    kind_ = kind;
    records_ = std::move(records);
    inFile_.assign(records_.size(), true);
    dupes_ = std::move(dupes);
    stats_.recount(records_);
    announce({LogChange::Kind::Reset});
}

void QsoLogStore::append(QSORecord record, bool inFile) {
    dupes_.add(record);
    stats_.add(record);
    records_.push_back(std::move(record));
    inFile_.push_back(inFile);
    announce({LogChange::Kind::Appended, records_.size() - 1, 1});
}

void QsoLogStore::appendWritten(std::vector<QSORecord> records) {
    if (records.empty())
        return;
    const std::size_t first = records_.size();
    for (QSORecord& r : records) {
        dupes_.add(r);
        stats_.add(r);
        records_.push_back(std::move(r));
    }
    inFile_.resize(records_.size(), true);
    announce({LogChange::Kind::Appended, first, records_.size() - first});
    // One rewrite wrote them, and every row before them with them.
    markAllInFile();
}

void QsoLogStore::replace(std::size_t row, QSORecord record, bool inFile) {
    if (row >= records_.size())
        return;
    QSORecord& at = records_[row];
    dupes_.remove(at);
    stats_.remove(at);
    at = std::move(record);
    dupes_.add(at);
    stats_.add(at);
    inFile_[row] = inFile;
    announce({LogChange::Kind::Replaced, row, 1});
}

void QsoLogStore::remove(std::size_t row) {
    if (row >= records_.size())
        return;
    const auto at = records_.begin() + std::ptrdiff_t(row);
    dupes_.remove(*at);
    stats_.remove(*at);
    records_.erase(at);
    inFile_.erase(inFile_.begin() + std::ptrdiff_t(row));
    announce({LogChange::Kind::Removed, row, 1});
}

void QsoLogStore::markAllInFile() {
    if (std::find(inFile_.begin(), inFile_.end(), false) == inFile_.end())
        return;
    inFile_.assign(records_.size(), true);
    announce({LogChange::Kind::Saved});
}

} // namespace tamrel
