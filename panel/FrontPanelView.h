#pragma once
// Copies the model's view into the front panel's widgets. Each widget is
// touched only when its value differs, so nothing repaints without cause.

#include "panel/FrontPanelLayout.h"
#include "panel/PanelView.h"

#include <QColor>

namespace tamrel {

inline QColor ToQColor(Rgb c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// `changes` is a set of PanelChange bits; kChangeAll refreshes everything.
void ShowView(FrontPanelWidgets& w, const PanelView& v, uint32_t changes);

} // namespace tamrel
