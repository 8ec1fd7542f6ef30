#pragma once

#include "controls/ControlSupport.h"

#include <QColor>
#include <QLabel>

// A label with its own font, background and text colours; with a link text set it shows the
// link in the link colour and reports clicks.
class CStaticEx : public QLabel {
    Q_OBJECT
public:
    explicit CStaticEx(const QString& text = {}, QWidget* parent = nullptr);

    void setFontDescription(const tamrel::FontDescription& desc);
    QColor setBackgroundColour(const QColor& colour); // returns the previous colour
    QColor setTextColour(const QColor& colour);       // returns the previous colour
    QColor backgroundColour() const { return m_background; }
    QColor textColour() const { return m_text; }

    void setLinkColour(const QColor& colour);
    QColor linkColour() const { return m_link; }
    // A non-empty link text makes the label clickable and shows it in the link colour.
    void setLinkText(const QString& text);
    QString linkText() const { return m_linkText; }
    bool isLink() const { return !m_linkText.isEmpty(); }

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyColours();

    QColor m_background;
    QColor m_text;
    QColor m_link{0, 128, 192};
    QString m_linkText;
};
