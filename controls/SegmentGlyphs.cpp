#include "controls/SegmentGlyphs.h"

namespace tamrel::segments {

namespace {

// 14-segment bits by name.
enum : std::uint16_t {
    DUL = 1 << 0, // upper-left diagonal
    VU = 1 << 1,  // upper centre bar
    DUR = 1 << 2, // upper-right diagonal
    DLL = 1 << 3, // lower-left diagonal
    VL = 1 << 4,  // lower centre bar
    DLR = 1 << 5, // lower-right diagonal
    ML = 1 << 6,
    MR = 1 << 7,
    UL = 1 << 8,
    LL = 1 << 9,
    BOT = 1 << 10,
    LR = 1 << 11,
    UR = 1 << 12,
    TOP = 1 << 13,
};
constexpr std::uint16_t OUTER = TOP | UR | LR | BOT | LL | UL;
constexpr std::uint16_t MID = ML | MR;

// Cell geometry in design units: a cell is kWidth wide and kHeight high; the glyph area is
// kHeight + 2 units high so that there is a unit of black above and below.
constexpr double kWidth = 12, kHeight = 20, kSlant = 0.1, kGap = 2, kSepWidth = 4;
constexpr double kL = 1, kR = 11, kC = 6, kT = 1, kM = 10, kB = 19;
constexpr double kHalf = 1.0;   // half the segment thickness
constexpr double kSpace = 0.35; // gap between neighbouring segments

QPolygonF hseg(double x0, double x1, double y) {
    return QPolygonF({{x0, y},
                      {x0 + kHalf, y - kHalf},
                      {x1 - kHalf, y - kHalf},
                      {x1, y},
                      {x1 - kHalf, y + kHalf},
                      {x0 + kHalf, y + kHalf}});
}

QPolygonF vseg(double x, double y0, double y1) {
    return QPolygonF({{x, y0},
                      {x + kHalf, y0 + kHalf},
                      {x + kHalf, y1 - kHalf},
                      {x, y1},
                      {x - kHalf, y1 - kHalf},
                      {x - kHalf, y0 + kHalf}});
}

// The upper-left diagonal; the others are its mirror images.
QPolygonF diagonal(bool mirrorX, bool mirrorY) {
    const double xa = kL + kHalf + kSpace, ya = kT + kHalf + kSpace;
    const double xb = kC - kHalf - kSpace, yb = kM - kHalf - kSpace;
    const double w = 0.9, e = 1.6;
    QPolygonF poly({{xa, ya}, {xa + w, ya}, {xb, yb - e}, {xb, yb}, {xb - w, yb}, {xa, ya + e}});
    for (QPointF& p : poly) {
        if (mirrorX)
            p.setX(kWidth - p.x());
        if (mirrorY)
            p.setY(kHeight - p.y());
    }
    return poly;
}

std::vector<QPolygonF> sevenShapes() {
    const double a = kL + kSpace, b = kR - kSpace;
    return {hseg(a, b, kT), vseg(kL, kT + kSpace, kM - kSpace), vseg(kR, kT + kSpace, kM - kSpace),
            hseg(a, b, kM), vseg(kL, kM + kSpace, kB - kSpace), vseg(kR, kM + kSpace, kB - kSpace),
            hseg(a, b, kB)};
}

std::vector<QPolygonF> fourteenShapes() {
    const double a = kL + kSpace, b = kR - kSpace;
    return {diagonal(false, false),
            vseg(kC, kT + kHalf + kSpace, kM - kSpace),
            diagonal(true, false),
            diagonal(false, true),
            vseg(kC, kM + kSpace, kB - kHalf - kSpace),
            diagonal(true, true),
            hseg(a, kC - kSpace, kM),
            hseg(kC + kSpace, b, kM),
            vseg(kL, kT + kSpace, kM - kSpace),
            vseg(kL, kM + kSpace, kB - kSpace),
            hseg(a, b, kB),
            vseg(kR, kM + kSpace, kB - kSpace),
            vseg(kR, kT + kSpace, kM - kSpace),
            hseg(a, b, kT)};
}

std::vector<QPolygonF> separatorShapes(GlyphKind kind) {
    auto dot = [](double y) { return QPolygonF(QRectF(1, y, 2, 2)); };
    if (kind == GlyphKind::Point)
        return {dot(kB - 1.5)};
    return {dot(5), dot(13)};
}

double advance(const Glyph& g, unsigned style) {
    if (g.kind == GlyphKind::Point || g.kind == GlyphKind::Colon)
        return kSepWidth;
    return kWidth + ((style & kSlanted) ? kSlant * kHeight : 0.0) + kGap;
}

} // namespace

const std::array<std::uint16_t, 38> kFourteenTable = {
    0,                                  // blank
    OUTER,                              // 0
    UR | LR,                            // 1
    TOP | UR | MID | LL | BOT,          // 2
    TOP | UR | MID | LR | BOT,          // 3
    UL | UR | MID | LR,                 // 4
    TOP | UL | MID | LR | BOT,          // 5
    TOP | UL | LL | BOT | LR | MID,     // 6
    TOP | UR | LR,                      // 7
    OUTER | MID,                        // 8
    TOP | UL | UR | MID | LR | BOT,     // 9
    MID,                                // -
    (OUTER & ~BOT) | MID,               // A
    TOP | UR | LR | BOT | MR | VU | VL, // B
    TOP | UL | LL | BOT,                // C
    TOP | UR | LR | BOT | VU | VL,      // D
    TOP | UL | LL | BOT | ML,           // E
    TOP | UL | LL | ML,                 // F
    TOP | UL | LL | BOT | LR | MR,      // G
    UL | LL | UR | LR | MID,            // H
    TOP | BOT | VU | VL,                // I
    UR | LR | BOT | LL,                 // J
    UL | LL | ML | DUR | DLR,           // K
    UL | LL | BOT,                      // L
    UL | LL | UR | LR | DUL | DUR,      // M
    UL | LL | UR | LR | DUL | DLR,      // N
    OUTER,                              // O
    TOP | UL | UR | MID | LL,           // P
    OUTER | DLR,                        // Q
    TOP | UL | UR | MID | LL | DLR,     // R
    TOP | UL | MID | LR | BOT,          // S
    TOP | VU | VL,                      // T
    UL | LL | BOT | LR | UR,            // U
    UL | LL | DLL | DUR,                // V
    UL | LL | UR | LR | DLL | DLR,      // W
    DUL | DUR | DLL | DLR,              // X
    DUL | DUR | VL,                     // Y
    TOP | DUR | DLL | BOT,              // Z
};

int segmentCount(GlyphKind kind) {
    switch (kind) {
    case GlyphKind::Seven:
        return 7;
    case GlyphKind::Fourteen:
        return 14;
    default:
        return 0;
    }
}

std::optional<Glyph> glyphFor(QChar ch, unsigned style) {
    const char c = ch.toUpper().toLatin1();
    const bool digits14 = style & kDigits14;
    if (c >= '0' && c <= '9')
        return digits14 ? Glyph{GlyphKind::Fourteen, kFourteenTable[1 + (c - '0')]}
                        : Glyph{GlyphKind::Seven, kSevenDigits[c - '0']};
    if (c == ' ')
        return Glyph{digits14 ? GlyphKind::Fourteen : GlyphKind::Seven, 0};
    if (c == '-')
        return digits14 ? Glyph{GlyphKind::Fourteen, kFourteenTable[11]}
                        : Glyph{GlyphKind::Seven, kSevenMinus};
    if (c >= 'A' && c <= 'Z')
        return Glyph{GlyphKind::Fourteen, kFourteenTable[12 + (c - 'A')]};
    switch (c) {
    case '\'':
        return Glyph{GlyphKind::Fourteen, DUR};
    case '(':
        return Glyph{GlyphKind::Fourteen, DUR | DLR};
    case ')':
        return Glyph{GlyphKind::Fourteen, DUL | DLL};
    case '*':
        return Glyph{GlyphKind::Fourteen, DUL | VU | DUR | DLL | VL | DLR | MID};
    case '+':
        return Glyph{GlyphKind::Fourteen, VU | VL | MID};
    case '/':
        return Glyph{GlyphKind::Fourteen, DUR | DLL};
    case '\\':
        return Glyph{GlyphKind::Fourteen, DUL | DLR};
    case '.':
        return Glyph{GlyphKind::Point, 1};
    case ':':
        return Glyph{GlyphKind::Colon, 3};
    default:
        return std::nullopt;
    }
}

std::vector<Glyph> glyphsFor(const QString& text, unsigned style) {
    std::vector<Glyph> glyphs;
    glyphs.reserve(size_t(text.size()));
    for (const QChar ch : text) {
        if (const auto g = glyphFor(ch, style))
            glyphs.push_back(*g);
    }
    return glyphs;
}

double layoutWidth(const std::vector<Glyph>& glyphs, double height, unsigned style) {
    const double s = height / (kHeight + 2);
    double units = kGap / 2;
    for (const Glyph& g : glyphs)
        units += advance(g, style);
    return units * s;
}

std::vector<Cell> layoutGlyphs(const std::vector<Glyph>& glyphs, double height, unsigned style) {
    static const std::vector<QPolygonF> seven = sevenShapes();
    static const std::vector<QPolygonF> fourteen = fourteenShapes();
    const double s = height / (kHeight + 2);
    const double slant = (style & kSlanted) ? kSlant : 0.0;

    std::vector<Cell> cells;
    cells.reserve(glyphs.size());
    double x = kGap / 2;
    for (const Glyph& g : glyphs) {
        const std::vector<QPolygonF> shapes = g.kind == GlyphKind::Seven ? seven
                                              : g.kind == GlyphKind::Fourteen
                                                  ? fourteen
                                                  : separatorShapes(g.kind);
        Cell cell{g, QRectF(x * s, 0, advance(g, style) * s, height), {}};
        cell.segments.reserve(shapes.size());
        for (const QPolygonF& shape : shapes) {
            QPolygonF poly;
            poly.reserve(shape.size());
            for (const QPointF& p : shape)
                poly << QPointF((x + p.x() + slant * (kHeight - p.y())) * s, (p.y() + 1) * s);
            cell.segments.push_back(std::move(poly));
        }
        cells.push_back(std::move(cell));
        x += advance(g, style);
    }
    return cells;
}

} // namespace tamrel::segments
