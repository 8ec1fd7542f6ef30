#pragma once
// Where the keyboard CW window and the memory key panel sit against the front
// panel, and their slide out from behind it.

#include <QRect>
#include <QTimer>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <vector>

class QWidget;

namespace tamrel {

class PanelCommands;

enum class DockSide { Left = 0, Right = 1, Below = 3 };

// The window's frame rectangle for the front panel's frame `panel`, keeping
// the window's own width. `fullHeight`: the memory panel at a side takes the
// front panel's height; the keyboard window at a side is inset by 4 pixels.
QRect DockRect(const QRect& panel, int width, DockSide side, bool fullHeight);
// The slide from behind the panel out to `target` goes 5 pixels a step:
// how many steps, and where the window is after `step` of them (0: wholly
// behind the panel; the count: at the target).
int SlideStepCount(const QRect& target, DockSide side);
QRect SlideStep(const QRect& target, DockSide side, int step);
// Puts the window's frame (title bar included) on the rectangle.
void PlaceFrame(QWidget& window, const QRect& frame);

// Slides a window out from behind the front panel, or back in, one step per
// timer tick: the GUI thread goes back to its loop between steps. Each step
// is placed against the panel's frame as it is then, so a panel moved during
// the slide takes the window along. Owned by the window it moves; its timer
// ends with it.
class DockSlide {
public:
    static constexpr std::chrono::milliseconds kStepInterval{3};

    // `slidIn` runs once the window is back behind the panel and hidden. The
    // window docks on the first of `sides` where it lies wholly on the
    // panel's screen and covers no other window; with no such side, on the
    // first, moved onto the screen.
    DockSlide(QWidget& window, const PanelCommands& panel, std::initializer_list<DockSide> sides,
              bool fullHeight, std::function<void()> slidIn);
    DockSlide(const DockSlide&) = delete;
    DockSlide& operator=(const DockSlide&) = delete;

    // Shows the window and slides it out, from wherever it is on its way.
    void Out();
    // Slides it back in; a hidden window counts as in at once.
    void In();
    bool Running() const { return timer_.isActive(); }
    bool GoingIn() const { return !out_; }
    // The panel moved: the window goes to its step against the panel now.
    void Follow();

private:
    void Tick();
    void ChooseSide();
    QRect Target() const;
    void Place();

    QWidget& window_;
    const PanelCommands& panel_;
    const std::vector<DockSide> sides_;
    DockSide side_;
    int heightLimit_ = 0; // a shorter window below the panel, where it is short of room
    const bool fullHeight_;
    std::function<void()> slidIn_;
    QTimer timer_;
    int width_ = 0; // the frame's, taken when the slide out starts
    int step_ = 0;
    bool out_ = false;
};

} // namespace tamrel
