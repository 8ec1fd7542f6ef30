#pragma once

#include "controls/CSegmentDisplay.h"
#include "controls/ScrollText.h"

#include <QTimer>

// A segment display that scrolls a message through a window of a fixed number of characters,
// like the front panel's status line. Its timer runs only while scrolling is on.
class CScrollingSegmentDisplay : public CSegmentDisplay {
    Q_OBJECT
public:
    static constexpr int kDefaultIntervalMs = 200;
    static constexpr int kMinIntervalMs = 50;

    explicit CScrollingSegmentDisplay(const QString& caption = {}, QWidget* parent = nullptr);

    void setMessage(const QString& message);
    QString message() const { return scroll_.message(); }
    void setVisibleWidth(int chars); // negative ignored
    int visibleWidth() const { return scroll_.width(); }
    void setScrollInterval(int ms); // at least kMinIntervalMs; restarts the timer
    int scrollInterval() const { return timer_.interval(); }
    void setScrolling(bool on);
    bool isScrolling() const { return scrolling_; }
    bool isTimerActive() const { return timer_.isActive(); }

    // One scroll tick: what the timer calls.
    void scrollStep();

private:
    tamrel::ScrollText scroll_;
    QTimer timer_;
    bool scrolling_ = false;
};
