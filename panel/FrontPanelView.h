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

// The frequencies and the mode in a sentence, for the key that reads them out.
QString SpokenSummary(const PanelView& v);

// Has screen readers follow the values that change as the radio does.
class SpokenValues;
void FollowSpokenValues(SpokenValues& spoken, const FrontPanelWidgets& w, const PanelView& v);

} // namespace tamrel
