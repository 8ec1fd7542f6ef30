#include "CabrilloExportDialog.h"

#include "Cabrillo.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tamrel {

namespace {

QComboBox* choices(std::span<const std::string_view> list, const std::string& current,
                   const QString& name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (std::string_view c : list)
        box->addItem(QString::fromUtf8(c.data(), static_cast<qsizetype>(c.size())));
    int at = box->findText(QString::fromStdString(current));
    if (at < 0 && !current.empty()) {
        // A value stored by hand stays selectable.
        box->addItem(QString::fromStdString(current));
        at = box->count() - 1;
    }
    box->setCurrentIndex(at < 0 ? 0 : at);
    box->setAccessibleName(name);
    return box;
}

QLineEdit* edit(const std::string& text, const QString& name, const QString& hint,
                QWidget* parent) {
    auto* e = new QLineEdit(QString::fromStdString(text), parent);
    e->setAccessibleName(name);
    e->setPlaceholderText(hint);
    e->setMaxLength(79); // what the settings hold
    return e;
}

std::string text(const QComboBox* box) {
    return box->currentText().toStdString();
}

} // namespace

CabrilloExportDialog::CabrilloExportDialog(const CabrilloSettings& s, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Cabrillo Contest Log");
    auto* form = new QFormLayout;
    contest_ = edit(s.contest, "Contest", "as the sponsor names it, e.g. CQ-WW-CW", this);
    operator_ = choices(categoryOperatorChoices(), s.categoryOperator, "Operator", this);
    assisted_ = choices(categoryAssistedChoices(), s.categoryAssisted, "Assisted", this);
    band_ = choices(categoryBandChoices(), s.categoryBand, "Band", this);
    mode_ = choices(categoryModeChoices(), s.categoryMode, "Mode", this);
    power_ = choices(categoryPowerChoices(), s.categoryPower, "Power", this);
    transmitter_ =
        choices(categoryTransmitterChoices(), s.categoryTransmitter, "Transmitter", this);
    sentRst_ = edit(s.sentRst, "Sent RST", "599, or 59 for phone", this);
    sentExchange_ = edit(s.sentExchange, "Sent exchange", "# is the serial number", this);
    firstSerial_ = new QSpinBox(this);
    firstSerial_->setRange(0, 99999);
    firstSerial_->setValue(s.firstSerial);
    firstSerial_->setAccessibleName("First serial");
    for (QWidget* field : std::initializer_list<QWidget*>{contest_, sentRst_, sentExchange_})
        field->setMinimumWidth(260); // room for the hints
    form->addRow("Contest:", contest_);
    form->addRow("Operator:", operator_);
    form->addRow("Assisted:", assisted_);
    form->addRow("Band:", band_);
    form->addRow("Mode:", mode_);
    form->addRow("Power:", power_);
    form->addRow("Transmitter:", transmitter_);
    form->addRow("Sent RST:", sentRst_);
    form->addRow("Sent exchange:", sentExchange_);
    form->addRow("First serial:", firstSerial_);

    problem_ = new QLabel(this);
    problem_->setAccessibleName("Problem");
    problem_->setWordWrap(true);
    problem_->setStyleSheet("color: #b00000");
    problem_->hide();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* exportButton = buttons->addButton("Export", QDialogButtonBox::AcceptRole);
    exportButton->setDefault(true);
    exportButton->setAccessibleName("Export");
    buttons->addButton(QDialogButtonBox::Cancel)->setAccessibleName("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &CabrilloExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
    contest_->setFocus();
}

CabrilloSettings CabrilloExportDialog::settings() const {
    CabrilloSettings s;
    s.contest = contest_->text().trimmed().toStdString();
    s.categoryOperator = text(operator_);
    s.categoryAssisted = text(assisted_);
    s.categoryBand = text(band_);
    s.categoryMode = text(mode_);
    s.categoryPower = text(power_);
    s.categoryTransmitter = text(transmitter_);
    s.sentRst = sentRst_->text().trimmed().toStdString();
    s.sentExchange = sentExchange_->text().trimmed().toStdString();
    s.firstSerial = firstSerial_->value();
    return s;
}

void CabrilloExportDialog::accept() {
    const std::string why = checkCabrilloSettings(settings());
    if (!why.empty()) {
        problem_->setText(QString::fromStdString(why));
        problem_->show();
        adjustSize();
        return;
    }
    QDialog::accept();
}

} // namespace tamrel
