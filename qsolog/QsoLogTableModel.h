#pragma once
// The rows of the log list (1221) as a table model over the GUI-side list
// (QsoLogStore), which it follows: the texts of a row are made when the view
// asks for them, so a log of 100,000 QSOs lists at once and holds no item
// per cell. A row the file does not hold yet is shown red, with a tooltip.

#include "QSORecord.h"
#include "QsoLogStore.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace tamrel {

inline constexpr char kNotInFileTip[] =
    "Not in the log file: the file did not take it. Save the log to write it.";

class QsoLogTableModel final : public QAbstractTableModel {
public:
    // The columns of `kind`; the rows are the store's.
    QsoLogTableModel(QsoKind kind, const QsoLogStore& store, QObject* parent = nullptr);

    QsoKind kind() const { return kind_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void follow(const LogChange& change);
    const std::vector<std::string>& textsOf(int row) const;

    QsoKind kind_;
    const QsoLogStore& store_;
    // The rows as the view was last told: the store has changed already
    // when it announces.
    int rows_ = 0;
    // The view asks cell by cell: the last row's texts are kept.
    mutable int cachedRow_ = -1;
    mutable std::vector<std::string> cachedTexts_;
    QsoLogStore::Subscription watch_;
};

} // namespace tamrel
