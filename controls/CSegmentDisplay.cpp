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
    if (text == m_text)
        return;
    m_text = text;
    relayout();
    requestRepaint();
}

void CSegmentDisplay::setColours(const QColor& off, const QColor& on) {
    if (off == m_off && on == m_on)
        return;
    m_off = off;
    m_on = on;
    requestRepaint();
}

void CSegmentDisplay::setBackgroundColour(const QColor& colour) {
    if (colour == m_background)
        return;
    m_background = colour;
    requestRepaint();
}

bool CSegmentDisplay::modifyStyle(unsigned clear, unsigned set) {
    if (clear & set)
        return false;
    m_style = (m_style & ~clear) | set;
    relayout();
    requestRepaint();
    return true;
}

void CSegmentDisplay::requestRepaint() {
    ++m_repaints;
    update();
}

void CSegmentDisplay::relayout() {
    // A text of "?" stands for the control's own caption.
    const QString shown = m_text == QLatin1String("?") ? accessibleName() : m_text;
    m_cells = layoutGlyphs(glyphsFor(shown.toUpper(), m_style), height(), m_style);
    if (m_style & kShaped) {
        // The display keeps only the strip its cells cover; the parent shows around it.
        QRegion region;
        for (const Cell& cell : m_cells)
            region += cell.box.toAlignedRect();
        setMask(region.isEmpty() ? QRegion(0, 0, 1, 1) : region);
    } else if (!mask().isEmpty()) {
        clearMask();
    }
}

QSize CSegmentDisplay::sizeHint() const {
    const QString shown = m_text.isEmpty() ? QStringLiteral("8") : m_text;
    const double w = layoutWidth(glyphsFor(shown, m_style), kDefaultHeight, m_style);
    return {int(w) + 1, kDefaultHeight};
}

void CSegmentDisplay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void CSegmentDisplay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_background);
    const bool smooth = m_style & kSmooth;
    const bool showUnlit = m_style & kShowUnlit;
    p.setRenderHint(QPainter::Antialiasing, smooth);
    const QPen onPen = smooth ? QPen(blend(m_on, m_background), 0.5) : QPen(Qt::NoPen);
    const QPen offPen = smooth ? QPen(blend(m_off, m_background), 0.5) : QPen(Qt::NoPen);

    for (const Cell& cell : m_cells) {
        const bool separator = segmentCount(cell.glyph.kind) == 0;
        for (size_t bit = 0; bit < cell.segments.size(); ++bit) {
            const bool lit = separator || (cell.glyph.mask >> bit) & 1u;
            if (!lit && !showUnlit)
                continue;
            p.setPen(lit ? onPen : offPen);
            p.setBrush(lit ? m_on : m_off);
            p.drawPolygon(cell.segments[bit]);
        }
    }
}
