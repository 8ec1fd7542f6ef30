#include "panel/FrontPanelServices.h"

#include "cw/CCWKeyboardDlg.h"
#include "panel/FrontPanelView.h"
#include "settings/CRigControlRegistry.h"

#include <QMetaObject>

#include <array>

namespace tamrel {

PanelCommands& CFrontPanelDlg::Commands() {
    return *commands_;
}

ControlSession::Window& CFrontPanelDlg::ControlWindow() {
    return *controlWindow_;
}

void CFrontPanelDlg::ToolCommands::Later(std::function<void()> action) {
    QMetaObject::invokeMethod(&panel_, std::move(action), Qt::QueuedConnection);
}

void CFrontPanelDlg::ToolCommands::RunMemoryCommand(MemoryCommand command) {
    static constexpr std::array<int, 4> kIds = {
        kCmdSaveStackingRegister, kCmdRecallStackingRegister, kCmdSaveMemory, kCmdRecallMemory};
    // After the key event: a dialog opened from inside it would see the key.
    Later([this, id = kIds[std::size_t(command)]] {
        if (panel_.memoryCommands_)
            panel_.memoryCommands_->Run(id);
    });
}

void CFrontPanelDlg::ToolCommands::ToggleKeyboard() {
    Later([this] { panel_.ToggleKeyboard(); });
}

void CFrontPanelDlg::ToolCommands::ConfirmExit() {
    Later([this] { panel_.ConfirmExit(); });
}

void CFrontPanelDlg::ToolCommands::OpenQsoLogging() {
    Later([this] { panel_.OpenQsoLogging(); });
}

void CFrontPanelDlg::ToolCommands::CwKey(int key) {
    panel_.OpenKeyboard();
    if (panel_.keyboard_) // not during the shutdown
        panel_.keyboard_->OnKey(uint64_t(key));
}

void CFrontPanelDlg::ToolCommands::ShowStatus(const std::string& text, bool error) {
    panel_.presenter_.ShowStatus(text, error ? StatusStyle::Error : StatusStyle::Normal);
    panel_.Refresh();
}

} // namespace tamrel
