#include "controls/ScrollText.h"

namespace tamrel {

void ScrollText::setMessage(const QString& message) {
    message_ = message;
    if (!message_.endsWith(QLatin1Char(' ')))
        message_ += QLatin1Char(' ');
    restart();
}

void ScrollText::setWidth(int width) {
    if (width < 0)
        return;
    width_ = width;
    restart();
}

void ScrollText::restart() {
    line_ = message_;
    if (line_.size() < width_)
        line_ = line_.leftJustified(width_, QLatin1Char(' '));
    steps_ = 0;
}

void ScrollText::step() {
    // A message that fits stands whole, to be read at a glance; only a longer
    // one scrolls through the window.
    if (message_.size() > width_ && line_.size() > 1)
        line_ = line_.mid(1) + line_.at(0);
    ++steps_;
}

} // namespace tamrel
