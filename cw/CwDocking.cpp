#include "cw/CwDocking.h"

#include <QWidget>

namespace tamrel {

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

std::vector<QRect> SlideSteps(const QRect& target, DockSide side) {
    constexpr int kStep = 5;
    std::vector<QRect> steps;
    // How far the window is still hidden behind the panel at the start.
    const int distance = side == DockSide::Below ? target.height() : target.width();
    for (int hidden = distance - kStep; hidden > 0; hidden -= kStep) {
        QRect r = target;
        if (side == DockSide::Below)
            r.moveTop(target.top() - hidden);
        else if (side == DockSide::Right)
            r.moveLeft(target.left() - hidden);
        else
            r.moveLeft(target.left() + hidden);
        steps.push_back(r);
    }
    steps.push_back(target);
    return steps;
}

} // namespace tamrel

namespace tamrel {

void PlaceFrame(QWidget& window, const QRect& frame) {
    const QSize border = window.frameGeometry().size() - window.size();
    window.resize(frame.size() - border);
    window.move(frame.topLeft()); // a window's position is its frame's
}

} // namespace tamrel
