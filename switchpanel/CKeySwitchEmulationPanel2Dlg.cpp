#include "CKeySwitchEmulationPanel2Dlg.h"

#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "controls/PanelCommands.h"
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
                                                           RadioOperations& radio,
                                                           PanelCommands& panel, QWidget* parent)
    : QWidget(parent), registry_(registry), radio_(radio), panel_(panel) {
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
        if (scanner_.Scan()) {
            // The limits start from the band the radio is in now.
            ScanLimits saved;
            registry_.GetScanLimits(saved);
            scanner_.BandArrived(radio_.Model().CurrentBand(), saved.lowHz, saved.highHz);
        }
        ShowState();
        return;
    }
    if (!scanner_.BandKnown())
        return; // the band has not come yet
    const StartOutcome out = scanner_.Start();
    ShowState();
    if (!out.started) {
        panel_.ShowStatus(out.error, true);
        return;
    }
    panel_.ShowStatus({}, false); // an earlier refusal no longer holds
    registry_.SetScanLimits({out.lowHz, out.highHz});
    radio_.ScanBetween(int32_t(out.lowHz), int32_t(out.highHz));
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
    radio_.EndScan();
    ShowState();
}

void CKeySwitchEmulationPanel2Dlg::SendSwitch(int code) {
    radio_.TapSwitch(code);
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
