#include "panel/FocusRing.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace tamrel {

namespace {
constexpr int kMargin = 3;
}

FocusRing::FocusRing(QWidget& window) : QWidget(&window), window_(window) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { Follow(now); });
}

void FocusRing::Follow(QWidget* now) {
    if (target_)
        target_->removeEventFilter(this);
    target_ = nullptr;
    if (!now || now == &window_ || now->window() != &window_) {
        hide();
        return;
    }
    target_ = now;
    target_->installEventFilter(this);
    Place();
}

void FocusRing::Place() {
    if (!target_ || !target_->isVisible()) {
        hide();
        return;
    }
    const QPoint at = target_->mapTo(&window_, QPoint(0, 0));
    setGeometry(QRect(at, target_->size()).adjusted(-kMargin, -kMargin, kMargin, kMargin));
    raise();
    show();
    update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                               event->type() == QEvent::Show || event->type() == QEvent::Hide))
        Place();
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QPen(QColor(255, 140, 0), 2, Qt::DashLine));
    p.drawRect(rect().adjusted(1, 1, -1, -1));
}

} // namespace tamrel
