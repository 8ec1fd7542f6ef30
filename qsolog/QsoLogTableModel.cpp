#include "QsoLogTableModel.h"

#include "LogText.h"
#include "QsoLogView.h"

#include <QBrush>
#include <QColor>

namespace tamrel {

QsoLogTableModel::QsoLogTableModel(QsoKind kind, const QsoLogStore& store, QObject* parent)
    : QAbstractTableModel(parent), kind_(kind), store_(store), rows_(int(store.size())),
      watch_(store.Observe([this](const LogChange& c) { follow(c); })) {}

void QsoLogTableModel::follow(const LogChange& c) {
    cachedRow_ = -1;
    const int row = int(c.row);
    switch (c.kind) {
    case LogChange::Kind::Appended:
        beginInsertRows({}, row, row + int(c.count) - 1);
        rows_ = int(store_.size());
        endInsertRows();
        break;
    case LogChange::Kind::Removed:
        beginRemoveRows({}, row, row);
        rows_ = int(store_.size());
        endRemoveRows();
        break;
    case LogChange::Kind::Replaced:
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
        break;
    case LogChange::Kind::Saved:
        if (rows_ > 0)
            Q_EMIT dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1),
                               {Qt::ForegroundRole, Qt::ToolTipRole});
        break;
    case LogChange::Kind::Reset:
        beginResetModel();
        rows_ = int(store_.size());
        endResetModel();
        break;
    }
}

int QsoLogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int QsoLogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(logColumns(kind_).size());
}

const std::vector<std::string>& QsoLogTableModel::textsOf(int row) const {
    if (row != cachedRow_) {
        cachedTexts_ = rowTexts(store_.records()[std::size_t(row)], std::size_t(row) + 1);
        cachedRow_ = row;
    }
    return cachedTexts_;
}

QVariant QsoLogTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || std::size_t(index.row()) >= store_.size())
        return {};
    const std::size_t row = std::size_t(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        const std::vector<std::string>& texts = textsOf(index.row());
        if (std::size_t(index.column()) >= texts.size())
            return {};
        return QString::fromStdString(logTextUtf8(texts[std::size_t(index.column())]));
    }
    case Qt::ForegroundRole:
        if (!store_.inFile(row))
            return QBrush(QColor(0xc0, 0, 0));
        return {};
    case Qt::ToolTipRole:
        if (!store_.inFile(row))
            return QString::fromLatin1(kNotInFileTip);
        return {};
    default:
        return {};
    }
}

QVariant QsoLogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount())
        return {};
    const std::string_view title = logColumns(kind_)[std::size_t(section)].title;
    return QString::fromUtf8(title.data(), qsizetype(title.size()));
}

} // namespace tamrel
