#include "controls/CColorButton.h"

#include "controls/AccessibleControls.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace {

// Draws a one-pixel frame: `topLeft` on the top and left edges, `bottomRight` on the others.
void frame(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

} // namespace

CColorButton::CColorButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent), caption_(palette().color(QPalette::ButtonText)),
      face_(palette().color(QPalette::Button)), pressedFace_(face_) {
    tamrel::InstallAccessibleControls();
}

void CColorButton::setColours(const QColor& caption, const QColor& face) {
    const QColor pressed = palette().color(QPalette::Button);
    if (caption == caption_ && face == face_ && pressed == pressedFace_)
        return;
    caption_ = caption;
    face_ = face;
    pressedFace_ = pressed;
    update();
}

void CColorButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const QColor light = pal.color(QPalette::Midlight);
    const QColor highlight = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor darkShadow = pal.color(QPalette::Shadow);
    const bool pressed = isDown();

    QRect r = rect();
    p.fillRect(r, pressed ? pressedFace_ : face_);

    if (pressed) {
        frame(p, r.adjusted(0, 0, -1, -1), darkShadow, darkShadow);
        r.adjust(1, 1, -1, -1);
        frame(p, r.adjusted(0, 0, -1, -1), shadow, shadow);
        r.adjust(1, 1, -1, -1);
    } else {
        if (hasFocus() || isDefault()) {
            frame(p, r.adjusted(0, 0, -1, -1), darkShadow, darkShadow);
            r.adjust(1, 1, -1, -1);
        }
        frame(p, r.adjusted(0, 0, -1, -1), highlight, darkShadow);
        r.adjust(1, 1, -1, -1);
        frame(p, r.adjusted(0, 0, -1, -1), light, shadow);
        r.adjust(1, 1, -1, -1);
    }

    const QRect textRect = pressed ? r.translated(1, 1) : r;
    p.setFont(font());
    if (!isEnabled()) {
        p.setPen(QColor::fromRgba(kDisabledRelief));
        p.drawText(textRect.translated(1, 1), Qt::AlignCenter, text());
        p.setPen(QColor::fromRgba(kDisabledText));
    } else {
        p.setPen(caption_);
    }
    p.drawText(textRect, Qt::AlignCenter, text());

    if (hasFocus()) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = r.adjusted(1, 1, -1, -1);
        opt.backgroundColor = face_;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}
