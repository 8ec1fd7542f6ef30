#include "CEditMemoryDlg.h"

#include "controls/CShadedButton.h"
#include "controls/ControlSupport.h"
#include "memory/MemoryDialogLook.h"

#include <QHBoxLayout>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tamrel {

CEditMemoryDlg::CEditMemoryDlg(EditMemoryList& list, QWidget* parent)
    : QDialog(parent), list_(list) {
    setControlId(*this, memctl::kEditDialog);
    setWindowTitle(QStringLiteral("Editing Memory"));
    setModal(true);

    table_ = memui::MakeReportList(*this, memctl::kEditList, kEditColumns, false);
    Refill();
    CShadedButton* done = memui::MakeButton(*this, memctl::kOk, QStringLiteral("Done"));
    CShadedButton* edit = memui::MakeButton(*this, memctl::kEditButton, QStringLiteral("Edit"));
    CShadedButton* del = memui::MakeButton(*this, memctl::kDeleteButton, QStringLiteral("Delete"));
    connect(done, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(edit, &QAbstractButton::clicked, this, [this] {
        if (list_.EditRow(memui::FirstSelectedRow(*table_)))
            Refill();
    });
    connect(del, &QAbstractButton::clicked, this, [this] {
        if (list_.DeleteRow(memui::FirstSelectedRow(*table_)))
            Refill();
    });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (list_.EditRow(row))
            Refill();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(edit);
    buttons->addWidget(del);
    buttons->addStretch();
    buttons->addWidget(done);
    layout->addLayout(buttons);

    new memui::DialogKeys(*this, *done);
}

void CEditMemoryDlg::Refill() {
    memui::FillReportList(*table_, list_.Rows());
}

} // namespace tamrel
