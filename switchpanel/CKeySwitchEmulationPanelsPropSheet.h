#pragma once
// CKeySwitchEmulationPanelsPropSheet: the modeless window "Key Switch
// Emulation Panel" with its two pages, "Basic" (the keys) and "Advance" (the
// scanner). The front panel creates it on the first "SW Panel" click and
// owns it; closing it (close box, Enter, Escape) only hides it, so the
// pages keep their menus and scan state until the front panel ends.
//
// Thread: the GUI thread.

#include <QDialog>

#include <functional>
#include <string>

class QTabWidget;

namespace tamrel {

class CKeySwitchEmulationPanel1Dlg;
class CKeySwitchEmulationPanel2Dlg;
class CRigControlRegistry;
class PanelCommands;
class RadioOperations;

inline constexpr char kSwitchPanelTitle[] = "Key Switch Emulation Panel";

class CKeySwitchEmulationPanelsPropSheet final : public QDialog {
public:
    // parent: the front panel.
    CKeySwitchEmulationPanelsPropSheet(CRigControlRegistry& registry, RadioOperations& radio,
                                       PanelCommands& panel, QWidget* parent);

    // Under the front panel's saved rectangle and as wide, when it is at
    // least as large as this window and there is room; else beside the panel.
    void PlaceUnderMainWindow();
    // Shows the window (placed, the first time) and brings it forward.
    void ShowPanel();

    CKeySwitchEmulationPanel1Dlg& Basic() const { return *basic_; }
    CKeySwitchEmulationPanel2Dlg& Advance() const { return *advance_; }
    QTabWidget& Tabs() const { return *tabs_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CRigControlRegistry& registry_;
    const PanelCommands& panel_;
    QTabWidget* tabs_ = nullptr; // children of the window
    CKeySwitchEmulationPanel1Dlg* basic_ = nullptr;
    CKeySwitchEmulationPanel2Dlg* advance_ = nullptr;
    bool placed_ = false;
};

} // namespace tamrel
