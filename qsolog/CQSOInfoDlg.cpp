#include "CQSOInfoDlg.h"

#include "CEditQSODlg.h"
#include "CQSOLogFile.h"
#include "DupeLabel.h"
#include "QsoMessages.h"
#include "QsoWindowKeys.h"

#include "controls/ControlSupport.h"
#include "settings/CRigControlRegistry.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace tamrel {

namespace {
std::string fieldText(const QLineEdit* e, QsoText field) {
    return fitText(e->text().toStdString(), textCapacity(QsoKind::Normal, field));
}
} // namespace

CQSOInfoDlg::CQSOInfoDlg(CRigControlRegistry& settings, Prompter& prompter, Post toThread,
                         Post toPanel, QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter), toThread_(std::move(toThread)),
      toPanel_(std::move(toPanel)) {
    setControlId(*this, qsoctl::kInfoDialog);
    setWindowTitle(QStringLiteral("QSO Information"));
    // A dialog of its owner: a modal front panel leaves its input alone.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

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

    auto button = [&](int id, const QString& caption, int column, void (CQSOInfoDlg::*act)()) {
        auto* b = new QPushButton(caption, this);
        setControlId(*b, id, caption);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, act] { (this->*act)(); });
        grid->addWidget(b, 4, column);
        return b;
    };
    dupe_ = new DupeLabel(*call_, QsoKind::Normal, toThread_, this);
    setControlId(*dupe_, qsoctl::kDupeLine);
    grid->addWidget(dupe_, 5, 0, 1, 4);

    button(qsoctl::kLogIt, QStringLiteral("Log It"), 1, &CQSOInfoDlg::logIt)->setDefault(true);
    button(qsoctl::kClear, QStringLiteral("Clear"), 2, &CQSOInfoDlg::clear);
    button(qsoctl::kSetMacro, QStringLiteral("Set Macro"), 3, &CQSOInfoDlg::setMacro);

    new QsoWindowKeys(
        *this, [this](uint64_t code, int64_t arg) { toPanel_(panelRequest(code, arg)); },
        [this] { logIt(); });
}

CQSOInfoDlg::~CQSOInfoDlg() = default;

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
    r.call = upperCall(fieldText(call_, QsoText::Call));
    if (r.call.find_first_not_of(' ') == std::string::npos) {
        prompter_.tell(kCallsignEmpty, PromptIcon::Error);
        return;
    }
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

void CQSOInfoDlg::searchLog() {
    const std::string call = call_->text().toStdString();
    if (!call.empty())
        toThread_(infomsg::search(call));
}

void CQSOInfoDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (!menu_) {
        menu_ = std::make_unique<QMenu>(this);
        QAction* search = menu_->addAction(QStringLiteral("Search Log"));
        search->setData(qsoctl::kSearchLogCommand);
        connect(search, &QAction::triggered, this, [this] { searchLog(); });
    }
    menu_->popup(event->globalPos());
}

void CQSOInfoDlg::closeEvent(QCloseEvent* event) {
    event->accept();
    hide();
}

} // namespace tamrel
