// Where tool windows open against the front panel, on plain rectangles.
#include "controls/ToolPlacement.h"

#include <gtest/gtest.h>

using namespace tamrel;

const QRect kScreen(0, 0, 1920, 1080);

TEST(ToolPlacement, BesideThePanelWhereThereIsRoomAndOverNoOtherWindow) {
    const QRect centred(640, 300, 640, 480);
    const QSize size(600, 400);
    // Below would leave the screen, and slid along its edge is no place either: the next side.
    EXPECT_EQ(PlaceBeside(centred, QSize(600, 500), kScreen, {}, {Beside::Below, Beside::Left}),
              QRect(40, 300, 600, 500));
    // No room at full size anywhere: a window that may be smaller gets the room there is.
    const QRect middle(502, 226, 917, 609);
    EXPECT_EQ(PlaceBeside(middle, QSize(902, 445), kScreen, {}, {Beside::Below}, QSize(400, 200)),
              QRect(502, 835, 902, 245));
    // A panel low on the screen: the window beside it slides up to stay on it.
    EXPECT_EQ(PlaceBeside(QRect(0, 800, 640, 280), size, kScreen, {}, {Beside::Right}),
              QRect({640, 680}, size));
}

TEST(ToolPlacement, AlwaysWhollyOnTheScreenAndNeverOverThePanelWhileThereIsRoom) {
    // The panel moved across the screen: the window follows, never covering it.
    const QSize size(500, 300);
    for (int x = -100; x <= 1500; x += 20) {
        const QRect panel(x, 60, 640, 480);
        const QRect r = PlaceBeside(panel, size, kScreen, {}, {Beside::Right, Beside::Left});
        EXPECT_TRUE(kScreen.contains(r)) << x;
        EXPECT_FALSE(r.intersects(panel)) << x;
    }
    // Twice the scale, the panel filling most of the screen: it covers as little as it can.
    const QRect small(0, 0, 960, 540);
    const QRect panel(100, 20, 700, 480);
    const QRect r = PlaceBeside(panel, QSize(400, 300), small, {}, {Beside::Below});
    EXPECT_TRUE(small.contains(r));
    EXPECT_LE(r.intersected(panel).width() * r.intersected(panel).height(), 240 * 300);
    EXPECT_TRUE(FreeSpot(QRect(0, 0, 10, 10), panel, small, {}));
    EXPECT_FALSE(FreeSpot(QRect(950, 0, 20, 10), panel, small, {}));
    EXPECT_EQ(MovedOnScreen(QRect(900, 500, 100, 100), small), QRect(860, 440, 100, 100));
}

TEST(ToolPlacement, WithNoRoomBesideThePanelItsDisplaysAndOtherWindowsStayInSight) {
    // The switch panel fits nowhere beside a centred panel with the CW window below:
    // it covers some of the panel, but none of the displays (taken) nor the CW window.
    const QRect screen(0, 0, 1600, 1000);
    const QRect panel(341, 186, 917, 612);
    const std::vector<QRect> displays = {QRect(457, 221, 300, 48), QRect(457, 313, 300, 48),
                                         QRect(891, 217, 355, 151), QRect(353, 748, 617, 34)};
    std::vector<QRect> taken = displays;
    taken.push_back(QRect(341, 798, 914, 202)); // the CW window
    taken.push_back(panel);                     // found open with the rest; not a taken spot
    const QRect sw = PlaceBeside(panel, QSize(639, 291), screen, taken, {Beside::Below});
    EXPECT_TRUE(screen.contains(sw)) << sw.x() << "," << sw.y();
    for (size_t i = 0; i + 1 < taken.size(); ++i)
        EXPECT_FALSE(sw.intersects(taken[i])) << i;
    EXPECT_TRUE(sw.intersects(panel));
    // The log window is too tall for any gap between the displays at its own
    // size; it may be smaller, and is, rather than hide them.
    taken.insert(taken.begin(), sw);
    const QRect log =
        PlaceBeside(panel, QSize(904, 470), screen, taken, {Beside::Below}, QSize(400, 200));
    EXPECT_TRUE(screen.contains(log));
    EXPECT_LT(log.height(), 470);
    EXPECT_GE(log.height(), 200);
    for (size_t i = 0; i + 1 < taken.size(); ++i)
        EXPECT_FALSE(log.intersects(taken[i])) << i;
}
