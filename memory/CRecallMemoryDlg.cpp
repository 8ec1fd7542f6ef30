#include "CRecallMemoryDlg.h"

#include "controls/CShadedButton.h"
#include "controls/ControlSupport.h"
#include "memory/MemoryDialogLook.h"

#include <QHBoxLayout>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tamrel {

CRecallMemoryDlg::CRecallMemoryDlg(RecallMemoryList& list, QWidget* parent)
    : QDialog(parent), list_(list) {
    setControlId(*this, memctl::kRecallDialog);
    setWindowTitle(QStringLiteral("Recalling Memory"));
    setModal(true);

    table_ = memui::MakeReportList(*this, memctl::kRecallList, kRecallColumns, true);
    memui::FillReportList(*table_, list_.Rows());
    CShadedButton* select = memui::MakeButton(*this, memctl::kOk, QStringLiteral("Select"));
    connect(select, &QAbstractButton::clicked, this,
            [this] { Choose(memui::FirstSelectedRow(*table_)); });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { Choose(row); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(select);
    layout->addLayout(buttons);

    new memui::DialogKeys(*this, *select);
}

void CRecallMemoryDlg::Choose(int row) {
    selected_ = list_.NameAt(row);
    accept();
}

} // namespace tamrel
