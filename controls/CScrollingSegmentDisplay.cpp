#include "controls/CScrollingSegmentDisplay.h"

#include "controls/AccessibleControls.h"

#include <algorithm>

CScrollingSegmentDisplay::CScrollingSegmentDisplay(const QString& caption, QWidget* parent)
    : CSegmentDisplay(caption, parent) {
    m_timer.setInterval(kDefaultIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CScrollingSegmentDisplay::scrollStep);
    setText(m_scroll.shown());
}

void CScrollingSegmentDisplay::setMessage(const QString& message) {
    m_scroll.setMessage(message);
    setText(m_scroll.shown());
}

void CScrollingSegmentDisplay::setVisibleWidth(int chars) {
    m_scroll.setWidth(chars);
    setText(m_scroll.shown());
}

void CScrollingSegmentDisplay::setScrollInterval(int ms) {
    m_timer.setInterval(std::max(ms, kMinIntervalMs));
    if (m_scrolling)
        m_timer.start(); // restart with the new interval
}

void CScrollingSegmentDisplay::setScrolling(bool on) {
    m_scrolling = on;
    if (on && !m_timer.isActive())
        m_timer.start();
    else if (!on)
        m_timer.stop();
}

void CScrollingSegmentDisplay::scrollStep() {
    if (!m_scrolling)
        return;
    m_scroll.step();
    setText(m_scroll.shown());
}
