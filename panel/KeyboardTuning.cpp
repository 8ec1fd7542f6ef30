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
        {"Enter elsewhere, Alt+X", "Exit Tamrel (asks first)"},
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
