#include "controls/ToolPlacement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tamrel {

namespace {

int64_t overlap(const QRect& a, const QRect& b) {
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : int64_t{common.width()} * common.height();
}

// The spots on one side: flush with the panel's near corner, then just past
// each taken window along that side, and the same slid back onto the screen.
std::vector<QRect> spotsOn(Beside side, const QRect& panel, const QSize& size, const QRect& screen,
                           const std::vector<QRect>& taken) {
    std::vector<int> along;
    const bool vertical = side == Beside::Right || side == Beside::Left;
    along.push_back(vertical ? panel.top() : panel.left());
    for (const QRect& t : taken)
        along.push_back(vertical ? t.bottom() + 1 : t.right() + 1);
    std::sort(along.begin() + 1, along.end());
    std::vector<QRect> spots;
    for (int a : along) {
        QPoint at;
        switch (side) {
        case Beside::Right:
            at = {panel.right() + 1, a};
            break;
        case Beside::Left:
            at = {panel.left() - size.width(), a};
            break;
        case Beside::Below:
            at = {a, panel.bottom() + 1};
            break;
        case Beside::Above:
            at = {a, panel.top() - size.height()};
            break;
        }
        QRect r(at, size);
        spots.push_back(r);
        // Slid along the panel's side only, so that it stays beside it.
        if (vertical)
            r.moveTop(std::max(screen.top(), std::min(r.top(), screen.bottom() + 1 - r.height())));
        else
            r.moveLeft(std::max(screen.left(), std::min(r.left(), screen.right() + 1 - r.width())));
        spots.push_back(r);
    }
    return spots;
}

} // namespace

QRect MovedOnScreen(QRect r, const QRect& screen) {
    r.moveLeft(std::max(screen.left(), std::min(r.left(), screen.right() + 1 - r.width())));
    r.moveTop(std::max(screen.top(), std::min(r.top(), screen.bottom() + 1 - r.height())));
    return r;
}

bool FreeSpot(const QRect& frame, const QRect& panel, const QRect& screen,
              const std::vector<QRect>& taken) {
    if (!screen.contains(frame) || frame.intersects(panel))
        return false;
    return std::none_of(taken.begin(), taken.end(),
                        [&](const QRect& t) { return frame.intersects(t); });
}

QRect PlaceBeside(const QRect& panel, const QSize& size, const QRect& screen,
                  const std::vector<QRect>& taken, std::initializer_list<Beside> order,
                  const QSize& minimum) {
    std::vector<Beside> sides(order);
    for (Beside s : {Beside::Right, Beside::Below, Beside::Left, Beside::Above})
        if (std::find(sides.begin(), sides.end(), s) == sides.end())
            sides.push_back(s);
    for (Beside side : sides)
        for (const QRect& spot : spotsOn(side, panel, size, screen, taken))
            if (FreeSpot(spot, panel, screen, taken))
                return spot;
    if (!minimum.isEmpty()) {
        for (Beside side : sides) {
            // The room between the panel and the screen's edge on that side.
            QSize room = size.boundedTo(screen.size());
            if (side == Beside::Right)
                room.setWidth(std::min(room.width(), screen.right() - panel.right()));
            else if (side == Beside::Left)
                room.setWidth(std::min(room.width(), panel.left() - screen.left()));
            else if (side == Beside::Below)
                room.setHeight(std::min(room.height(), screen.bottom() - panel.bottom()));
            else
                room.setHeight(std::min(room.height(), panel.top() - screen.top()));
            if (room.width() < minimum.width() || room.height() < minimum.height())
                continue;
            for (const QRect& spot : spotsOn(side, panel, room, screen, taken))
                if (FreeSpot(spot, panel, screen, taken))
                    return spot;
        }
    }
    QRect best;
    int64_t leastCovered = std::numeric_limits<int64_t>::max();
    for (Beside side : sides) {
        for (const QRect& spot : spotsOn(side, panel, size, screen, taken)) {
            // No room: the least covered spot on the screen, the panel counting double.
            const QRect r = MovedOnScreen(spot, screen);
            int64_t covered = 2 * overlap(r, panel);
            for (const QRect& t : taken)
                covered += overlap(r, t);
            if (covered < leastCovered) {
                leastCovered = covered;
                best = r;
            }
        }
    }
    return best;
}

QRect ScreenRoomOf(const QRect& panel) {
    QScreen* screen = QGuiApplication::screenAt(panel.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

std::vector<QRect> OtherWindowFrames(const QWidget* except, const QWidget* panel) {
    std::vector<QRect> frames;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == except || w == panel || !w->isVisible() || w->windowType() == Qt::Popup ||
            w->windowType() == Qt::ToolTip || w->windowType() == Qt::SplashScreen)
            continue;
        frames.push_back(w->frameGeometry());
    }
    return frames;
}

namespace {
// Qt makes a window with a parent transient for the parent's window when it
// is created; before the window is mapped, that is undone.
class NotTransient final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (QWindow* w = static_cast<QWidget*>(watched)->windowHandle())
                w->setTransientParent(nullptr);
        return false;
    }
};
} // namespace

void StandAlone(QWidget& window) {
    Qt::WindowFlags flags = window.windowFlags() & ~Qt::WindowType_Mask;
    window.setWindowFlags(flags | Qt::Window | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint);
    window.installEventFilter(new NotTransient(&window));
}

} // namespace tamrel
