#include "CQSOInfoDlg.h"

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
    return fitText(e->text().toStdString(), textCapacity(QsoKind::Normal, field));
}
} // namespace

CQSOInfoDlg::CQSOInfoDlg(CRigControlRegistry& settings, Prompter& prompter, Post toThread,
                         Post toPanel, QWidget* parent)
    : QsoInfoWindow(settings, prompter, std::move(toThread), std::move(toPanel), parent) {
    setControlId(*this, qsoctl::kInfoDialog);
    setWindowTitle(QStringLiteral("QSO Information"));

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
    qth_ = add(qsoctl::kHisQth, QStringLiteral("His QTH:"), 2, 0);
    comment_ = add(qsoctl::kInfoComment, QStringLiteral("Comment"), 3, 0);
    grid->removeWidget(qth_);
    grid->addWidget(qth_, 2, 1, 1, 3);
    grid->removeWidget(comment_);
    grid->addWidget(comment_, 3, 1, 1, 3);

    finish(*grid, 4, *call_, QsoKind::Normal,
           {qsoctl::kLogIt, qsoctl::kClear, qsoctl::kSetMacro, qsoctl::kDupeLine});
}

void CQSOInfoDlg::fill(const QSORecord& r) {
    call_->setText(QString::fromStdString(r.call));
    name_->setText(QString::fromStdString(r.name));
    qth_->setText(QString::fromStdString(r.qth));
    hisSig_->setText(QString::fromStdString(r.hisSig));
    mySig_->setText(QString::fromStdString(r.mySig));
    comment_->setText(QString::fromStdString(r.comment));
}

void CQSOInfoDlg::logIt() {
    QSORecord r;
    r.type = QsoKind::Normal;
    std::optional<std::string> call = callToLog();
    if (!call)
        return;
    r.call = std::move(*call);
    r.name = fieldText(name_, QsoText::Name);
    r.qth = fieldText(qth_, QsoText::Qth);
    r.hisSig = fieldText(hisSig_, QsoText::HisSig);
    r.mySig = fieldText(mySig_, QsoText::MySig);
    r.comment = fieldText(comment_, QsoText::Comment);
    toThread_(infomsg::logIt(std::move(r)));
}

void CQSOInfoDlg::clear() {
    if (!prompter_.ask(kClearQuestion, PromptIcon::Question))
        return;
    for (QLineEdit* e : {call_, name_, hisSig_, mySig_, qth_, comment_})
        e->clear();
    setMacro();
}

void CQSOInfoDlg::setMacro() {
    settings_.SetMacroVariable(5, call_->text().toStdString());
    settings_.SetMacroVariable(6, name_->text().toStdString());
    settings_.SetMacroVariable(7, qth_->text().toStdString());
    settings_.SetMacroVariable(8, hisSig_->text().toStdString());
    settings_.SetMacroVariable(4, mySig_->text().toStdString());
}

} // namespace tamrel
