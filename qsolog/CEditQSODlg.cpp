#include "CEditQSODlg.h"

#include "controls/ControlSupport.h"
#include "platform/Prompter.h"

#include "radio/K2Commands.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <tuple>

namespace tamrel {

namespace {

// Two arrows, as an up-down control: each click is a step for the owner,
// which shows the value. The up arrow gives delta -1, the down arrow +1.
class StepSpin final : public QWidget {
public:
    StepSpin(QWidget& parent, int id, std::function<void(int delta)> step) : QWidget(&parent) {
        setControlId(*this, id);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        for (auto [arrow, name, delta] :
             {std::tuple{Qt::UpArrow, "up", -1}, std::tuple{Qt::DownArrow, "down", 1}}) {
            auto* b = new QToolButton(this);
            b->setObjectName(QString::fromLatin1(name));
            b->setArrowType(arrow);
            b->setAutoRepeat(true);
            b->setFocusPolicy(Qt::NoFocus);
            b->setFixedSize(18, 12);
            connect(b, &QToolButton::clicked, this, [step, delta] { step(delta); });
            column->addWidget(b);
        }
    }
};

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
std::string text(const QLineEdit* e) {
    return e->text().toStdString();
}

} // namespace

namespace {
// Makes the text fit its field instead of refusing it, so that a long paste
// keeps what fits.
class FieldFit final : public QValidator {
public:
    FieldFit(std::size_t capacity, QObject* parent) : QValidator(parent), capacity_(capacity) {}
    State validate(QString& input, int& pos) const override {
        const std::string fitted = fitText(input.toStdString(), capacity_);
        if (fitted.size() != std::size_t(input.toUtf8().size())) {
            // The cursor stays after what was kept of the text before it.
            const std::string before = fitText(input.left(pos).toStdString(), capacity_);
            input = QString::fromStdString(fitted);
            pos = std::min<int>(int(QString::fromStdString(before).size()), int(input.size()));
        }
        return Acceptable;
    }

private:
    std::size_t capacity_;
};
} // namespace

QLineEdit* MakeQsoTextEdit(QWidget& parent, int id, const QString& label, std::size_t capacity) {
    auto* edit = new QLineEdit(&parent);
    setControlId(*edit, id, label);
    if (capacity > 0) {
        edit->setValidator(new FieldFit(capacity, edit));
    } else {
        static const QRegularExpression kAllowed(QStringLiteral("[^;\\r\\n]*"));
        edit->setValidator(new QRegularExpressionValidator(kAllowed, edit));
    }
    return edit;
}

QWidget* MakeStepSpin(QWidget& parent, int id, std::function<void(int delta)> step) {
    return new StepSpin(parent, id, std::move(step));
}

CEditQSODlg::CEditQSODlg(const QSORecord& record, BandTable bands, Prompter& prompter,
                         QWidget* parent)
    : QDialog(parent), original_(record), bands_(bands), prompter_(prompter),
      fields_(editFieldsOf(record)) {
    setControlId(*this, qsoctl::kEditDialog);
    setWindowTitle(QStringLiteral("Edit QSO Log"));
    setModal(true);

    auto* form = new QFormLayout;
    auto add = [&](int id, const QString& label, const std::string& value) {
        QLineEdit* e = MakeQsoTextEdit(*this, id, label);
        e->setText(qs(value));
        form->addRow(label, e);
        return e;
    };
    call_ = add(qsoctl::kCall, QStringLiteral("Call"), fields_.call);
    name_ = add(qsoctl::kName, QStringLiteral("Name"), fields_.name);
    qth_ = add(qsoctl::kQth, QStringLiteral("QTH"), fields_.qth);
    hisSig_ = add(qsoctl::kHisSig, QStringLiteral("RSTR"), fields_.hisSig);
    mySig_ = add(qsoctl::kMySig, QStringLiteral("RSTS"), fields_.mySig);
    comment_ = add(qsoctl::kComment, QStringLiteral("Comment"), fields_.comment);
    date_ = add(qsoctl::kDate, QStringLiteral("QSO on"), fields_.date);
    time_ = add(qsoctl::kTime, QStringLiteral("At"), fields_.time);
    band_ = add(qsoctl::kBand, QStringLiteral("Band"), fields_.band);
    band_->setReadOnly(true); // Modify takes the band from the frequency
    frequency_ = add(qsoctl::kFrequency, QStringLiteral("Freq (Hz)"), fields_.frequency);

    auto spinRow = [&](int showId, int spinId, const QString& label, auto step) {
        auto* shown = new QLineEdit(this);
        setControlId(*shown, showId, label);
        shown->setReadOnly(true);
        auto* row = new QHBoxLayout;
        row->addWidget(shown);
        row->addWidget(new StepSpin(*this, spinId, step));
        form->addRow(label, row);
        return shown;
    };
    mode_ = spinRow(qsoctl::kMode, qsoctl::kModeSpin, QStringLiteral("Mode"),
                    [this](int d) { stepMode(d); });
    qsl_ = spinRow(qsoctl::kQsl, qsoctl::kQslSpin, QStringLiteral("QSL Stat"),
                   [this](int d) { stepQsl(d); });
    showSpins();

    auto* modify = new QPushButton(QStringLiteral("Modify"), this);
    setControlId(*modify, qsoctl::kModify, QStringLiteral("Modify"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    setControlId(*cancel, qsoctl::kCancel, QStringLiteral("Cancel"));
    auto* del = new QPushButton(QStringLiteral("Delete"), this);
    setControlId(*del, qsoctl::kDelete, QStringLiteral("Delete"));
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

void CEditQSODlg::stepMode(int delta) {
    fields_.modeIndex = stepModeIndex(fields_.modeIndex, delta);
    showSpins();
}

void CEditQSODlg::stepQsl(int delta) {
    fields_.qsl = tamrel::stepQsl(fields_.qsl, delta);
    showSpins();
}

void CEditQSODlg::showSpins() {
    const int code = ModeCodeOfIndex(fields_.modeIndex);
    mode_->setText(qs(std::string(modeName(code))));
    qsl_->setText(qs(std::string(qslName(fields_.qsl))));
}

void CEditQSODlg::modify() {
    QsoEditFields f = fields_;
    f.call = text(call_);
    f.name = text(name_);
    f.qth = text(qth_);
    f.hisSig = text(hisSig_);
    f.mySig = text(mySig_);
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
