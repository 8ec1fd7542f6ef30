#pragma once
// The look every key of the switch panel shares, and the control-id helper
// the pages use to tag their widgets.

#include "controls/CShadedButton.h"
#include "switchpanel/SwitchKeys.h"

#include <QColor>
#include <QString>

namespace tamrel::switchpanel {

inline const QColor kKeyCaption(0, 99, 0);
inline const QColor kKeyGreen(55, 255, 55);
inline const QColor kKeyRed(255, 55, 55);

// Metal shade 8, granularity 8, highlight 10, colouring 5 on the key's base colour.
ShadeParams KeyShadeParams(KeyShade shade);
FontDescription KeyFont(int id); // Tahoma 12/400; 1312 at 600, 1278 at 14/600

// A key: id, caption (its accessible name too), looks and no focus frame
// beyond the style's own.
CShadedButton* MakeKey(QWidget& parent, int id, const QString& caption);
// A new caption, and the accessible name with it.
void Relabel(CShadedButton& key, const QString& caption);

} // namespace tamrel::switchpanel
