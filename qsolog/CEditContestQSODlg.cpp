#include "CEditContestQSODlg.h"

#include "controls/ControlSupport.h"
#include "platform/Prompter.h"

#include "radio/K2Commands.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tamrel {

namespace {
QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
std::string text(const QLineEdit* e) {
    return e->text().toStdString();
}
} // namespace

CEditContestQSODlg::CEditContestQSODlg(const QSORecord& record, BandTable bands, Prompter& prompter,
                                       QWidget* parent)
    : QDialog(parent), original_(record), bands_(bands), prompter_(prompter),
      fields_(editFieldsOf(record)) {
    setControlId(*this, qsoctl::kEditContestDialog);
    setWindowTitle(QStringLiteral("Edit Contest QSO Log"));
    setModal(true);

    auto* form = new QFormLayout;
    auto add = [&](int id, const QString& label, const std::string& value,
                   std::size_t capacity = 0) {
        QLineEdit* e = MakeQsoTextEdit(*this, id, label, capacity);
        e->setText(qs(value));
        form->addRow(label, e);
        return e;
    };
    const auto cap = [](QsoText f) { return textCapacity(QsoKind::Contest, f); };
    call_ = add(qsoctl::kContestEditCall, QStringLiteral("Call"), fields_.call, cap(QsoText::Call));
    exchange_ = add(qsoctl::kContestEditExchange, QStringLiteral("Exchange"), fields_.exchange,
                    cap(QsoText::Exchange));
    comment_ = add(qsoctl::kContestEditComment, QStringLiteral("Comment"), fields_.comment,
                   cap(QsoText::Comment));
    date_ = add(qsoctl::kContestEditDate, QStringLiteral("QSO on"), fields_.date);
    time_ = add(qsoctl::kContestEditTime, QStringLiteral("At"), fields_.time);
    QLineEdit* band = add(qsoctl::kContestEditBand, QStringLiteral("Band"), fields_.band);
    band->setReadOnly(true); // Modify takes the band from the frequency
    frequency_ = add(qsoctl::kContestEditFrequency, QStringLiteral("Freq (Hz)"), fields_.frequency);

    auto spinRow = [&](int showId, int spinId, const QString& label, auto step) {
        auto* shown = new QLineEdit(this);
        setControlId(*shown, showId, label);
        shown->setReadOnly(true);
        auto* row = new QHBoxLayout;
        row->addWidget(shown);
        row->addWidget(MakeStepSpin(*this, spinId, step));
        form->addRow(label, row);
        return shown;
    };
    mode_ = spinRow(qsoctl::kContestEditMode, qsoctl::kContestEditModeSpin, QStringLiteral("Mode"),
                    [this](int d) { stepMode(d); });
    qsl_ = spinRow(qsoctl::kContestEditQsl, qsoctl::kContestEditQslSpin, QStringLiteral("QSL Stat"),
                   [this](int d) { stepQsl(d); });
    showSpins();

    auto button = [&](int id, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        setControlId(*b, id, caption);
        return b;
    };
    QPushButton* modify = button(qsoctl::kContestEditModify, QStringLiteral("Modify"));
    QPushButton* cancel = button(qsoctl::kContestEditCancel, QStringLiteral("Cancel"));
    QPushButton* del = button(qsoctl::kContestEditDelete, QStringLiteral("Delete"));
    modify->setDefault(true);
    connect(modify, &QPushButton::clicked, this, [this] { this->modify(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(del, &QPushButton::clicked, this, [this] {
        outcome_ = Outcome::Deleted;
        accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(modify);
    buttons->addWidget(del);
    buttons->addStretch();
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

void CEditContestQSODlg::stepMode(int delta) {
    fields_.modeIndex = stepModeIndex(fields_.modeIndex, delta);
    showSpins();
}

void CEditContestQSODlg::stepQsl(int delta) {
    fields_.qsl = tamrel::stepQsl(fields_.qsl, delta);
    showSpins();
}

void CEditContestQSODlg::showSpins() {
    mode_->setText(qs(std::string(modeName(ModeCodeOfIndex(fields_.modeIndex)))));
    qsl_->setText(qs(std::string(qslName(fields_.qsl))));
}

void CEditContestQSODlg::modify() {
    QsoEditFields f = fields_;
    f.call = text(call_);
    f.exchange = text(exchange_);
    f.comment = text(comment_);
    f.date = text(date_);
    f.time = text(time_);
    f.frequency = text(frequency_);
    std::variant<QSORecord, std::string> result = modifyQso(original_, f, bands_);
    if (const std::string* why = std::get_if<std::string>(&result)) {
        prompter_.tell(*why, PromptIcon::Error);
        return;
    }
    modified_ = std::get<QSORecord>(std::move(result));
    outcome_ = Outcome::Modified;
    accept();
}

} // namespace tamrel
