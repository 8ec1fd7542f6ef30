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
    QString text() const { return text_; }
    void setColours(const QColor& off, const QColor& on);
    QColor offColour() const { return off_; }
    QColor onColour() const { return on_; }
    void setBackgroundColour(const QColor& colour);
    QColor backgroundColour() const { return background_; }

    // Fails (and changes nothing) when a flag is both to be cleared and to be set.
    bool modifyStyle(unsigned clear, unsigned set);
    unsigned style() const { return style_; }

    const std::vector<tamrel::segments::Cell>& cells() const { return cells_; }
    // How many repaints the display has asked for; tests use it to see that nothing was redrawn.
    int repaintRequests() const { return repaints_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void relayout();
    void requestRepaint();

    QString text_;
    QColor off_{0, 52, 0};
    QColor on_{0, 255, 0};
    QColor background_{Qt::black};
    unsigned style_ = tamrel::segments::kDefaultStyle;
    std::vector<tamrel::segments::Cell> cells_; // laid out on change and on resize
    int repaints_ = 0;
};
