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

constexpr char kKeepClear[] = "tamrelKeepClear";

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
                  const std::vector<QRect>& others, std::initializer_list<Beside> order,
                  const QSize& minimum) {
    // The panel may be among the windows found open; it has its own rules.
    std::vector<QRect> taken = others;
    std::erase(taken, panel);
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
    // No room beside the panel: every spot tried, slid onto the screen, and
    // the screen's corners; for a window that may be smaller, at sizes down
    // to its least too.
    const auto candidatesAt = [&](const QSize& at) {
        std::vector<QRect> spots;
        for (Beside side : sides)
            for (const QRect& spot : spotsOn(side, panel, at, screen, taken))
                spots.push_back(MovedOnScreen(spot, screen));
        for (QPoint corner :
             {screen.topLeft(), screen.topRight(), screen.bottomLeft(), screen.bottomRight()})
            spots.push_back(MovedOnScreen(QRect(corner, at), screen));
        return spots;
    };
    const auto coversTaken = [&](const QRect& r) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const QRect& t) { return r.intersects(t); });
    };
    std::vector<QSize> sizes{size};
    if (!minimum.isEmpty()) {
        const QSize least = minimum.boundedTo(size);
        for (int i = 1; i <= 4; ++i)
            sizes.push_back(size - (size - least) * i / 4);
    }
    for (const QSize& at : sizes) {
        QRect best;
        int64_t leastCovered = std::numeric_limits<int64_t>::max();
        for (const QRect& r : candidatesAt(at)) {
            if (coversTaken(r) || !screen.contains(r))
                continue;
            if (const int64_t covered = overlap(r, panel); covered < leastCovered) {
                leastCovered = covered;
                best = r;
            }
        }
        if (!best.isNull())
            return best;
    }
    QRect best;
    int64_t leastCovered = std::numeric_limits<int64_t>::max();
    for (const QRect& r : candidatesAt(size)) {
        int64_t covered = 2 * overlap(r, panel);
        for (const QRect& t : taken)
            covered += overlap(r, t);
        if (covered < leastCovered) {
            leastCovered = covered;
            best = r;
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

void KeepClear(QWidget& part) {
    part.setProperty(kKeepClear, true);
}

QSize FrameSizeOf(const QWidget& window) {
    const auto margins = [](const QWidget& w) {
        const QRect outer = w.frameGeometry();
        const QRect inner = w.geometry();
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                        outer.right() - inner.right(), outer.bottom() - inner.bottom());
    };
    // A window being mapped may report a frame smaller than itself.
    const auto known = [](const QMargins& m) {
        return !m.isNull() && m.left() >= 0 && m.top() >= 0 && m.right() >= 0 && m.bottom() >= 0;
    };
    QMargins frame = margins(window);
    if (!known(frame)) {
        frame = {};
        for (const QWidget* w : QApplication::topLevelWidgets()) {
            if (w != &window && w->isVisible() && known(margins(*w))) {
                frame = margins(*w);
                break;
            }
        }
    }
    return window.size().grownBy(frame);
}

std::vector<QRect> OtherWindowFrames(const QWidget* except, const QWidget* panel) {
    std::vector<QRect> frames;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == except || !w->isVisible() || w->windowType() == Qt::Popup ||
            w->windowType() == Qt::ToolTip || w->windowType() == Qt::SplashScreen)
            continue;
        if (w != panel)
            frames.push_back(w->frameGeometry());
        for (const QWidget* part : w->findChildren<QWidget*>())
            if (part->property(kKeepClear).toBool() && part->isVisible())
                frames.emplace_back(part->mapToGlobal(QPoint(0, 0)), part->size());
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
