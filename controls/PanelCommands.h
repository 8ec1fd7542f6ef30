#pragma once
// PanelCommands: what the tool windows ask of the front panel. The panel
// implements it and hands itself to every tool window it makes, so a window
// that is not wired to the panel does not compile.
//
// Thread: the GUI thread. A command may close the window that asked for it
// (ToggleKeyboard, ConfirmExit): implementations act on those after the
// caller's event has been handled.

#include <QRect>

#include <string>

namespace tamrel {

class PanelCommands {
public:
    // The memory commands of ALT+F1..ALT+F4.
    enum class MemoryCommand {
        SaveStackingRegister,
        RecallStackingRegister,
        SaveMemory,
        RecallMemory
    };

    virtual void RunMemoryCommand(MemoryCommand command) = 0;
    // ALT+T: the keyboard CW window on or off.
    virtual void ToggleKeyboard() = 0;
    // ALT+X: the exit question.
    virtual void ConfirmExit() = 0;
    // ALT+L and "QSO Logging": opens (or shows) the QSO windows.
    virtual void OpenQsoLogging() = 0;
    // F1..F11 (0..10) and Esc (27) pressed in a window that does not send CW
    // itself: the keyboard CW window, opened when closed, takes them.
    virtual void CwKey(int key) = 0;
    // A line for the status line; `error` in the error style.
    virtual void ShowStatus(const std::string& text, bool error) = 0;
    // The panel's frame on the screen, where tool windows are placed beside.
    virtual QRect PanelFrame() const = 0;

protected:
    ~PanelCommands() = default;
};

inline constexpr int kCwAbortKey = 27;

} // namespace tamrel
