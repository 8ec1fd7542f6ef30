#include "controls/ScrollText.h"

namespace tamrel {

void ScrollText::setMessage(const QString& message) {
    m_message = message;
    if (!m_message.endsWith(QLatin1Char(' ')))
        m_message += QLatin1Char(' ');
    restart();
}

void ScrollText::setWidth(int width) {
    if (width < 0)
        return;
    m_width = width;
    restart();
}

void ScrollText::restart() {
    m_line = m_message;
    if (m_line.size() < m_width)
        m_line = m_line.leftJustified(m_width, QLatin1Char(' '));
    m_steps = 0;
}

void ScrollText::step() {
    // A message that fits stands whole, to be read at a glance; only a longer
    // one scrolls through the window.
    if (m_message.size() > m_width && m_line.size() > 1)
        m_line = m_line.mid(1) + m_line.at(0);
    ++m_steps;
}

} // namespace tamrel
