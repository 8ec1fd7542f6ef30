#include "controls/CStaticEx.h"

#include "controls/AccessibleControls.h"

#include <QMouseEvent>

CStaticEx::CStaticEx(const QString& text, QWidget* parent)
    : QLabel(text, parent), background_(palette().color(QPalette::Button)),
      // It fills its own background: the window's text colour, made for a
      // window background the operator may have chosen dark, need not read on it.
      text_(tamrel::ReadableTextOn(background_)) {
    tamrel::InstallAccessibleControls();
    setAutoFillBackground(true);
    applyColours();
}

void CStaticEx::setFontDescription(const tamrel::FontDescription& desc) {
    if (tamrel::isValidFontDescription(desc))
        setFont(tamrel::fontFromDescription(desc, font()));
}

QColor CStaticEx::setBackgroundColour(const QColor& colour) {
    const QColor old = background_;
    if (colour != old) {
        background_ = colour;
        applyColours();
    }
    return old;
}

QColor CStaticEx::setTextColour(const QColor& colour) {
    const QColor old = text_;
    if (colour != old) {
        text_ = colour;
        applyColours();
    }
    return old;
}

void CStaticEx::setLinkColour(const QColor& colour) {
    link_ = colour;
    applyColours();
}

void CStaticEx::setLinkText(const QString& text) {
    linkText_ = text;
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
    pal.setColor(QPalette::Window, background_);
    pal.setColor(QPalette::WindowText, isLink() ? link_ : text_);
    setPalette(pal);
}

void CStaticEx::mouseReleaseEvent(QMouseEvent* event) {
    if (isLink() && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}
