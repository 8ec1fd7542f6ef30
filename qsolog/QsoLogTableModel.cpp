#include "QsoLogTableModel.h"

#include "QsoLogView.h"

namespace tamrel {

QsoLogTableModel::QsoLogTableModel(QsoKind kind, QObject* parent)
    : QAbstractTableModel(parent), kind_(kind) {}

void QsoLogTableModel::setRecords(std::vector<QSORecord> records) {
    beginResetModel();
    records_ = std::move(records);
    cachedRow_ = -1;
    endResetModel();
}

void QsoLogTableModel::append(QSORecord record) {
    const int row = int(records_.size());
    beginInsertRows({}, row, row);
    records_.push_back(std::move(record));
    endInsertRows();
}

int QsoLogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(records_.size());
}

int QsoLogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(logColumns(kind_).size());
}

const std::vector<std::string>& QsoLogTableModel::textsOf(int row) const {
    if (row != cachedRow_) {
        cachedTexts_ = rowTexts(records_[std::size_t(row)], std::size_t(row) + 1);
        cachedRow_ = row;
    }
    return cachedTexts_;
}

QVariant QsoLogTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const std::vector<std::string>& texts = textsOf(index.row());
    if (std::size_t(index.column()) >= texts.size())
        return {};
    return QString::fromStdString(texts[std::size_t(index.column())]);
}

QVariant QsoLogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount())
        return {};
    const std::string_view title = logColumns(kind_)[std::size_t(section)].title;
    return QString::fromUtf8(title.data(), qsizetype(title.size()));
}

} // namespace tamrel
