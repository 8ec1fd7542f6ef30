#include "QsoWindowKeys.h"

#include "QsoMessages.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace tamrel {

QsoWindowKeys::QsoWindowKeys(QWidget& window, Request request, std::function<void()> logIt)
    : QObject(&window), window_(window), request_(std::move(request)), logIt_(std::move(logIt)) {
    qApp->installEventFilter(this);
}

QsoWindowKeys::~QsoWindowKeys() {
    qApp->removeEventFilter(this);
}

bool QsoWindowKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // Only this window's own controls: a dialog it opens keeps its keys.
    if (!widget || widget->window() != &window_)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const bool press = event->type() == QEvent::KeyPress;
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F11 && !(mods & Qt::AltModifier)) {
        if (press && !key->isAutoRepeat())
            request_(msg::REQ_FUNCTION_KEY, key->key() - Qt::Key_F1);
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        if (press)
            request_(msg::REQ_FUNCTION_KEY, kEscapeKeyIndex);
        return true;
    }
    if (mods == Qt::AltModifier && key->key() == Qt::Key_X) {
        if (press)
            request_(msg::REQ_EXIT, 0);
        return true;
    }
    if (mods == Qt::AltModifier && key->key() == Qt::Key_L && logIt_) {
        if (press)
            logIt_();
        return true;
    }
    return false;
}

} // namespace tamrel
