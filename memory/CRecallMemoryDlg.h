#pragma once
// CRecallMemoryDlg: picks the memory to recall from a list of all of them.
// "Select" or a double-click on a row closes it with that row's name (empty
// when no row is selected); Escape cancels.

#include "memory/MemoryLists.h"

#include <QDialog>

#include <string>

class CShadedButton;
class QTableWidget;

namespace tamrel {

class CRecallMemoryDlg : public QDialog {
public:
    explicit CRecallMemoryDlg(RecallMemoryList& list, QWidget* parent = nullptr);

    // The chosen name, once the dialog was accepted.
    const std::string& SelectedName() const { return selected_; }
    QTableWidget& List() const { return *table_; }

private:
    void Choose(int row);

    RecallMemoryList& list_;
    QTableWidget* table_ = nullptr;
    std::string selected_;
};

} // namespace tamrel
