#pragma once
// Where the keyboard CW window and the memory key panel sit against the front
// panel, and the steps of their slide out from behind it.

#include <QRect>

class QWidget;

#include <vector>

namespace tamrel {

enum class DockSide { Left = 0, Right = 1, Below = 3 };

// The window's frame rectangle for the front panel's frame `panel`, keeping
// the window's own width. `fullHeight`: the memory panel at a side takes the
// front panel's height; the keyboard window at a side is inset by 4 pixels.
QRect DockRect(const QRect& panel, int width, DockSide side, bool fullHeight);
// The rectangles of the slide from behind the panel out to `target`, 5
// pixels a step (the last one is the target).
std::vector<QRect> SlideSteps(const QRect& target, DockSide side);
// Puts the window's frame (title bar included) on the rectangle.
void PlaceFrame(QWidget& window, const QRect& frame);

} // namespace tamrel
