#include "QsoEditDialog.h"

#include "LogText.h"

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
#include <tuple>
#include <variant>

namespace tamrel {

namespace {

// Two arrows, as an up-down control: each click is a step for the owner,
// which shows the value. The up arrow gives delta -1, the down arrow +1.
class StepSpin final : public QWidget {
public:
    StepSpin(QWidget& parent, int id, const QString& name, std::function<void(int delta)> step)
        : QWidget(&parent) {
        setControlId(*this, id, name);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        for (auto [arrow, name, delta] :
             {std::tuple{Qt::UpArrow, "up", -1}, std::tuple{Qt::DownArrow, "down", 1}}) {
            auto* b = new QToolButton(this);
            b->setObjectName(QString::fromLatin1(name));
            b->setAccessibleName(QString::fromLatin1(name));
            b->setArrowType(arrow);
            b->setAutoRepeat(true);
            b->setFocusPolicy(Qt::NoFocus);
            b->setFixedSize(18, 12);
            // Clang 14 cannot capture a structured binding.
            connect(b, &QToolButton::clicked, this, [step, d = delta] { step(d); });
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
        // The capacity is in the bytes the file gets (LogText.h).
        const std::string bytes = logTextBytes(input.toStdString());
        const std::string fitted = fitText(bytes, capacity_);
        if (fitted != bytes) {
            // The cursor stays after what was kept of the text before it.
            const std::string before =
                fitText(logTextBytes(input.left(pos).toStdString()), capacity_);
            input = QString::fromStdString(logTextUtf8(fitted));
            pos = std::min<int>(int(QString::fromStdString(logTextUtf8(before)).size()),
                                int(input.size()));
        }
        return Acceptable;
    }

private:
    std::size_t capacity_;
};
} // namespace

QString CaptionName(const QString& caption) {
    QString name = caption.trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name;
}

void SetReportToolTip(QLineEdit& edit, QsoText field) {
    if (field == QsoText::HisSig)
        edit.setToolTip(QStringLiteral("Report sent: his signal as you gave it (ADIF RST_SENT)"));
    else if (field == QsoText::MySig)
        edit.setToolTip(
            QStringLiteral("Report received: your signal as he gave it (ADIF RST_RCVD)"));
}

QLineEdit* MakeQsoTextEdit(QWidget& parent, int id, const QString& label, std::size_t capacity) {
    auto* edit = new QLineEdit(&parent);
    setControlId(*edit, id, CaptionName(label));
    if (capacity > 0) {
        edit->setValidator(new FieldFit(capacity, edit));
    } else {
        static const QRegularExpression kAllowed(QStringLiteral("[^;\\r\\n]*"));
        edit->setValidator(new QRegularExpressionValidator(kAllowed, edit));
    }
    return edit;
}

QWidget* MakeStepSpin(QWidget& parent, int id, const QString& name,
                      std::function<void(int delta)> step) {
    return new StepSpin(parent, id, name, std::move(step));
}

namespace {
std::string& textOf(QsoEditFields& f, QsoText field) {
    switch (field) {
    case QsoText::Call:
        return f.call;
    case QsoText::Name:
        return f.name;
    case QsoText::Qth:
        return f.qth;
    case QsoText::HisSig:
        return f.hisSig;
    case QsoText::MySig:
        return f.mySig;
    case QsoText::Exchange:
        return f.exchange;
    case QsoText::Comment:
        break;
    }
    return f.comment;
}
} // namespace

QsoEditDialog::QsoEditDialog(const QSORecord& record, BandTable bands, Prompter& prompter,
                             const Layout& layout, QWidget* parent)
    : QDialog(parent), original_(record), bands_(bands), prompter_(prompter),
      fields_(editFieldsOf(record)) {
    setControlId(*this, layout.dialog, layout.title);
    setWindowTitle(layout.title);
    setModal(true);

    auto* form = new QFormLayout;
    auto add = [&](int id, const QString& label, const std::string& value,
                   std::size_t capacity = 0) {
        QLineEdit* e = MakeQsoTextEdit(*this, id, label, capacity);
        e->setText(qs(value));
        form->addRow(label, e);
        return e;
    };
    for (const TextRow& row : layout.texts) {
        texts_.emplace_back(row.field,
                            add(row.id, row.label, logTextUtf8(textOf(fields_, row.field)),
                                textCapacity(record.type, row.field)));
        SetReportToolTip(*texts_.back().second, row.field);
    }
    date_ = add(layout.date, QStringLiteral("QSO on"), fields_.date);
    time_ = add(layout.time, QStringLiteral("At"), fields_.time);
    QLineEdit* band = add(layout.band, QStringLiteral("Band"), fields_.band);
    band->setReadOnly(true); // Modify takes the band from the frequency
    frequency_ = add(layout.frequency, QStringLiteral("Freq (Hz)"), fields_.frequency);

    auto spinRow = [&](int showId, int spinId, const QString& label, auto step) {
        auto* shown = new QLineEdit(this);
        setControlId(*shown, showId, label);
        shown->setReadOnly(true);
        auto* row = new QHBoxLayout;
        row->addWidget(shown);
        row->addWidget(new StepSpin(*this, spinId, label + QStringLiteral(" step"), step));
        form->addRow(label, row);
        return shown;
    };
    mode_ = spinRow(layout.mode, layout.modeSpin, QStringLiteral("Mode"),
                    [this](int d) { stepMode(d); });
    qsl_ = spinRow(layout.qsl, layout.qslSpin, QStringLiteral("QSL Stat"),
                   [this](int d) { stepQsl(d); });
    showSpins();

    auto button = [&](int id, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        setControlId(*b, id, caption);
        return b;
    };
    QPushButton* modify = button(layout.modify, QStringLiteral("Modify"));
    QPushButton* cancel = button(layout.cancel, QStringLiteral("Cancel"));
    QPushButton* del = button(layout.del, QStringLiteral("Delete"));
    modify->setDefault(true);
    connect(modify, &QPushButton::clicked, this, [this] { this->modify(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(del, &QPushButton::clicked, this, [this] {
        // Asked, as deleting a memory is: a QSO deleted is gone from the file.
        const std::string question = "Deleting the QSO with " + original_.call + "?";
        if (!prompter_.ask(question, PromptIcon::Question))
            return;
        outcome_ = Outcome::Deleted;
        accept();
    });

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(modify);
    buttons->addWidget(del);
    buttons->addStretch();
    buttons->addWidget(cancel);
    column->addLayout(buttons);
}

void QsoEditDialog::stepMode(int delta) {
    fields_.modeIndex = stepModeIndex(fields_.modeIndex, delta);
    showSpins();
}

void QsoEditDialog::stepQsl(int delta) {
    fields_.qsl = tamrel::stepQsl(fields_.qsl, delta);
    showSpins();
}

void QsoEditDialog::showSpins() {
    // A mode the radio lacks (FT8) shows until a mode of the radio is stepped to.
    mode_->setText(
        qs(std::string(fields_.modeIndex < 0 ? qsoModeName(original_)
                                             : modeName(ModeCodeOfIndex(fields_.modeIndex)))));
    qsl_->setText(qs(std::string(qslName(fields_.qsl))));
}

void QsoEditDialog::modify() {
    QsoEditFields f = fields_;
    for (const auto& [field, edit] : texts_)
        textOf(f, field) = keptOrEncoded(text(edit), textOf(fields_, field));
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
