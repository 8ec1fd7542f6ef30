#pragma once

#include <QString>

namespace tamrel {

// The text of a scrolling line: a message longer than the window of `width` characters rotates
// one character per step through it. A message that fits is padded with blanks to the full
// width and stands still, whole.
class ScrollText {
public:
    static constexpr int kDefaultWidth = 12;

    // Stores the message with a trailing blank (added when missing) and restarts at its start.
    void setMessage(const QString& message);
    QString message() const { return message_; }

    // Negative widths are ignored. Restarts the message.
    void setWidth(int width);
    int width() const { return width_; }

    // Moves the line left by one character; the first comes back at the end.
    void step();
    int steps() const { return steps_; }

    // The first `width` characters of the rotating line.
    QString shown() const { return line_.left(width_); }

private:
    void restart();

    QString message_;
    QString line_; // the rotating copy
    int width_ = kDefaultWidth;
    int steps_ = 0;
};

} // namespace tamrel
