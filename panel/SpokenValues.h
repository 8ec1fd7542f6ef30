#pragma once
// SpokenValues: tells screen readers when a value the panel shows changes -
// a frequency, the mode, the S-meter - through Qt's accessibility events.
// Each control speaks at most once per interval, so that a wheel turning the
// VFO does not flood the reader; its last value is always spoken, when the
// interval since the one before has passed. Time is the panel's Clock.

#include "platform/Clock.h"
#include "platform/ClockTimer.h"

#include <QAccessible>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <functional>
#include <vector>

namespace tamrel {

inline constexpr std::chrono::milliseconds kSpokenValueInterval{500};

class SpokenValues {
public:
    explicit SpokenValues(Clock& clock, std::chrono::milliseconds interval = kSpokenValueInterval);

    // Follows `control`: its value is what `value` returns, or, without one,
    // the value its accessible interface reads.
    void Follow(QWidget* control, std::function<QString()> value = {});
    // Looks at every followed value; speaks those that changed.
    void Check();
    // Says `text` now, as a change of `window`'s description (a key asked
    // for it); the window carries the kReadOut property.
    // It also shows as a notification for a few seconds, which a reader
    // speaks as it appears.
    static void Say(QWidget& window, const QString& text);
    static constexpr std::chrono::milliseconds kNotificationTime{4000};

    // Where the events go: Qt's accessibility, which sends nothing while no
    // reader listens; tests that have no reader listen here.
    static inline void (*deliver)(QAccessibleEvent* event) = &QAccessible::updateAccessibility;

private:
    struct Followed {
        QPointer<QWidget> control;
        std::function<QString()> value;
        QString spoken;
        QString waiting;
        bool hasWaiting = false;
        Clock::TimePoint last{};
        bool everSpoken = false;
    };
    void Speak(Followed& f, const QString& value);
    static void ShowNotification(QWidget& window, const QString& text);
    void Tick();

    Clock& clock_;
    const std::chrono::milliseconds interval_;
    std::vector<Followed> followed_;
    ClockTimer timer_;
};

} // namespace tamrel
