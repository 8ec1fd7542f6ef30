#include "CQSOInfoDlg.h"

#include "LogText.h"
#include "QsoEditDialog.h"

#include "controls/ControlSupport.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace tamrel {

CQSOInfoDlg::CQSOInfoDlg(const QsoWiring& wiring, QWidget* parent)
    : QsoInfoWindow(QsoKind::Normal, wiring, parent) {
    const QString title = QStringLiteral("QSO Information");
    setControlId(*this, qsoctl::kInfoDialog, title);
    setWindowTitle(title);

    auto* grid = new QGridLayout(this);
    auto add = [&](int id, const QString& label, int row, int column) {
        QLineEdit* e = MakeQsoTextEdit(*this, id, label);
        grid->addWidget(new QLabel(label, this), row, column);
        grid->addWidget(e, row, column + 1);
        return e;
    };
    call_ = add(qsoctl::kHisCall, QStringLiteral("His Call: "), 0, 0);
    name_ = add(qsoctl::kHisName, QStringLiteral("His Name:"), 0, 2);
    hisSig_ = add(qsoctl::kHisSigEdit, QStringLiteral("His Sig:"), 1, 0);
    mySig_ = add(qsoctl::kMySigEdit, QStringLiteral("My Sig"), 1, 2);
    SetReportToolTip(*hisSig_, QsoText::HisSig);
    SetReportToolTip(*mySig_, QsoText::MySig);
    qth_ = add(qsoctl::kHisQth, QStringLiteral("His QTH:"), 2, 0);
    comment_ = add(qsoctl::kInfoComment, QStringLiteral("Comment"), 3, 0);
    grid->removeWidget(qth_);
    grid->addWidget(qth_, 2, 1, 1, 3);
    grid->removeWidget(comment_);
    grid->addWidget(comment_, 3, 1, 1, 3);

    finish(*grid, 4, *call_,
           {qsoctl::kLogIt, qsoctl::kClear, qsoctl::kSetMacro, qsoctl::kDupeLine});
}

void CQSOInfoDlg::fill(const QSORecord& r) {
    call_->setText(QString::fromStdString(logTextUtf8(r.call)));
    name_->setText(QString::fromStdString(logTextUtf8(r.name)));
    qth_->setText(QString::fromStdString(logTextUtf8(r.qth)));
    hisSig_->setText(QString::fromStdString(logTextUtf8(r.hisSig)));
    mySig_->setText(QString::fromStdString(logTextUtf8(r.mySig)));
    comment_->setText(QString::fromStdString(logTextUtf8(r.comment)));
}

QSORecord CQSOInfoDlg::typed() const {
    QSORecord r;
    r.type = QsoKind::Normal;
    r.call = logTextBytes(call_->text().toStdString());
    r.name = logTextBytes(name_->text().toStdString());
    r.qth = logTextBytes(qth_->text().toStdString());
    r.hisSig = logTextBytes(hisSig_->text().toStdString());
    r.mySig = logTextBytes(mySig_->text().toStdString());
    r.comment = logTextBytes(comment_->text().toStdString());
    return r;
}

void CQSOInfoDlg::clearFields() {
    for (QLineEdit* e : {call_, name_, hisSig_, mySig_, qth_, comment_})
        e->clear();
}

} // namespace tamrel
