#pragma once
// FocusRing: a frame drawn around whichever control of a window has the
// keyboard focus. The panel's own painted buttons and the style's sliders show
// focus faintly or not at all; keyboard users need to see where Up/Down and
// Space will go.

#include <QPointer>
#include <QWidget>

namespace tamrel {

class FocusRing final : public QWidget {
public:
    // Follows the focus among the descendants of window (which owns the ring).
    explicit FocusRing(QWidget& window);

    // The control the ring is around, or null when it is hidden.
    QWidget* Target() const { return target_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow(QWidget* now);
    void Place();

    QWidget& window_;
    QPointer<QWidget> target_;
};

} // namespace tamrel
