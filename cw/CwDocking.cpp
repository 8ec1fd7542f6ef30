#include "cw/CwDocking.h"

#include "controls/PanelCommands.h"
#include "controls/ToolPlacement.h"

#include <QWidget>

#include <algorithm>

namespace tamrel {

namespace {

constexpr int kStepPixels = 5;

int distanceOf(const QRect& target, DockSide side) {
    return side == DockSide::Below ? target.height() : target.width();
}

} // namespace

QRect DockRect(const QRect& panel, int width, DockSide side, bool fullHeight) {
    switch (side) {
    case DockSide::Below:
        return QRect(panel.left(), panel.bottom() + 1, width, panel.height() / 2);
    case DockSide::Right:
        return fullHeight ? QRect(panel.right() + 1, panel.top(), width, panel.height())
                          : QRect(panel.right() + 1, panel.top() + 4, width, panel.height() - 8);
    case DockSide::Left:
        return fullHeight ? QRect(panel.left() - width, panel.top(), width, panel.height())
                          : QRect(panel.left() - width, panel.top() + 4, width, panel.height() - 8);
    }
    return {};
}

int SlideStepCount(const QRect& target, DockSide side) {
    return std::max(1, (distanceOf(target, side) + kStepPixels - 1) / kStepPixels);
}

QRect SlideStep(const QRect& target, DockSide side, int step) {
    // How far the window is still hidden behind the panel.
    const int hidden = std::max(0, distanceOf(target, side) - kStepPixels * std::max(0, step));
    QRect r = target;
    if (side == DockSide::Below)
        r.moveTop(target.top() - hidden);
    else if (side == DockSide::Right)
        r.moveLeft(target.left() - hidden);
    else
        r.moveLeft(target.left() + hidden);
    return r;
}

void PlaceFrame(QWidget& window, const QRect& frame) {
    const QSize border = FrameSizeOf(window) - window.size();
    window.resize(frame.size() - border);
    window.move(frame.topLeft()); // a window's position is its frame's
}

DockSlide::DockSlide(QWidget& window, const PanelCommands& panel,
                     std::initializer_list<DockSide> sides, bool fullHeight,
                     std::function<void()> slidIn)
    : window_(window), panel_(panel), sides_(sides), side_(*sides.begin()), fullHeight_(fullHeight),
      slidIn_(std::move(slidIn)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kStepInterval);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Tick(); });
}

void DockSlide::Out() {
    out_ = true;
    if (!window_.isVisible()) {
        width_ = window_.sizeHint().width() + FrameSizeOf(window_).width() - window_.width();
        step_ = 0;
        ChooseSide();
        // The first step before the window is mapped: a size set while the
        // window manager maps it may be lost, leaving it its natural height.
        Tick();
        window_.show();
    }
    if (step_ == 0)
        Tick();
    if (step_ < SlideStepCount(Target(), side_))
        timer_.start();
}

void DockSlide::In() {
    out_ = false;
    if (!window_.isVisible()) {
        timer_.stop();
        step_ = 0;
        slidIn_();
        return;
    }
    timer_.start();
}

void DockSlide::Follow() {
    if (!window_.isVisible())
        return;
    if (!Running() && out_) {
        width_ = window_.frameGeometry().width(); // the operator may have widened it
        ChooseSide();
    }
    Place();
}

void DockSlide::ChooseSide() {
    const QRect panel = panel_.PanelFrame();
    const QRect screen = ScreenRoomOf(panel);
    const std::vector<QRect> taken = OtherWindowFrames(&window_);
    heightLimit_ = 0;
    for (DockSide side : sides_) {
        if (FreeSpot(DockRect(panel, width_, side, fullHeight_), panel, screen, taken)) {
            side_ = side;
            return;
        }
    }
    // Below, shorter, where the room under the panel still holds the window.
    const int minimum =
        window_.minimumSizeHint().height() + FrameSizeOf(window_).height() - window_.height();
    const int room = screen.bottom() - panel.bottom();
    for (DockSide side : sides_) {
        if (side != DockSide::Below || room < minimum)
            continue;
        QRect r = DockRect(panel, width_, side, fullHeight_);
        r.setHeight(std::min(r.height(), room));
        if (FreeSpot(r, panel, screen, taken)) {
            side_ = side;
            heightLimit_ = r.height();
            return;
        }
    }
    side_ = sides_.front();
}

QRect DockSlide::Target() const {
    const QRect panel = panel_.PanelFrame();
    QRect r = DockRect(panel, width_, side_, fullHeight_);
    if (heightLimit_ > 0 && r.height() > heightLimit_)
        r.setHeight(heightLimit_);
    return MovedOnScreen(r, ScreenRoomOf(panel));
}

void DockSlide::Place() {
    PlaceFrame(window_, SlideStep(Target(), side_, step_));
}

void DockSlide::Tick() {
    const int count = SlideStepCount(Target(), side_);
    if (out_) {
        step_ = std::min(step_ + 1, count);
        Place();
        if (step_ == count)
            timer_.stop();
        return;
    }
    step_ = std::min(step_, count) - 1;
    if (step_ > 0) {
        Place();
        return;
    }
    step_ = 0;
    timer_.stop();
    window_.hide();
    slidIn_();
}

} // namespace tamrel
