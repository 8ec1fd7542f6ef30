#include "controls/CEditEx.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

CEditEx::CEditEx(QWidget* parent) : QLineEdit(parent) {}

void CEditEx::setFontDescription(const tamrel::FontDescription& desc) {
    if (tamrel::isValidFontDescription(desc))
        setFont(tamrel::fontFromDescription(desc, font()));
}

QColor CEditEx::backgroundColour() const {
    return palette().color(QPalette::Base);
}
QColor CEditEx::textColour() const {
    return palette().color(QPalette::Text);
}

QColor CEditEx::setBackgroundColour(const QColor& colour) {
    const QColor old = backgroundColour();
    if (colour != old) {
        QPalette pal = palette();
        pal.setColor(QPalette::Base, colour);
        setPalette(pal); // repaints
    }
    return old;
}

QColor CEditEx::setTextColour(const QColor& colour) {
    const QColor old = textColour();
    if (colour != old) {
        QPalette pal = palette();
        pal.setColor(QPalette::Text, colour);
        setPalette(pal);
    }
    return old;
}

void CEditEx::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool typed = !text.isEmpty() && text.at(0).isPrint();
    if (typed && filter_) {
        for (const QChar ch : text) {
            if (!filter_(ch)) {
                ++refused_;
                QApplication::beep();
                event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void CEditEx::contextMenuEvent(QContextMenuEvent* event) {
    if (menu_) {
        menu_->exec(event->globalPos());
        event->accept();
        return;
    }
    QLineEdit::contextMenuEvent(event);
}
