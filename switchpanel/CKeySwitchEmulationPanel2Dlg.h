#pragma once
// CKeySwitchEmulationPanel2Dlg: the page "Advance", the frequency scanner.
// It chooses two limits inside the band the radio is in, saves them and has
// the radio operations load them into VFO A and B and start the radio's own
// scan; "Resume" and "Stop Scan" send the radio's pause key.
// FrequencyScanner holds the states; this page shows them.
//
// Thread: the GUI thread.

#include "switchpanel/FrequencyScanner.h"

#include <QWidget>

#include <functional>
#include <string>

class CEditEx;
class CShadedButton;

namespace tamrel {

class CRigControlRegistry;
class PanelCommands;
class RadioOperations;

inline const QColor kLimitReadOnly(192, 192, 192);
inline const QColor kLimitEditable(166, 202, 240);

class CKeySwitchEmulationPanel2Dlg final : public QWidget {
public:
    inline static constexpr int kLowEdit = 1313, kHighEdit = 1314, kScanStart = 1315,
                                kLimitsResume = 1316, kStopScan = 1317;

    // Refusals go to the panel's status line.
    CKeySwitchEmulationPanel2Dlg(CRigControlRegistry& registry, RadioOperations& radio,
                                 PanelCommands& panel, QWidget* parent = nullptr);

    const switchpanel::FrequencyScanner& Scanner() const { return scanner_; }

private:
    void OnScanStart();
    void OnLimitsResume();
    void OnStop();
    void SendSwitch(int code);
    void ShowState();

    CRigControlRegistry& registry_;
    RadioOperations& radio_;
    PanelCommands& panel_;
    switchpanel::FrequencyScanner scanner_;
    CEditEx* low_ = nullptr; // children of the page
    CEditEx* high_ = nullptr;
    CShadedButton* scanStart_ = nullptr;
    CShadedButton* limitsResume_ = nullptr;
    CShadedButton* stop_ = nullptr;
};

} // namespace tamrel
