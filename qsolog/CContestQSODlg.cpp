#include "CContestQSODlg.h"

#include "CEditQSODlg.h"
#include "CQSOInfoDlg.h"
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
    return fitText(e->text().toStdString(), textCapacity(QsoKind::Contest, field));
}
} // namespace

CContestQSODlg::CContestQSODlg(CRigControlRegistry& settings, Prompter& prompter, Post toThread,
                               Post toPanel, QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter), toThread_(std::move(toThread)),
      toPanel_(std::move(toPanel)) {
    setControlId(*this, qsoctl::kContestDialog);
    setWindowTitle(QStringLiteral("Contest QSO Information"));
    // A dialog of its owner: a modal front panel leaves its input alone.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

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

    auto button = [&](int id, const QString& caption, int column, void (CContestQSODlg::*act)()) {
        auto* b = new QPushButton(caption, this);
        setControlId(*b, id, caption);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, act] { (this->*act)(); });
        grid->addWidget(b, 3, column);
        return b;
    };
    dupe_ = new DupeLabel(*call_, QsoKind::Contest, toThread_, this);
    setControlId(*dupe_, qsoctl::kContestDupeLine);
    grid->addWidget(dupe_, 4, 0, 1, 4);

    button(qsoctl::kContestLogIt, QStringLiteral("Log It"), 1, &CContestQSODlg::logIt)
        ->setDefault(true);
    button(qsoctl::kContestClear, QStringLiteral("Clear"), 2, &CContestQSODlg::clear);
    button(qsoctl::kContestSetMacro, QStringLiteral("Set Macro"), 3, &CContestQSODlg::setMacro);

    new QsoWindowKeys(
        *this, [this](uint64_t code, int64_t arg) { toPanel_(panelRequest(code, arg)); },
        [this] { logIt(); });
}

CContestQSODlg::~CContestQSODlg() = default;

void CContestQSODlg::fill(const QSORecord& r) {
    call_->setText(QString::fromStdString(r.call));
    exchange_->setText(QString::fromStdString(r.exchange));
    comment_->setText(QString::fromStdString(r.comment));
}

void CContestQSODlg::logIt() {
    QSORecord r;
    r.type = QsoKind::Contest;
    r.call = upperCall(fieldText(call_, QsoText::Call));
    if (r.call.find_first_not_of(' ') == std::string::npos) {
        prompter_.tell(kCallsignEmpty, PromptIcon::Error);
        return;
    }
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

void CContestQSODlg::searchLog() {
    const std::string call = call_->text().toStdString();
    if (!call.empty())
        toThread_(infomsg::search(call));
}

void CContestQSODlg::contextMenuEvent(QContextMenuEvent* event) {
    if (!menu_) {
        menu_ = std::make_unique<QMenu>(this);
        QAction* search = menu_->addAction(QStringLiteral("Search Log"));
        search->setData(qsoctl::kSearchLogCommand);
        connect(search, &QAction::triggered, this, [this] { searchLog(); });
    }
    menu_->popup(event->globalPos());
}

void CContestQSODlg::closeEvent(QCloseEvent* event) {
    event->accept();
    hide();
}

} // namespace tamrel
