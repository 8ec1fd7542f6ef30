#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QWidget;

namespace tamrel {

// A font as the dialogs describe it: face name, height in logical units (negative = character
// height, positive = cell height, 0 = keep the current size), weight 100..900 (0 = normal).
struct FontDescription {
    QString face;
    int height = 0;
    int weight = 0;
    bool italic = false;
    bool underline = false;
};

// Longest face name a font description holds; longer names are cut.
inline constexpr int kMaxFaceLength = 31;

// True when the description can be turned into a font (weight and height in range).
bool isValidFontDescription(const FontDescription& desc);

// Builds the font for a description, starting from `base` for anything the description leaves
// open. A negative height is the character (em) height in pixels; a positive one is the cell
// height (ascent + descent), scaled to the em height with the face's own metrics.
QFont fontFromDescription(const FontDescription& desc, const QFont& base);

// Tags a control with its dialog id: property "controlId" and object name "ctl<id>", so that
// tests find it; a caption, when given, becomes its accessible name for screen readers.
void setControlId(QWidget& widget, int id, const QString& caption = {});

// Looks a control up by its dialog id among the descendants of `root`.
QWidget* findControl(const QWidget& root, int id);

// Black, or white on a dark background: whichever contrasts more with `back`
// by WCAG's measure of luminance.
QColor ReadableTextOn(const QColor& back);

} // namespace tamrel
