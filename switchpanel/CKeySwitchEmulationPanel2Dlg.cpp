#include "CKeySwitchEmulationPanel2Dlg.h"

#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "platform/MessageQueue.h"
#include "radio/RadioOperations.h"
#include "settings/CRigControlRegistry.h"
#include "switchpanel/KeyLooks.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tamrel {

using namespace switchpanel;

CKeySwitchEmulationPanel2Dlg::CKeySwitchEmulationPanel2Dlg(CRigControlRegistry& registry,
                                                           Handle mainWindow,
                                                           ErrorReporter reportError,
                                                           QWidget* parent)
    : QWidget(parent), registry_(registry), mainWindow_(mainWindow),
      reportError_(std::move(reportError)),
      mailbox_([this](Message&& m) { OnMessage(std::move(m)); }) {
    auto* group = new QGroupBox("Frequecy Scanning", this);
    auto* grid = new QGridLayout(group);
    auto edit = [&](int id, const QString& label, int row) {
        auto* e = new CEditEx(group);
        setControlId(*e, id, label.trimmed());
        e->setFontDescription({"Times New Roman", -22, 700});
        e->setTextColour(Qt::blue);
        e->setAlignment(Qt::AlignRight);
        e->setMinimumWidth(160);
        auto* l = new QLabel(label, group);
        l->setBuddy(e);
        grid->addWidget(l, row, 0);
        grid->addWidget(e, row, 1);
        grid->addWidget(new QLabel("kHz", group), row, 2);
        connect(e, &QLineEdit::textEdited, this, [this] {
            scanner_.SetTexts(low_->text().toStdString(), high_->text().toStdString());
        });
        return e;
    };
    low_ = edit(kLowEdit, "Low Freq Limit: ", 0);
    high_ = edit(kHighEdit, "High Freq Limit: ", 1);

    scanStart_ = MakeKey(*group, kScanStart, "Scan");
    limitsResume_ = MakeKey(*group, kLimitsResume, "Resume");
    stop_ = MakeKey(*group, kStopScan, "Stop Scan");
    auto* buttons = new QVBoxLayout;
    for (CShadedButton* b : {scanStart_, limitsResume_, stop_}) {
        b->setMinimumWidth(96);
        buttons->addWidget(b);
    }
    grid->addLayout(buttons, 0, 3, 3, 1);
    grid->setColumnStretch(4, 1);
    connect(scanStart_, &QAbstractButton::clicked, this, [this] { OnScanStart(); });
    connect(limitsResume_, &QAbstractButton::clicked, this, [this] { OnLimitsResume(); });
    connect(stop_, &QAbstractButton::clicked, this, [this] { OnStop(); });

    auto* page = new QVBoxLayout(this);
    page->addWidget(group);
    page->addStretch(1);
    ShowState();
}

void CKeySwitchEmulationPanel2Dlg::OnScanStart() {
    if (scanner_.Idle()) {
        if (scanner_.Scan())
            Mailboxes::post(mainWindow_, {msg::WM_K2_PANEL_REQUEST, msg::REQ_BAND_RECORD,
                                          Payload::of(WindowHandle())});
        ShowState();
        return;
    }
    if (!scanner_.BandKnown())
        return; // the band has not come yet
    const StartOutcome out = scanner_.Start();
    ShowState();
    if (!out.started) {
        reportError_(out.error);
        return;
    }
    reportError_({}); // an earlier refusal no longer holds
    registry_.SetScanLimits({out.lowHz, out.highHz});
    Mailboxes::post(mainWindow_,
                    {msg::WM_K2_PANEL_REQUEST, msg::REQ_SCAN,
                     Payload::of(ScanRequest{int32_t(out.lowHz), int32_t(out.highHz)})});
}

void CKeySwitchEmulationPanel2Dlg::OnLimitsResume() {
    if (std::optional<int> code = scanner_.Resume())
        SendSwitch(*code);
    else if (scanner_.GetLimits())
        ShowState();
}

void CKeySwitchEmulationPanel2Dlg::OnStop() {
    if (std::optional<int> code = scanner_.Stop())
        SendSwitch(*code);
    ShowState();
}

void CKeySwitchEmulationPanel2Dlg::OnMessage(Message&& m) {
    if (m.id != msg::WM_K2_PANEL_REQUEST || m.wParam != msg::REQ_BAND_RECORD)
        return;
    const BandRecord* band = m.payload.get<BandRecord>();
    if (!band)
        return;
    ScanLimits saved;
    registry_.GetScanLimits(saved);
    if (scanner_.BandArrived(*band, saved.lowHz, saved.highHz))
        ShowState();
}

void CKeySwitchEmulationPanel2Dlg::SendSwitch(int code) {
    Mailboxes::post(mainWindow_,
                    {msg::WM_K2_PANEL_REQUEST, msg::REQ_SWITCH_TAP, Payload::of(int64_t{code})});
}

void CKeySwitchEmulationPanel2Dlg::ShowState() {
    const ScanState state = scanner_.State();
    Relabel(*scanStart_, state == ScanState::Ready ? "Scan" : "Start");
    scanStart_->setEnabled(state != ScanState::Scanning);
    const bool limits = state == ScanState::WaitingForBand || state == ScanState::LimitsEditable;
    Relabel(*limitsResume_, limits ? "Get Limits" : "Resume");
    limitsResume_->setEnabled(state != ScanState::Ready);
    stop_->setEnabled(true);
    for (auto [edit, text] :
         {std::pair{low_, &scanner_.LowText()}, {high_, &scanner_.HighText()}}) {
        const QString shown = QString::fromStdString(*text);
        if (edit->text() != shown)
            edit->setText(shown); // only on a change: typing keeps its cursor
        edit->setReadOnly(!scanner_.Editable());
        edit->setBackgroundColour(scanner_.Editable() ? kLimitEditable : kLimitReadOnly);
    }
}

} // namespace tamrel
