#pragma once
// The front panel as its collaborators see it: the tool windows
// (PanelCommands), the memory commands and the control socket's operations.
// Internal to the panel's implementation files.

#include "controls/PanelCommands.h"
#include "cw/CCWKeyboardDlg.h"
#include "memory/MemoryCommands.h"
#include "panel/CFrontPanelDlg.h"
#include "remote/ControlSession.h"
#include "settings/CRigControlRegistry.h"

#include <functional>
#include <string>

namespace tamrel {

// What the memory commands use of the panel: the radio and the status line.
class CFrontPanelDlg::MemoryHost final : public MemoryCommandsHost {
public:
    explicit MemoryHost(CFrontPanelDlg& panel) : panel_(panel) {}
    K2RadioState Snapshot() const override { return panel_.radio_.Model().Snapshot(); }
    void Recall(const K2RadioState& state) override { panel_.radio_.ApplyState(state); }
    void Status(const std::string& text, MemoryStatusStyle style) override {
        panel_.presenter_.ShowStatus(text, StatusStyle(int(style)));
        panel_.Refresh();
    }
    std::string BandLabel(int band) const override { return panel_.registry_.GetBandLabel(band); }

private:
    CFrontPanelDlg& panel_;
};

// The panel as the tool windows see it. Commands that can close the asking
// window run once its event has been handled.
class CFrontPanelDlg::ToolCommands final : public PanelCommands {
public:
    explicit ToolCommands(CFrontPanelDlg& panel) : panel_(panel) {}
    void RunMemoryCommand(MemoryCommand command) override;
    void ToggleKeyboard() override;
    void ConfirmExit() override;
    void OpenQsoLogging() override;
    void CwKey(int key) override;
    void ShowStatus(const std::string& text, bool error) override;
    QRect PanelFrame() const override { return panel_.frameGeometry(); }

private:
    void Later(std::function<void()> action);
    CFrontPanelDlg& panel_;
};

// What the control socket's operations ask of the window.
class CFrontPanelDlg::ControlWindowImpl final : public ControlSession::Window {
public:
    explicit ControlWindowImpl(CFrontPanelDlg& panel) : panel_(panel) {}
    void OpenKeyboard() override { panel_.OpenKeyboard(); }
    void SendCwText(const std::string& text) override {
        if (panel_.keyboard_ && !panel_.keyboard_->Closing())
            panel_.keyboard_->OnCwText(text);
    }
    void BringToFront() override {
        if (panel_.isMinimized())
            panel_.showNormal();
        panel_.raise();
        panel_.activateWindow();
    }

private:
    CFrontPanelDlg& panel_;
};

} // namespace tamrel
