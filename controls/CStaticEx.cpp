#include "controls/CStaticEx.h"

#include "controls/AccessibleControls.h"

#include <QMouseEvent>

CStaticEx::CStaticEx(const QString& text, QWidget* parent)
    : QLabel(text, parent), m_background(palette().color(QPalette::Button)),
      m_text(palette().color(QPalette::WindowText)) {
    tamrel::InstallAccessibleControls();
    setAutoFillBackground(true);
    applyColours();
}

void CStaticEx::setFontDescription(const tamrel::FontDescription& desc) {
    if (tamrel::isValidFontDescription(desc))
        setFont(tamrel::fontFromDescription(desc, font()));
}

QColor CStaticEx::setBackgroundColour(const QColor& colour) {
    const QColor old = m_background;
    if (colour != old) {
        m_background = colour;
        applyColours();
    }
    return old;
}

QColor CStaticEx::setTextColour(const QColor& colour) {
    const QColor old = m_text;
    if (colour != old) {
        m_text = colour;
        applyColours();
    }
    return old;
}

void CStaticEx::setLinkColour(const QColor& colour) {
    m_link = colour;
    applyColours();
}

void CStaticEx::setLinkText(const QString& text) {
    m_linkText = text;
    if (isLink()) {
        setText(text);
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    applyColours();
}

void CStaticEx::applyColours() {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, m_background);
    pal.setColor(QPalette::WindowText, isLink() ? m_link : m_text);
    setPalette(pal);
}

void CStaticEx::mouseReleaseEvent(QMouseEvent* event) {
    if (isLink() && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}
