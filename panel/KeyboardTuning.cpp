#include "panel/KeyboardTuning.h"

#include <Qt>

namespace tamrel {

int TuneStepHz(int index) {
    if (index < 0 || index >= int(kTuneStepsHz.size()))
        return kTuneStepsHz[0];
    return kTuneStepsHz[static_cast<std::size_t>(index)];
}

int64_t KeyTuningDelta(int qtKey, bool shift, int stepHz) {
    int64_t steps = 0;
    switch (qtKey) {
    case Qt::Key_Up:
        steps = 1;
        break;
    case Qt::Key_Down:
        steps = -1;
        break;
    case Qt::Key_PageUp:
        steps = 10;
        break;
    case Qt::Key_PageDown:
        steps = -10;
        break;
    default:
        return 0;
    }
    return steps * stepHz * (shift ? 10 : 1);
}

std::vector<Shortcut> KeyboardShortcuts() {
    return {
        {"Up / Down", "Tune the receive VFO one step up / down"},
        {"Page Up / Page Down", "Tune ten steps up / down"},
        {"Shift + any of these", "Ten times the move"},
        {"Mouse wheel", "Tune one step per notch"},
        {"Right-click the tuning slider", "Release tuning on / off"},
        {"Enter in a frequency edit", "Set that VFO to the typed frequency"},
        {"Escape in a frequency edit", "Give the box back to the radio's value"},
        {"Enter elsewhere, Alt+X", "Exit Tamrel (asks first)"},
        {"Alt+F1 or Shift+F1", "Save to the stacking register"},
        {"Alt+F2 or Shift+F2", "Recall from the stacking register"},
        {"Alt+F3 or Shift+F3", "Save a memory"},
        {"Alt+F4 or Shift+F4", "Recall a memory (Shift+F4 where Alt+F4 closes windows)"},
        {"Alt+L", "QSO logging windows"},
        {"Alt+T", "Keyboard CW window on / off"},
        {"F1 ... F11", "Send that CW memory key (keyboard CW window open)"},
        {"Escape", "Abort the CW being sent (keyboard CW window open)"},
        {"Tab / Shift+Tab", "Move the focus between controls"},
        {"Alt+R", "Read out the frequencies and the mode (screen readers)"},
        {"Right-click the panel", "This menu"},
    };
}

std::string ShortcutsText() {
    std::string text;
    for (const Shortcut& s : KeyboardShortcuts())
        text += s.keys + "\t" + s.action + "\n";
    return text;
}

} // namespace tamrel
