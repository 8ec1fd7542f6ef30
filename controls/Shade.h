#pragma once

#include <QColor>
#include <QImage>

#include <array>
#include <cstdint>
#include <vector>

namespace tamrel {

// Shaded button faces. A face is a pattern of palette indices, kShadeHeight rows high and as
// wide as the button, tiled downwards when drawn. Index 0 is the button-shadow colour, 128 the
// button face and 255 the chosen base colour.
inline constexpr int kShadeHeight = 20;

enum class ShadeStyle {
    Noise = 0,      // noise around the face colour
    Diagonal = 1,   // light top-left to dark bottom-right
    Vertical = 2,   // light top to dark bottom
    Horizontal = 3, // light left to dark right
    HBump = 4,      // cubic bump across the height
    VBump = 5,      // cubic bump across the width
    SoftBump = 6,   // both bumps added
    HardBump = 7,   // steep bump with bevelled edges
    Metal = 8,      // random diagonal streaks over a diagonal gradient
};
inline constexpr int kShadeStyleCount = 9;

struct ShadeParams {
    int style = 0;
    int granularity = 0; // noise amplitude in palette steps
    int highlight = 0;   // palette steps added to the hover face
    int colouring = 0;   // percent of the base colour mixed into the pressed face
    QColor base;
};

using ShadePalette = std::array<QRgb, 256>;

// 0..128 runs from `shadow` to `face`, 128..255 from `face` to `base`, channel by channel.
ShadePalette shadePalette(const QColor& shadow, const QColor& face, const QColor& base);

// The index pattern (row-major, kShadeHeight x width). Every value stays inside
// granularity..255-granularity. The noise is seeded from the parameters, so the same button
// always gets the same face and repaints never flicker.
std::vector<std::uint8_t> shadePattern(const ShadeParams& params, int width);

// The three faces a shaded button draws.
struct ShadeFaces {
    QImage normal;
    QImage hover;   // the pattern moved `highlight` steps towards the base colour
    QImage pressed; // the pattern turned over (lit from below) and tinted with the base colour
};
ShadeFaces makeShadeFaces(const ShadeParams& params, int width, const QColor& shadow,
                          const QColor& face);

} // namespace tamrel
