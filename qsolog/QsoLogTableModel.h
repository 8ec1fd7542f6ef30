#pragma once
// The rows of the log list (1221) as a table model: the texts of a row are
// made when the view asks for them, so a log of 100,000 QSOs lists at once
// and holds no item per cell.

#include "QSORecord.h"

#include <QAbstractTableModel>

#include <vector>

namespace tamrel {

class QsoLogTableModel final : public QAbstractTableModel {
public:
    explicit QsoLogTableModel(QsoKind kind, QObject* parent = nullptr);

    QsoKind kind() const { return kind_; }
    const std::vector<QSORecord>& records() const { return records_; }
    void setRecords(std::vector<QSORecord> records);
    void append(QSORecord record);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const std::vector<std::string>& textsOf(int row) const;

    QsoKind kind_;
    std::vector<QSORecord> records_;
    // The view asks cell by cell: the last row's texts are kept.
    mutable int cachedRow_ = -1;
    mutable std::vector<std::string> cachedTexts_;
};

} // namespace tamrel
