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
// rectangle wins.
// A window that may be smaller (`minimum` not empty) takes, before any spot
// that covers something, a free spot beside the panel at the size the room
// there allows.
// Where nothing beside the panel is free (a small screen), the spot on the
// screen over no taken rectangle that covers least of the panel: `taken`
// holds the panel's displays as well (see KeepClear), so those stay in sight.
// Failing that too, the spot that covers least, the panel counting double.
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

// Marks a part of a window that tool windows must leave uncovered (the
// panel's frequency displays, meter and status line), even where they have
// to cover the rest of it.
void KeepClear(QWidget& part);

// The size of `window` with its title bar and borders. Before the window
// manager has framed it (a window not shown yet), the frame of another of
// the program's framed windows stands in for its own.
QSize FrameSizeOf(const QWidget& window);

// The available area of the screen the panel's frame is on (the primary
// screen when it is on none).
QRect ScreenRoomOf(const QRect& panel);

// The frames of the program's visible windows other than `except` and
// `panel` (menus and tooltips aside), and the parts of any of them, the
// panel's included, marked by KeepClear.
std::vector<QRect> OtherWindowFrames(const QWidget* except, const QWidget* panel = nullptr);

// Makes a tool window owned by the panel a window of its own for the window
// manager: a normal window, not transient for the panel, so that it is
// minimised alone and minimising it leaves the panel be. Call in its
// constructor, after its flags are set; the flags get the title bar's
// minimise and close buttons.
void StandAlone(QWidget& window);

} // namespace tamrel
