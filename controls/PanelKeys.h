#pragma once
// The front panel's keys in a tool window: shortcuts on `window` that reach
// the panel's commands wherever the window's focus is.
//
//   ALT+F1..ALT+F4  memory commands            (PanelKeys::Memory)
//   ALT+T, ALT+X    keyboard CW window, exit   (PanelKeys::Windows)
//   ALT+L           QSO logging                (PanelKeys::Logging)
//   F1..F11, Esc    to the keyboard CW window  (PanelKeys::Cw)

#include "controls/PanelCommands.h"

#include <QFlags>

class QWidget;

namespace tamrel {

enum class PanelKey { Memory = 1, Windows = 2, Logging = 4, Cw = 8 };
using PanelKeySet = QFlags<PanelKey>;
Q_DECLARE_OPERATORS_FOR_FLAGS(PanelKeySet)

void InstallPanelKeys(QWidget& window, PanelCommands& panel, PanelKeySet keys);

} // namespace tamrel
