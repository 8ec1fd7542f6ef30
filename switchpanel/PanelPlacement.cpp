#include "PanelPlacement.h"

#include <cstdint>

namespace tamrel::switchpanel {

std::optional<FrameRect> PlaceBelow(const WindowRect& main, int panelWidth, int panelHeight) {
    // In 64 bits: a damaged settings file may hold any corners.
    const int64_t width = int64_t(main.right) - main.left;
    const int64_t height = int64_t(main.bottom) - main.top;
    if (width < panelWidth || height < panelHeight || width > INT32_MAX ||
        int64_t(main.bottom) + 1 > INT32_MAX)
        return std::nullopt;
    return FrameRect{main.left, main.bottom + 1, int(width), panelHeight};
}

} // namespace tamrel::switchpanel
