#pragma once
// The front panel's keys in a tool window: shortcuts on `window` that reach
// the panel's commands wherever the window's focus is.
//
//   ALT+F1..ALT+F4  memory commands            (PanelKeys::Memory)
//   SHIFT+F1..F4    the same, where the desktop keeps ALT+Fn for itself
//   ALT+T, ALT+X    keyboard CW window, exit   (PanelKeys::Windows)
//   ALT+L           QSO logging                (PanelKeys::Logging)
//   F1..F11, Esc    to the keyboard CW window  (PanelKeys::Cw)

#include "controls/PanelCommands.h"

#include <QFlags>
#include <Qt>

class QWidget;

namespace tamrel {

// The memory commands' keys, in the order of PanelCommands::MemoryCommand:
// F1..F4 with either modifier. Desktops take ALT+F1..F4 (ALT+F4 closes a
// window almost everywhere) but leave SHIFT+F1..F4 to the program.
inline constexpr Qt::KeyboardModifier kMemoryKeyModifiers[] = {Qt::AltModifier, Qt::ShiftModifier};
// The memory command of a key press, or -1: F1..F4 with one of those modifiers.
int MemoryCommandOfKey(int qtKey, Qt::KeyboardModifiers modifiers);

enum class PanelKey { Memory = 1, Windows = 2, Logging = 4, Cw = 8 };
using PanelKeySet = QFlags<PanelKey>;
Q_DECLARE_OPERATORS_FOR_FLAGS(PanelKeySet)

void InstallPanelKeys(QWidget& window, PanelCommands& panel, PanelKeySet keys);

} // namespace tamrel
