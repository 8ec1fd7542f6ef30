#include "controls/CSegmentDisplay.h"

#include "controls/AccessibleControls.h"

#include <QPainter>
#include <QRegion>

using namespace tamrel::segments;

namespace {
constexpr int kDefaultHeight = 24;

QColor blend(const QColor& a, const QColor& b) {
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}
} // namespace

CSegmentDisplay::CSegmentDisplay(const QString& caption, QWidget* parent) : QWidget(parent) {
    tamrel::InstallAccessibleControls();
    setAccessibleName(caption);
    setAttribute(Qt::WA_OpaquePaintEvent); // the whole area is painted every time
}

void CSegmentDisplay::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    relayout();
    requestRepaint();
}

void CSegmentDisplay::setColours(const QColor& off, const QColor& on) {
    if (off == off_ && on == on_)
        return;
    off_ = off;
    on_ = on;
    requestRepaint();
}

void CSegmentDisplay::setBackgroundColour(const QColor& colour) {
    if (colour == background_)
        return;
    background_ = colour;
    requestRepaint();
}

bool CSegmentDisplay::modifyStyle(unsigned clear, unsigned set) {
    if (clear & set)
        return false;
    style_ = (style_ & ~clear) | set;
    relayout();
    requestRepaint();
    return true;
}

void CSegmentDisplay::requestRepaint() {
    ++repaints_;
    update();
}

void CSegmentDisplay::relayout() {
    // A text of "?" stands for the control's own caption.
    const QString shown = text_ == QLatin1String("?") ? accessibleName() : text_;
    cells_ = layoutGlyphs(glyphsFor(shown.toUpper(), style_), height(), style_);
    if (style_ & kShaped) {
        // The display keeps only the strip its cells cover; the parent shows around it.
        QRegion region;
        for (const Cell& cell : cells_)
            region += cell.box.toAlignedRect();
        setMask(region.isEmpty() ? QRegion(0, 0, 1, 1) : region);
    } else if (!mask().isEmpty()) {
        clearMask();
    }
}

QSize CSegmentDisplay::sizeHint() const {
    const QString shown = text_.isEmpty() ? QStringLiteral("8") : text_;
    const double w = layoutWidth(glyphsFor(shown, style_), kDefaultHeight, style_);
    return {int(w) + 1, kDefaultHeight};
}

void CSegmentDisplay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void CSegmentDisplay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background_);
    const bool smooth = style_ & kSmooth;
    const bool showUnlit = style_ & kShowUnlit;
    p.setRenderHint(QPainter::Antialiasing, smooth);
    const QPen onPen = smooth ? QPen(blend(on_, background_), 0.5) : QPen(Qt::NoPen);
    const QPen offPen = smooth ? QPen(blend(off_, background_), 0.5) : QPen(Qt::NoPen);

    for (const Cell& cell : cells_) {
        const bool separator = segmentCount(cell.glyph.kind) == 0;
        for (size_t bit = 0; bit < cell.segments.size(); ++bit) {
            const bool lit = separator || (cell.glyph.mask >> bit) & 1u;
            if (!lit && !showUnlit)
                continue;
            p.setPen(lit ? onPen : offPen);
            p.setBrush(lit ? on_ : off_);
            p.drawPolygon(cell.segments[bit]);
        }
    }
}
