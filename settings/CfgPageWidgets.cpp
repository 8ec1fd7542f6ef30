#include "settings/CfgPageWidgets.h"

#include "settings/ConfigParse.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QVBoxLayout>

namespace tamrel {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

void name(QWidget* w, int id, const QString& label) {
    w->setObjectName(QStringLiteral("id%1").arg(id));
    QString accessible = label.trimmed();
    if (accessible.endsWith(u':'))
        accessible.chop(1);
    w->setAccessibleName(accessible);
}

// An edit whose every change the user makes goes to `set`; `get` is what the
// page kept (a text cut to what the store takes), shown again when it differs.
QLineEdit* textEdit(int id, const QString& label, int maxChars,
                    std::function<void(const std::string&)> set,
                    std::function<const std::string&()> get, const PageChanged& changed) {
    auto* edit = new QLineEdit;
    name(edit, id, label);
    edit->setMaxLength(maxChars);
    QObject::connect(edit, &QLineEdit::textEdited, edit, [=](const QString& text) {
        set(text.toStdString());
        const QString kept = qs(get());
        if (kept != text) {
            const QSignalBlocker block(edit);
            edit->setText(kept);
        }
        changed();
    });
    return edit;
}

// A read-only value text as the port page shows it.
QLabel* valueText(int id, const QString& label) {
    auto* text = new QLabel;
    name(text, id, label);
    text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    text->setMinimumWidth(90);
    text->setAlignment(Qt::AlignCenter);
    return text;
}

} // namespace

CfgSpinButton::CfgSpinButton(std::function<void(bool)> step, QWidget* parent)
    : QAbstractSpinBox(parent), step_(std::move(step)) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setFocusPolicy(Qt::StrongFocus);
    // The arrows only: the value is shown beside them.
    lineEdit()->setReadOnly(true);
    lineEdit()->setFixedWidth(0);
    setFrame(false);
}

void CfgSpinButton::stepBy(int steps) {
    for (int i = 0; i < std::abs(steps); ++i)
        step_(steps > 0);
}

QSize CfgSpinButton::sizeHint() const {
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QRect up =
        style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, this);
    return {std::max(18, up.width() + 4), std::max(22, fontMetrics().height() + 6)};
}

QWidget* FindControl(QWidget* page, int id) {
    return page->findChild<QWidget*>(QStringLiteral("id%1").arg(id));
}

// --- System Configuration ---------------------------------------------------

CSystemCfgDlg::CSystemCfgDlg(SystemCfgPage& page, PageChanged changed, QWidget* parent)
    : QWidget(parent), page_(page), changed_(std::move(changed)) {
    auto* form = new QFormLayout;
    for (int i = 0; i < SystemCfgPage::kTextCount; ++i) {
        const auto t = SystemCfgPage::Text(i);
        const QString label = QString::fromLatin1(SystemCfgPage::Label(t));
        edits_[i] = textEdit(
            SystemCfgPage::ControlId(t), label, int(cfg::kTextLimit),
            [this, t](const std::string& s) { page_.SetValue(t, s); },
            [this, t]() -> const std::string& { return page_.Value(t); }, changed_);
    }
    for (int i = 0; i <= SystemCfgPage::UtcOffset; ++i) {
        const QString label = QString::fromLatin1(SystemCfgPage::Label(SystemCfgPage::Text(i)));
        if (i != SystemCfgPage::HomeDir) {
            form->addRow(label, edits_[i]);
            continue;
        }
        // Everything else on the sheet applies at once; the home directory
        // (memories, logs) is read at start.
        auto* row = new QHBoxLayout;
        row->addWidget(edits_[i], 1);
        row->addWidget(new QLabel("(from the next start)"));
        form->addRow(label, row);
    }
    edits_[SystemCfgPage::UtcOffset]->setMaximumWidth(60);

    auto* logging = new QGroupBox("QSO Logging");
    auto* grid = new QGridLayout(logging);
    style_ = valueText(SystemCfgPage::kLoggingStyleId, "Logging Style");
    auto* styleSpin = new CfgSpinButton([this](bool) {
        page_.StepLoggingStyle();
        Refresh();
        changed_();
    });
    name(styleSpin, SystemCfgPage::kLoggingStyleSpinId, "Logging Style");
    auto* styleRow = new QHBoxLayout;
    styleRow->setSpacing(0);
    styleRow->addWidget(style_);
    styleRow->addWidget(styleSpin);
    styleRow->addStretch();
    grid->addWidget(new QLabel("Logging Style"), 0, 0);
    grid->addLayout(styleRow, 0, 1);
    useUtc_ = new QCheckBox("Use UTC in Log");
    name(useUtc_, SystemCfgPage::kUseUtcId, "Use UTC in Log");
    connect(useUtc_, &QCheckBox::clicked, this, [this](bool on) {
        page_.SetUseUtc(on);
        changed_();
    });
    cut_ = new QCheckBox("Use Cut Number");
    name(cut_, SystemCfgPage::kCutNumberId, "Use Cut Number");
    connect(cut_, &QCheckBox::clicked, this, [this](bool on) {
        page_.SetCutNumbers(on);
        changed_();
    });
    grid->addWidget(useUtc_, 1, 0, 1, 2);
    grid->addWidget(cut_, 2, 0, 1, 2);
    QLineEdit* digits = edits_[SystemCfgPage::Digits];
    digits->setMaximumWidth(60);
    grid->addWidget(new QLabel(QString::fromLatin1(SystemCfgPage::Label(SystemCfgPage::Digits))), 3,
                    0);
    grid->addWidget(digits, 3, 1, Qt::AlignLeft);
    // Applies at once: the listener follows the setting.
    QLineEdit* wsjtx = edits_[SystemCfgPage::WsjtxListen];
    wsjtx->setPlaceholderText("off");
    wsjtx->setToolTip("Where WSJT-X or JTDX send their logged QSOs (their UDP Server): a port "
                      "(2237), an address and a port (127.0.0.1:2237), or a multicast group "
                      "(239.255.0.1:2237) shared with other listeners. Empty: off.");
    grid->addWidget(
        new QLabel(QString::fromLatin1(SystemCfgPage::Label(SystemCfgPage::WsjtxListen))), 4, 0);
    grid->addWidget(wsjtx, 4, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(logging);
    layout->addStretch();
    // Tab goes down the page as it is drawn.
    setTabOrder(edits_[SystemCfgPage::UtcOffset], styleSpin);
    setTabOrder(styleSpin, useUtc_);
    setTabOrder(useUtc_, cut_);
    setTabOrder(cut_, digits);
    setTabOrder(digits, wsjtx);
}

void CSystemCfgDlg::Refresh() {
    for (int i = 0; i < SystemCfgPage::kTextCount; ++i) {
        const QString text = qs(page_.Value(SystemCfgPage::Text(i)));
        if (edits_[i]->text() != text) {
            const QSignalBlocker block(edits_[i]);
            edits_[i]->setText(text);
        }
    }
    style_->setText(QString::fromLatin1(page_.LoggingStyleText()));
    useUtc_->setChecked(page_.UseUtc());
    cut_->setChecked(page_.CutNumbers());
}

// --- K2 COMM Port --------------------------------------------------------------

CK2CommPortCfgDlg::CK2CommPortCfgDlg(CommPortCfgPage& page, PageChanged changed, QWidget* parent)
    : QWidget(parent), page_(page), changed_(std::move(changed)) {
    using P = CommPortCfgPage;
    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const char* label, QLabel*& text, int textId, int spinId,
                      std::function<void(bool)> step) {
        text = valueText(textId, label);
        auto* spin = new CfgSpinButton([this, step](bool next) {
            step(next);
            ShowTexts();
            changed_();
        });
        name(spin, spinId, label);
        grid->addWidget(new QLabel(label), row, 0);
        grid->addWidget(text, row, 1);
        grid->addWidget(spin, row, 2, Qt::AlignLeft);
        ++row;
    };
    addRow("Port:", port_, P::kPortId, P::kPortSpinId, [this](bool n) { page_.StepPort(n); });
    addRow("Speed: ", speed_, P::kSpeedId, P::kSpeedSpinId, [this](bool n) { page_.StepSpeed(n); });
    addRow("Parity:", parity_, P::kParityId, P::kParitySpinId,
           [this](bool n) { page_.StepParity(n); });
    addRow("Stop Bit:", stopBit_, P::kStopBitId, P::kStopBitSpinId,
           [this](bool) { page_.StepStopBits(); });
    addRow("Power Amp. Install ", amplifier_, P::kAmplifierId, P::kAmplifierSpinId,
           [this](bool) { page_.StepAmplifier(); });
    grid->setColumnStretch(3, 1);

    auto* deviceBox = new QGroupBox("Device");
    auto* deviceLayout = new QGridLayout(deviceBox);
    device_ = new QComboBox;
    device_->setEditable(true);
    device_->setInsertPolicy(QComboBox::NoInsert);
    device_->setMinimumContentsLength(36);
    device_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    name(device_, P::kDeviceId, "Device");
    device_->lineEdit()->setMaxLength(int(cfg::kDevicePathLimit) + 20);
    connect(device_, &QComboBox::activated, this, [this](int index) {
        page_.SetDeviceText(device_->itemText(index).toStdString());
        ShowTexts();
        changed_();
    });
    connect(device_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        page_.SetDeviceText(text.toStdString());
        ShowTexts();
        changed_();
    });
    auto* rescan = new QPushButton("Rescan");
    rescan->setAutoDefault(false);
    rescan->setAccessibleName("Rescan");
    connect(rescan, &QPushButton::clicked, this, [this] {
        page_.Rescan();
        FillDevices();
    });
    nextStart_ = new QLabel;
    nextStart_->setObjectName("nextStart");
    nextStart_->setWordWrap(true);
    auto* note = new QLabel("Port and home directory changes take effect at the next start.");
    note->setWordWrap(true);
    deviceLayout->addWidget(device_, 0, 0);
    deviceLayout->addWidget(rescan, 0, 1);
    deviceLayout->addWidget(nextStart_, 1, 0, 1, 2);
    deviceLayout->addWidget(note, 2, 0, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(deviceBox);
    layout->addStretch();
}

void CK2CommPortCfgDlg::FillDevices() {
    const QSignalBlocker block(device_);
    device_->clear();
    for (const CommPortCfgPage::DeviceChoice& c : page_.DeviceChoices())
        device_->addItem(qs(c.label));
    device_->setEditText(qs(page_.DeviceText()));
    ShowTexts();
}

void CK2CommPortCfgDlg::ShowTexts() {
    port_->setText(qs(page_.PortText()));
    speed_->setText(qs(page_.SpeedText()));
    parity_->setText(qs(page_.ParityText()));
    stopBit_->setText(qs(page_.StopBitText()));
    amplifier_->setText(qs(page_.AmplifierText()));
    nextStart_->setText(qs(page_.NextStartText()));
}

void CK2CommPortCfgDlg::Refresh() {
    FillDevices();
}

// --- Edit HAM Band Info --------------------------------------------------------

CHAMBandInfoCFGDlg::CHAMBandInfoCFGDlg(BandInfoCfgPage& page, PageChanged changed, QWidget* parent)
    : QWidget(parent), page_(page), changed_(std::move(changed)) {
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Low Band Edge (Hz)"), 0, 1, Qt::AlignCenter);
    grid->addWidget(new QLabel("High Band Edge (Hz)"), 0, 2, Qt::AlignCenter);
    for (int b = 0; b < kBandCount; ++b) {
        const QString band = qs(BandInfoCfgPage::BandLabel(b));
        grid->addWidget(new QLabel(band), b + 1, 0);
        for (int high = 0; high < 2; ++high) {
            const QString label = band.trimmed() + (high ? " High Band Edge" : " Low Band Edge");
            edits_[b][high] = textEdit(
                BandInfoCfgPage::EdgeId(b, high), label, 12,
                [this, b, high](const std::string& s) { page_.SetEdgeText(b, high, s); },
                [this, b, high]() -> const std::string& { return page_.EdgeText(b, high); },
                changed_);
            grid->addWidget(edits_[b][high], b + 1, high + 1);
        }
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
}

void CHAMBandInfoCFGDlg::Refresh() {
    for (int b = 0; b < kBandCount; ++b)
        for (int high = 0; high < 2; ++high) {
            const QSignalBlocker block(edits_[b][high]);
            edits_[b][high]->setText(qs(page_.EdgeText(b, high)));
        }
}

// --- Transmit Memory Key Configuration -------------------------------------------

CTransmitMemoryCFGDlg::CTransmitMemoryCFGDlg(MemoryKeyCfgPage& page, PageChanged changed,
                                             QWidget* parent)
    : QWidget(parent), page_(page), changed_(std::move(changed)) {
    auto* form = new QFormLayout(this);
    for (int n = 0; n < kMemoryKeyCount; ++n) {
        const QString label = QStringLiteral("F%1:").arg(n + 1);
        edits_[n] = textEdit(
            MemoryKeyCfgPage::EditId(n), label, int(cfg::kMemoryTextLimit),
            [this, n](const std::string& s) { page_.SetValue(n, s); },
            [this, n]() -> const std::string& { return page_.Value(n); }, changed_);
        edits_[n]->setMinimumWidth(420);
        form->addRow(label, edits_[n]);
    }
}

void CTransmitMemoryCFGDlg::Refresh() {
    for (int n = 0; n < kMemoryKeyCount; ++n) {
        const QSignalBlocker block(edits_[n]);
        edits_[n]->setText(qs(page_.Value(n)));
    }
}

} // namespace tamrel
