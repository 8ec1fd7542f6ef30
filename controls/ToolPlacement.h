#pragma once
// Where a tool window opens against the front panel: wholly on the panel's
// screen, beside the panel where there is room, covering neither the panel
// (its frequency displays) nor the tool windows already open.
//
// PlaceBeside is the rule, on plain rectangles; ScreenRoomOf and
// OtherWindowFrames read the screen and the open windows for it.

#include <QRect>

#include <initializer_list>
#include <vector>

class QWidget;

namespace tamrel {

enum class Beside { Right, Below, Left, Above };

// The frame rectangle for a window of frame size `size`, tried against the
// panel's frame on each side in `order` (then the sides left out): flush with
// the panel's edge, or slid along it past the windows in `taken`. The first
// spot wholly inside `screen` that covers neither the panel nor a taken
// window wins. Where there is none, the spot on the screen that covers the
// least of them.
// A window that may be smaller (`minimum` not empty) takes, before any spot
// that covers something, a free spot beside the panel at the size the room
// there allows.
QRect PlaceBeside(const QRect& panel, const QSize& size, const QRect& screen,
                  const std::vector<QRect>& taken, std::initializer_list<Beside> order,
                  const QSize& minimum = {});

// True when `frame` lies wholly in `screen` and covers neither the panel nor
// a taken window.
bool FreeSpot(const QRect& frame, const QRect& panel, const QRect& screen,
              const std::vector<QRect>& taken);

// Moved as little as needed to lie on `screen` (its top-left corner kept on
// it when the window is larger than the screen).
QRect MovedOnScreen(QRect frame, const QRect& screen);

// The available area of the screen the panel's frame is on (the primary
// screen when it is on none).
QRect ScreenRoomOf(const QRect& panel);

// The frames of the program's visible windows other than `except` and
// `panel` (menus and tooltips aside).
std::vector<QRect> OtherWindowFrames(const QWidget* except, const QWidget* panel = nullptr);

// Makes a tool window owned by the panel a window of its own for the window
// manager: a normal window, not transient for the panel, so that it is
// minimised alone and minimising it leaves the panel be. Call in its
// constructor, after its flags are set; the flags get the title bar's
// minimise and close buttons.
void StandAlone(QWidget& window);

} // namespace tamrel
