#pragma once
// CKeySwitchEmulationPanel2Dlg: the page "Advance", the frequency scanner.
// It chooses two limits inside the current band, saves them and asks the
// front panel to load them into VFO A and B and start the radio's own scan;
// "Resume" and "Stop Scan" send the radio's pause key. FrequencyScanner
// holds the states; this page shows them.
//
// Threads: the GUI thread. The page and the front panel talk by posted
// messages only: request 16 carries the page's mailbox handle and comes back
// with the band, 17 carries the limits, 15 a switch code. A page that is gone
// simply receives nothing.

#include "platform/Messages.h"
#include "platform/WindowMailbox.h"
#include "switchpanel/FrequencyScanner.h"

#include <QWidget>

#include <functional>
#include <string>

class CEditEx;
class CShadedButton;

namespace tamrel {

class CRigControlRegistry;

inline const QColor kLimitReadOnly(192, 192, 192);
inline const QColor kLimitEditable(166, 202, 240);

class CKeySwitchEmulationPanel2Dlg final : public QWidget {
public:
    // Shows a text on the front panel's status line in the error style.
    using ErrorReporter = std::function<void(const std::string&)>;

    inline static constexpr int kLowEdit = 1313, kHighEdit = 1314, kScanStart = 1315,
                                kLimitsResume = 1316, kStopScan = 1317;

    CKeySwitchEmulationPanel2Dlg(CRigControlRegistry& registry, Handle mainWindow,
                                 ErrorReporter reportError, QWidget* parent = nullptr);

    const switchpanel::FrequencyScanner& Scanner() const { return scanner_; }
    Handle WindowHandle() const { return mailbox_.handle(); }

private:
    void OnScanStart();
    void OnLimitsResume();
    void OnStop();
    void OnMessage(Message&& m);
    void SendSwitch(int code);
    void ShowState();

    CRigControlRegistry& registry_;
    Handle mainWindow_;
    ErrorReporter reportError_;
    switchpanel::FrequencyScanner scanner_;
    CEditEx* low_ = nullptr; // children of the page
    CEditEx* high_ = nullptr;
    CShadedButton* scanStart_ = nullptr;
    CShadedButton* limitsResume_ = nullptr;
    CShadedButton* stop_ = nullptr;
    // Last: removed first, so no message reaches a half-destroyed page.
    WindowMailbox mailbox_;
};

} // namespace tamrel
