#include "SpokenValues.h"

#include "controls/AccessibleControls.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace tamrel {

namespace {

QString accessibleValue(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Value) : QString();
}

} // namespace

SpokenValues::SpokenValues(Clock& clock, std::chrono::milliseconds interval)
    : clock_(clock), interval_(interval), timer_(clock, [this] { Tick(); }) {}

void SpokenValues::Follow(QWidget* control, std::function<QString()> value) {
    Followed f;
    f.control = control;
    f.value = std::move(value);
    f.spoken = f.value ? f.value() : accessibleValue(control);
    followed_.push_back(std::move(f));
}

void SpokenValues::Check() {
    const Clock::TimePoint now = clock_.Now();
    for (Followed& f : followed_) {
        if (!f.control)
            continue;
        const QString value = f.value ? f.value() : accessibleValue(f.control);
        if (value == (f.hasWaiting ? f.waiting : f.spoken))
            continue;
        if (!f.everSpoken || now - f.last >= interval_) {
            f.hasWaiting = false;
            Speak(f, value);
        } else {
            f.waiting = value;
            f.hasWaiting = true;
            if (!timer_.isActive())
                timer_.start(std::chrono::duration_cast<std::chrono::milliseconds>(interval_ / 5));
        }
    }
}

void SpokenValues::Tick() {
    const Clock::TimePoint now = clock_.Now();
    bool waiting = false;
    for (Followed& f : followed_) {
        if (!f.hasWaiting || !f.control)
            continue;
        if (now - f.last >= interval_) {
            f.hasWaiting = false;
            if (f.waiting != f.spoken)
                Speak(f, f.waiting);
        } else {
            waiting = true;
        }
    }
    if (!waiting)
        timer_.stop();
}

void SpokenValues::Speak(Followed& f, const QString& value) {
    const QString before = f.spoken;
    f.spoken = value;
    f.last = clock_.Now();
    f.everSpoken = true;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(f.control);
    // Drawn read-outs also say it as changed text; an edit box does that itself.
    if (a && a->textInterface() && !a->editableTextInterface()) {
        QAccessibleTextUpdateEvent text(f.control, 0, before, value);
        deliver(&text);
    }
    QAccessibleValueChangeEvent event(f.control, value);
    deliver(&event);
}

// Orca 43 speaks a notification as it is shown, where Qt has no way to ask
// it to announce: a bubble over the status line, for sighted eyes as well,
// that goes after a few seconds.
void SpokenValues::ShowNotification(QWidget& window, const QString& text) {
    static QPointer<QLabel> bubble;
    if (!bubble || bubble->parentWidget() != &window) {
        delete bubble;
        InstallAccessibleControls();
        bubble = new QLabel(&window, Qt::ToolTip | Qt::WindowDoesNotAcceptFocus);
        bubble->setProperty(kNotification, true);
        bubble->setObjectName(QStringLiteral("readOutBubble"));
        bubble->setMargin(6);
        bubble->setFrameShape(QFrame::Box);
        bubble->setAutoFillBackground(true);
        auto* timer = new QTimer(bubble);
        timer->setObjectName(QStringLiteral("hideTimer"));
        timer->setSingleShot(true);
        timer->setInterval(kNotificationTime);
        QObject::connect(timer, &QTimer::timeout, bubble, &QWidget::hide);
    }
    bubble->hide(); // shown anew, so that it is spoken again
    bubble->setText(text);
    bubble->adjustSize();
    const QRect inside = window.rect();
    bubble->move(
        window.mapToGlobal(QPoint(inside.left() + 12, inside.bottom() - 3 * bubble->height())));
    bubble->show();
    // Qt tells a reader of a tool window's hiding but not of its showing.
    QAccessibleEvent shown(bubble.data(), QAccessible::ObjectShow);
    deliver(&shown);
    bubble->findChild<QTimer*>(QStringLiteral("hideTimer"))->start();
}

void SpokenValues::Say(QWidget& window, const QString& text) {
    window.setProperty(kReadOut, text);
    QAccessibleEvent event(&window, QAccessible::DescriptionChanged);
    deliver(&event);
    ShowNotification(window, text);
}

} // namespace tamrel
