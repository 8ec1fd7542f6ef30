#pragma once

#include <QChar>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Glyphs of the LED segment displays, and where their segments lie. No painting here.
//
// 7-segment masks, one bit per segment:
//   bit0 top, bit1 upper-left, bit2 upper-right, bit3 middle, bit4 lower-left, bit5 lower-right,
//   bit6 bottom.  ("1" = 0x24 = upper-right + lower-right, "7" = 0x25 adds the top.)
//
// 14-segment masks:
//   bit0 upper-left diagonal, bit1 upper centre bar, bit2 upper-right diagonal,
//   bit3 lower-left diagonal, bit4 lower centre bar, bit5 lower-right diagonal,
//   bit6 middle-left, bit7 middle-right, bit8 upper-left, bit9 lower-left, bit10 bottom,
//   bit11 lower-right, bit12 upper-right, bit13 top.
//   ("0" = 0x3F00 = the six outer segments, "1" = 0x1800, "-" = 0x00C0, "A" = 0x3BC0.)
//
// Style flags of a display:
//   0x01 smooth edges (antialiased segments with a blended edge pen)
//   0x02 digits, blank and "-" in 14-segment glyphs instead of 7-segment ones
//   0x04 slanted segments
//   0x08 shaped: the widget's mask follows the drawn cells, the rest shows the parent
//   0x10 unlit segments drawn in the off colour (otherwise left as background)
namespace tamrel::segments {

enum StyleFlag : unsigned {
    kSmooth = 0x01,
    kDigits14 = 0x02,
    kSlanted = 0x04,
    kShaped = 0x08,
    kShowUnlit = 0x10,
};
inline constexpr unsigned kDefaultStyle = kSlanted | kShowUnlit; // 0x14

enum class GlyphKind { Seven, Fourteen, Point, Colon };

struct Glyph {
    GlyphKind kind;
    std::uint16_t mask;
    friend bool operator==(const Glyph&, const Glyph&) = default;
};

inline constexpr std::array<std::uint8_t, 10> kSevenDigits = {0x77, 0x24, 0x5D, 0x6D, 0x2E,
                                                              0x6B, 0x7B, 0x25, 0x7F, 0x6F};
inline constexpr std::uint8_t kSevenMinus = 0x08;

// 14-segment masks indexed blank, "0".."9", "-", "A".."Z".
extern const std::array<std::uint16_t, 38> kFourteenTable;

int segmentCount(GlyphKind kind); // 7, 14, or 0 for separators

// The glyph for one character (upper-cased first); none when it takes no place.
std::optional<Glyph> glyphFor(QChar ch, unsigned style);
std::vector<Glyph> glyphsFor(const QString& text, unsigned style);

// One laid-out cell: its box and, for segment glyphs, one polygon per mask bit (for
// separators, the dots, always lit).
struct Cell {
    Glyph glyph;
    QRectF box;
    std::vector<QPolygonF> segments;
};

// Lays the glyphs out from the left edge of an area `height` pixels high.
std::vector<Cell> layoutGlyphs(const std::vector<Glyph>& glyphs, double height, unsigned style);

// Width the glyphs need at that height.
double layoutWidth(const std::vector<Glyph>& glyphs, double height, unsigned style);

} // namespace tamrel::segments
