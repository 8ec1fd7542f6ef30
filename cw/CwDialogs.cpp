#include "cw/CwDialogs.h"

#include "controls/ControlSupport.h"
#include "settings/CRigControlRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tamrel {

namespace {

// An up-down control reporting deltas as the classic one with its default
// range (100 down to 0) does: the up arrow -1, the down arrow +1.
QWidget* spin(QWidget& parent, int id, const QString& tip, std::function<void(int)> step) {
    auto* box = new QWidget(&parent);
    setControlId(*box, id, "Change " + tip);
    box->setToolTip(tip);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* up = new QToolButton(box);
    up->setArrowType(Qt::UpArrow);
    up->setObjectName(QStringLiteral("ctl%1up").arg(id));
    up->setAccessibleName(tip + " up");
    auto* down = new QToolButton(box);
    down->setArrowType(Qt::DownArrow);
    down->setObjectName(QStringLiteral("ctl%1down").arg(id));
    down->setAccessibleName(tip + " down");
    for (QToolButton* b : {up, down}) {
        b->setFixedSize(18, 11);
        b->setAutoRepeat(true);
        layout->addWidget(b);
    }
    QObject::connect(up, &QToolButton::clicked, box, [step] { step(-1); });
    QObject::connect(down, &QToolButton::clicked, box, [step] { step(1); });
    return box;
}

QDialogButtonBox* buttons(QDialog& dlg, const QString& ok, bool cancel) {
    auto* box = new QDialogButtonBox(&dlg);
    QPushButton* go = box->addButton(ok, QDialogButtonBox::AcceptRole);
    setControlId(*go, 1, ok);
    go->setDefault(true);
    if (cancel) {
        QPushButton* no = box->addButton("Cancel", QDialogButtonBox::RejectRole);
        setControlId(*no, 2, "Cancel");
    }
    QObject::connect(box, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    return box;
}

} // namespace

CMemoryKeyAutoplayDlg::CMemoryKeyAutoplayDlg(const std::array<bool, cw::kMemoryKeys>& notEmpty,
                                             const cw::AutoplaySettings& current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Memory Key Autoplay");
    setAccessibleName(windowTitle());
    auto* form = new QFormLayout(this);
    memory_ = new QComboBox(this);
    setControlId(*memory_, 1079, "Memory Key");
    for (int i = 0; i < cw::kMemoryKeys; ++i)
        if (notEmpty[std::size_t(i)]) {
            memory_->addItem(QStringLiteral("Memory %1").arg(i + 1), i);
            if (i == current.memory)
                memory_->setCurrentIndex(memory_->count() - 1);
        }
    form->addRow("Memory Key", memory_);

    intervalIndex_ = cw::IntervalIndexOf(current.interval);
    interval_ = new QLabel(this);
    setControlId(*interval_, 1088, "Frequency (Sec)");
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(interval_);
    intervalRow->addWidget(
        spin(*this, 1082, "Frequency (Sec)", [this](int d) { StepInterval(d); }));
    form->addRow("Frequency (Sec)", intervalRow);

    countValue_ = current.count;
    count_ = new QLabel(this);
    setControlId(*count_, 1091, "Number of Times:");
    countSpin_ = spin(*this, 1085, "Number of Times:", [this](int d) { StepCount(d); });
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(count_);
    countRow->addWidget(countSpin_);
    form->addRow("Number of Times:", countRow);

    untilInterrupted_ = new QCheckBox("Play Until Interrupted", this);
    setControlId(*untilInterrupted_, 1094, "Play Until Interrupted");
    untilInterrupted_->setChecked(current.count == 0);
    connect(untilInterrupted_, &QCheckBox::toggled, this, [this] { Show(); });
    form->addRow(untilInterrupted_);
    form->addRow(buttons(*this, "Go", true));
    Show();
}

void CMemoryKeyAutoplayDlg::Show() {
    interval_->setText(
        QStringLiteral("  %1").arg(cw::kAutoplayIntervals[std::size_t(intervalIndex_)]));
    count_->setText(QStringLiteral("  %1").arg(countValue_));
    countSpin_->setEnabled(!untilInterrupted_->isChecked());
}

void CMemoryKeyAutoplayDlg::StepInterval(int delta) {
    intervalIndex_ = cw::StepIntervalIndex(intervalIndex_, delta);
    Show();
}

void CMemoryKeyAutoplayDlg::StepCount(int delta) {
    countValue_ = cw::StepCount(countValue_, delta);
    Show();
}

cw::AutoplaySettings CMemoryKeyAutoplayDlg::Result() const {
    cw::AutoplaySettings s;
    // Read back from the entry's text, as the list shows it.
    bool ok = false;
    const int n = memory_->currentText().mid(QStringLiteral("Memory ").size()).toInt(&ok) - 1;
    s.memory = ok && n >= 0 && n < cw::kMemoryKeys ? n : 0;
    s.interval = cw::kAutoplayIntervals[std::size_t(intervalIndex_)];
    s.count = untilInterrupted_->isChecked() ? 0 : std::max(1, countValue_);
    return s;
}

CMySignalReportDlg::CMySignalReportDlg(CRigControlRegistry& registry, QWidget* parent)
    : QDialog(parent), registry_(registry) {
    setWindowTitle("My Signal Report");
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel("My Signal Report is", this);
    setControlId(*label, 1342, label->text());
    layout->addWidget(label);
    report_ = new QLineEdit("599", this);
    setControlId(*report_, 1159, label->text());
    QFont big = report_->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() * 2);
    report_->setFont(big);
    report_->setMaxLength(31);
    layout->addWidget(report_);
    layout->addWidget(buttons(*this, "OK", false));
}

void CMySignalReportDlg::accept() {
    registry_.SetMacroVariable(4, report_->text().toStdString());
    QDialog::accept();
}

CSetCounterDlg::CSetCounterDlg(CRigControlRegistry& registry, QWidget* parent)
    : QDialog(parent), registry_(registry) {
    setWindowTitle("Setting New Counter Value");
    setAccessibleName(windowTitle());
    CounterSettings stored{1, 0};
    registry_.GetCounterSettings(stored);
    counter_ = stored.counter;
    mode_ = stored.outputMode;
    auto* form = new QFormLayout(this);
    value_ = new QLineEdit(QString::number(counter_), this);
    setControlId(*value_, 1226, "New Counter Value");
    value_->setValidator(new QIntValidator(value_));
    form->addRow("New Counter Value", value_);
    digitCount_ = std::min(mode_ & 0x7F, 5);
    digits_ = new QLabel(this);
    setControlId(*digits_, 1228, "Total Number of Digits to Send");
    auto* row = new QHBoxLayout;
    row->addWidget(digits_);
    row->addWidget(
        spin(*this, 1227, "Total Number of Digits to Send", [this](int d) { StepDigits(d); }));
    form->addRow("Total Number of Digits to Send", row);
    cut_ = new QCheckBox("Replace 0 with Cut Number", this);
    setControlId(*cut_, 1225, cut_->text());
    cut_->setChecked((mode_ & 0x80) != 0);
    form->addRow(cut_);
    form->addRow(buttons(*this, "Set", true));
    digits_->setText(QString::number(digitCount_));
}

void CSetCounterDlg::StepDigits(int delta) {
    digitCount_ = cw::StepDigits(digitCount_, delta);
    digits_->setText(QString::number(digitCount_));
}

void CSetCounterDlg::accept() {
    bool ok = false;
    const int value = value_->text().toInt(&ok);
    if (!ok) {
        value_->setFocus();
        value_->selectAll();
        return;
    }
    counter_ = value;
    mode_ = uint8_t((digitCount_ & 0x7F) | (cut_->isChecked() ? 0x80 : 0));
    registry_.SetCounterSettings({counter_, mode_});
    QDialog::accept();
}

} // namespace tamrel
