#pragma once
// The front panel as a tool window sees it, for tests: every command asked,
// as text, in order ("memory 2", "toggle", "exit", "logging", "key 27",
// "error: ...", "status: ...").

#include "controls/PanelCommands.h"

#include <string>
#include <vector>

namespace tamrel::test {

class RecordingPanel final : public PanelCommands {
public:
    explicit RecordingPanel(QRect frame = {100, 80, 900, 600}) : frame(frame) {}
    void RunMemoryCommand(MemoryCommand c) override {
        asked.push_back("memory " + std::to_string(int(c)));
    }
    void ToggleKeyboard() override { asked.push_back("toggle"); }
    void ConfirmExit() override { asked.push_back("exit"); }
    void OpenQsoLogging() override { asked.push_back("logging"); }
    void CwKey(int key) override { asked.push_back("key " + std::to_string(key)); }
    void ShowStatus(const std::string& text, bool error) override {
        asked.push_back((error ? "error: " : "status: ") + text);
    }
    QRect PanelFrame() const override { return frame; }

    std::vector<std::string> asked;
    QRect frame;
};

} // namespace tamrel::test
