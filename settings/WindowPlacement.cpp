#include "WindowPlacement.h"

#include <cstdint>

namespace tamrel {

std::optional<QRect> PlaceBelow(const WindowRect& main, QSize frame) {
    // In 64 bits: a damaged settings file may hold any corners.
    const int64_t width = int64_t{main.right} - main.left;
    const int64_t height = int64_t{main.bottom} - main.top;
    if (width < frame.width() || height < frame.height() || width > INT32_MAX ||
        int64_t{main.bottom} + 1 > INT32_MAX)
        return std::nullopt;
    return QRect(main.left, main.bottom + 1, int(width), frame.height());
}

} // namespace tamrel
