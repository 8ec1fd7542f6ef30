#include "CContestQSODlg.h"

#include "CEditQSODlg.h"
#include "CQSOLogFile.h"
#include "QsoMessages.h"

#include "controls/ControlSupport.h"
#include "settings/CRigControlRegistry.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace tamrel {

namespace {
std::string fieldText(const QLineEdit* e, QsoText field) {
    return fitText(e->text().toStdString(), textCapacity(QsoKind::Contest, field));
}
} // namespace

CContestQSODlg::CContestQSODlg(CRigControlRegistry& settings, Prompter& prompter, Post toThread,
                               Post toPanel, QWidget* parent)
    : QsoInfoWindow(settings, prompter, std::move(toThread), std::move(toPanel), parent) {
    setControlId(*this, qsoctl::kContestDialog);
    setWindowTitle(QStringLiteral("Contest QSO Information"));

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

    finish(*grid, 3, *call_, QsoKind::Contest,
           {qsoctl::kContestLogIt, qsoctl::kContestClear, qsoctl::kContestSetMacro,
            qsoctl::kContestDupeLine});
}

void CContestQSODlg::fill(const QSORecord& r) {
    call_->setText(QString::fromStdString(r.call));
    exchange_->setText(QString::fromStdString(r.exchange));
    comment_->setText(QString::fromStdString(r.comment));
}

void CContestQSODlg::logIt() {
    QSORecord r;
    r.type = QsoKind::Contest;
    std::optional<std::string> call = callToLog();
    if (!call)
        return;
    r.call = std::move(*call);
    r.exchange = fieldText(exchange_, QsoText::Exchange);
    r.comment = fieldText(comment_, QsoText::Comment);
    toThread_(infomsg::logIt(std::move(r)));
}

void CContestQSODlg::clear() {
    for (QLineEdit* e : {call_, exchange_, comment_})
        e->clear();
    setMacro();
}

void CContestQSODlg::setMacro() {
    settings_.SetMacroVariable(5, call_->text().toStdString());
}

} // namespace tamrel
