#include "CContestQSODlg.h"

#include "LogText.h"
#include "QsoEditDialog.h"

#include "controls/ControlSupport.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace tamrel {

CContestQSODlg::CContestQSODlg(const QsoWiring& wiring, QWidget* parent)
    : QsoInfoWindow(QsoKind::Contest, wiring, parent) {
    const QString title = QStringLiteral("Contest QSO Information");
    setControlId(*this, qsoctl::kContestDialog, title);
    setWindowTitle(title);

    auto* grid = new QGridLayout(this);
    auto add = [&](int id, const QString& label, QsoText field, int row) {
        QLineEdit* e = MakeQsoTextEdit(*this, id, label, textCapacity(QsoKind::Contest, field));
        grid->addWidget(new QLabel(label, this), row, 0);
        grid->addWidget(e, row, 1, 1, 3);
        return e;
    };
    call_ = add(qsoctl::kContestCall, QStringLiteral("His Call: "), QsoText::Call, 0);
    exchange_ = add(qsoctl::kContestExchange, QStringLiteral("Exchange:"), QsoText::Exchange, 1);
    comment_ = add(qsoctl::kContestComment, QStringLiteral("Comment"), QsoText::Comment, 2);

    call_->installEventFilter(this);
    finish(*grid, 3, *call_,
           {qsoctl::kContestLogIt, qsoctl::kContestClear, qsoctl::kContestSetMacro,
            qsoctl::kContestDupeLine});
}

bool CContestQSODlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == call_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            exchange_->text().trimmed().isEmpty() && !call_->text().trimmed().isEmpty()) {
            exchange_->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QsoInfoWindow::eventFilter(watched, event);
}

void CContestQSODlg::fill(const QSORecord& r) {
    call_->setText(QString::fromStdString(logTextUtf8(r.call)));
    exchange_->setText(QString::fromStdString(logTextUtf8(r.exchange)));
    comment_->setText(QString::fromStdString(logTextUtf8(r.comment)));
}

QSORecord CContestQSODlg::typed() const {
    QSORecord r;
    r.type = QsoKind::Contest;
    r.call = logTextBytes(call_->text().toStdString());
    r.exchange = logTextBytes(exchange_->text().toStdString());
    r.comment = logTextBytes(comment_->text().toStdString());
    return r;
}

void CContestQSODlg::clearFields() {
    for (QLineEdit* e : {call_, exchange_, comment_})
        e->clear();
}

} // namespace tamrel
