#pragma once

#include "controls/SegmentGlyphs.h"

#include <QColor>
#include <QWidget>

// Shows text as LED segments: 7-segment digits, 14-segment letters, narrow "." and ":".
// Characters without a glyph take no place. Style flags and mask bits: SegmentGlyphs.h.
// Repaints only when what it shows changes.
class CSegmentDisplay : public QWidget {
    Q_OBJECT
public:
    // `caption` is the control's own text: the accessible name, and what a text of "?" shows.
    explicit CSegmentDisplay(const QString& caption = {}, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    void setColours(const QColor& off, const QColor& on);
    QColor offColour() const { return m_off; }
    QColor onColour() const { return m_on; }
    void setBackgroundColour(const QColor& colour);
    QColor backgroundColour() const { return m_background; }

    // Fails (and changes nothing) when a flag is both to be cleared and to be set.
    bool modifyStyle(unsigned clear, unsigned set);
    unsigned style() const { return m_style; }

    const std::vector<tamrel::segments::Cell>& cells() const { return m_cells; }
    // How many repaints the display has asked for; tests use it to see that nothing was redrawn.
    int repaintRequests() const { return m_repaints; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void relayout();
    void requestRepaint();

    QString m_text;
    QColor m_off{0, 52, 0};
    QColor m_on{0, 255, 0};
    QColor m_background{Qt::black};
    unsigned m_style = tamrel::segments::kDefaultStyle;
    std::vector<tamrel::segments::Cell> m_cells; // laid out on change and on resize
    int m_repaints = 0;
};
