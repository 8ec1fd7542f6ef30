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
    QColor backgroundColour() const { return background_; }
    QColor textColour() const { return text_; }

    void setLinkColour(const QColor& colour);
    QColor linkColour() const { return link_; }
    // A non-empty link text makes the label clickable and shows it in the link colour.
    void setLinkText(const QString& text);
    QString linkText() const { return linkText_; }
    bool isLink() const { return !linkText_.isEmpty(); }

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyColours();

    QColor background_;
    QColor text_;
    QColor link_{0, 128, 192};
    QString linkText_;
};
