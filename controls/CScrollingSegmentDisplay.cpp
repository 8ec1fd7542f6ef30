#include "controls/CScrollingSegmentDisplay.h"

#include "controls/AccessibleControls.h"

#include <algorithm>

CScrollingSegmentDisplay::CScrollingSegmentDisplay(const QString& caption, QWidget* parent)
    : CSegmentDisplay(caption, parent) {
    timer_.setInterval(kDefaultIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &CScrollingSegmentDisplay::scrollStep);
    setText(scroll_.shown());
}

void CScrollingSegmentDisplay::setMessage(const QString& message) {
    scroll_.setMessage(message);
    setText(scroll_.shown());
}

void CScrollingSegmentDisplay::setVisibleWidth(int chars) {
    scroll_.setWidth(chars);
    setText(scroll_.shown());
}

void CScrollingSegmentDisplay::setScrollInterval(int ms) {
    timer_.setInterval(std::max(ms, kMinIntervalMs));
    if (scrolling_)
        timer_.start(); // restart with the new interval
}

void CScrollingSegmentDisplay::setScrolling(bool on) {
    scrolling_ = on;
    if (on && !timer_.isActive())
        timer_.start();
    else if (!on)
        timer_.stop();
}

void CScrollingSegmentDisplay::scrollStep() {
    if (!scrolling_)
        return;
    scroll_.step();
    setText(scroll_.shown());
}
