#pragma once
// Where a window goes under the main window's saved outer rectangle.

#include "settings/CRigControlRegistry.h"

#include <QRect>
#include <QSize>

#include <optional>

namespace tamrel {

// The frame for a window of frame size `frame`: one pixel below the saved
// rectangle (right and bottom exclusive) and as wide. Nothing when that
// rectangle is narrower or lower than the frame, or when its corners (from a
// damaged settings file) leave no room in the coordinates.
std::optional<QRect> PlaceBelow(const WindowRect& main, QSize frame);

} // namespace tamrel
