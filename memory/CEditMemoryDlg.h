#pragma once
// CEditMemoryDlg: lists every memory; "Edit" (or a double-click) opens the
// first selected one in the save dialog in edit mode, "Delete" deletes it
// after asking, "Done" closes. The list is rebuilt after every change.

#include "memory/MemoryLists.h"

#include <QDialog>

class QTableWidget;

namespace tamrel {

class CEditMemoryDlg : public QDialog {
public:
    explicit CEditMemoryDlg(EditMemoryList& list, QWidget* parent = nullptr);

    QTableWidget& List() const { return *table_; }

private:
    void Refill();

    EditMemoryList& list_;
    QTableWidget* table_ = nullptr;
};

} // namespace tamrel
