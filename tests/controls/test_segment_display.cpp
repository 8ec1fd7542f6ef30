#include "controls/CScrollingSegmentDisplay.h"
#include "controls/CSegmentDisplay.h"

#include <QImage>
#include <gtest/gtest.h>

#include <set>

using namespace tamrel::segments;

namespace {

QImage render(CSegmentDisplay& d) {
    QImage img(d.size(), QImage::Format_RGB32);
    d.render(&img);
    return img;
}

QRgb colourAt(const QImage& img, const QPolygonF& segment) {
    return img.pixel(segment.boundingRect().center().toPoint());
}

// Bits of a 7-segment mask by position.
enum { Top, UpperLeft, UpperRight, Middle, LowerLeft, LowerRight, Bottom };

} // namespace

TEST(SegmentGlyphs, KindsAndSkippedCharacters) {
    EXPECT_EQ(glyphFor('7', kDefaultStyle)->kind, GlyphKind::Seven);
    EXPECT_EQ(glyphFor('-', kDefaultStyle)->mask, 1u << Middle);
    EXPECT_EQ(glyphFor('a', kDefaultStyle)->kind, GlyphKind::Fourteen);
    EXPECT_EQ(glyphFor('a', kDefaultStyle), glyphFor('A', kDefaultStyle));
    EXPECT_EQ(glyphFor('0', kDigits14)->kind, GlyphKind::Fourteen);
    EXPECT_EQ(glyphFor('.', 0)->kind, GlyphKind::Point);
    EXPECT_EQ(glyphFor(':', 0)->kind, GlyphKind::Colon);
    EXPECT_EQ(glyphFor('/', 0)->kind, GlyphKind::Fourteen);

    EXPECT_EQ(glyphsFor("7#0=%.1", kDefaultStyle).size(), 4u);
    const auto cells = layoutGlyphs(glyphsFor("7#0", kDefaultStyle), 40, kDefaultStyle);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_DOUBLE_EQ(cells[0].box.right(), cells[1].box.left()); // "#" left no gap
}

TEST(SegmentDisplay, RendersLitAndUnlitSegmentsAndRepaintsOnlyOnChange) {
    CSegmentDisplay d;
    d.resize(200, 44);
    d.setText("18");
    const QImage img = render(d);
    ASSERT_EQ(d.cells().size(), 2u);
    const QRgb on = d.onColour().rgb(), off = d.offColour().rgb();
    const auto& one = d.cells()[0].segments;
    for (int bit : {UpperRight, LowerRight})
        EXPECT_EQ(colourAt(img, one[bit]), on) << bit;
    for (int bit : {Top, UpperLeft, Middle, LowerLeft, Bottom})
        EXPECT_EQ(colourAt(img, one[bit]), off) << bit;
    for (const QPolygonF& seg : d.cells()[1].segments)
        EXPECT_EQ(colourAt(img, seg), on);

    // Without the unlit flag, dark segments are background.
    ASSERT_TRUE(d.modifyStyle(kShowUnlit, 0));
    EXPECT_EQ(colourAt(render(d), d.cells()[0].segments[Top]), QColor(Qt::black).rgb());

    CSegmentDisplay named("Elecraft");
    named.resize(200, 30);
    named.setText("14060.00");
    const int after = named.repaintRequests();
    named.setText("14060.00");
    named.setColours(named.offColour(), named.onColour());
    EXPECT_EQ(named.repaintRequests(), after);
    named.setColours(QColor(52, 0, 0), QColor(255, 0, 0));
    EXPECT_EQ(named.repaintRequests(), after + 1);

    // "?" shows the control's own caption.
    named.setText("?");
    EXPECT_EQ(named.cells().size(), 8u);
    EXPECT_EQ(named.cells()[0].glyph, *glyphFor('E', named.style()));
}

TEST(ScrollingSegmentDisplay, AMessageThatFitsStandsWholeALongerOneScrolls) {
    CScrollingSegmentDisplay d;
    d.setScrolling(true);
    EXPECT_TRUE(d.isTimerActive());
    d.setScrolling(false);
    EXPECT_FALSE(d.isTimerActive());

    d.setVisibleWidth(-3);
    EXPECT_EQ(d.visibleWidth(), 12);
    d.setMessage("LONGER THAN TWELVE");
    d.scrollStep(); // not scrolling: stays
    EXPECT_EQ(d.text(), "LONGER THAN ");

    CScrollingSegmentDisplay wide;
    wide.resize(600, 20);
    wide.setVisibleWidth(35);
    wide.setMessage("VFO locked"); // 10 characters
    const QString start = QString("VFO locked").leftJustified(35, ' ');
    wide.setScrolling(true);
    for (int tick = 1; tick <= 40; ++tick) {
        wide.scrollStep();
        ASSERT_EQ(wide.text(), start) << tick;
    }

    const QString longer = QString("The radio is not answering on /dev/ttyUSB0.");
    wide.setMessage(longer);
    std::set<int> positionsOfR;
    for (int tick = 1; tick <= longer.size() + 1; ++tick) {
        wide.scrollStep();
        ASSERT_EQ(wide.text().size(), 35);
        positionsOfR.insert(int(wide.text().indexOf("radio")));
    }
    EXPECT_EQ(wide.text(), (longer + ' ').left(35)); // round once, back at its start
    EXPECT_GT(positionsOfR.size(), 30u);             // it went by

    wide.setMessage(""); // clearing shows blanks
    EXPECT_EQ(wide.text(), QString(35, ' '));
}
