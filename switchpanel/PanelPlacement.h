#pragma once
// Where the switch panel goes: right under the front panel's saved outer
// rectangle and as wide as it, when that rectangle can hold the panel.

#include "settings/CRigControlRegistry.h"

#include <optional>

namespace tamrel::switchpanel {

// An outer (frame) rectangle: left and top inclusive, width and height.
struct FrameRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const FrameRect&, const FrameRect&) = default;
};

// The panel's new frame, or nothing when the saved rectangle (right and
// bottom exclusive) is narrower or lower than the panel's frame: the panel
// then stays where it is.
std::optional<FrameRect> PlaceBelow(const WindowRect& main, int panelWidth, int panelHeight);

} // namespace tamrel::switchpanel
