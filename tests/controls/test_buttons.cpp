#include "controls/CColorButton.h"
#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "controls/Shade.h"

#include <QImage>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace tamrel;

namespace {

QImage grab(QWidget& w) {
    QImage img(w.size(), QImage::Format_RGB32);
    w.render(&img);
    return img;
}

int count(const QImage& img, QRgb colour, int inset) {
    int n = 0;
    for (int y = inset; y < img.height() - inset; ++y)
        for (int x = inset; x < img.width() - inset; ++x)
            n += img.pixel(x, y) == colour;
    return n;
}

} // namespace

TEST(ColorButton, DisabledCaptionIsEmbossedWhiteAndGrey) {
    CColorButton b("TX");
    b.setFont(fontFromDescription({"Liberation Sans", -20, 900}, b.font()));
    b.resize(80, 40);
    const QRgb caption = qRgb(255, 0, 0), face = qRgb(0, 0, 255);
    b.setColours(QColor(caption), QColor(face));

    const QImage enabled = grab(b);
    EXPECT_GT(count(enabled, caption, 4), 10);
    EXPECT_EQ(count(enabled, CColorButton::kDisabledText, 4), 0);

    b.setEnabled(false);
    const QImage disabled = grab(b);
    EXPECT_EQ(count(disabled, caption, 4), 0);
    EXPECT_GT(count(disabled, CColorButton::kDisabledText, 4), 10);
    EXPECT_GT(count(disabled, CColorButton::kDisabledRelief, 4), 5);
    EXPECT_GT(count(disabled, face, 4), 100); // face still filled
}

TEST(ShadedButton, RadioGroupAndCheckKinds) {
    using Kind = CShadedButton::Kind;
    QWidget dialog;
    CShadedButton usb("USB", &dialog, Kind::Radio), lsb("LSB", &dialog, Kind::Radio),
        cw("CW", &dialog, Kind::Radio), agc("AGC", &dialog, Kind::Radio),
        lock("Lock", &dialog, Kind::Check);
    agc.setGroupKey(2);
    for (CShadedButton* b : {&usb, &lsb, &cw, &agc, &lock})
        b->resize(60, 24);
    lsb.setTooltipText("LSB", "LSB selected");

    QTest::mouseClick(&agc, Qt::LeftButton);
    QTest::mouseClick(&lsb, Qt::LeftButton);
    EXPECT_TRUE(lsb.toolTip().contains("LSB selected"));
    QTest::mouseClick(&usb, Qt::LeftButton);
    EXPECT_TRUE(usb.isChecked());
    EXPECT_FALSE(lsb.isChecked());
    EXPECT_FALSE(lsb.toolTip().contains("selected"));
    EXPECT_TRUE(agc.isChecked()); // other group untouched
    QTest::mouseClick(&usb, Qt::LeftButton);
    EXPECT_TRUE(usb.isChecked()); // a radio stays checked

    QTest::mouseClick(&lock, Qt::LeftButton); // a check button is outside every group
    EXPECT_TRUE(usb.isChecked());
}

TEST(ShadedButton, ShadeFacesFollowTheSizeAndTile) {
    CShadedButton b("BAND+");
    b.resize(70, 26);
    b.show(); // resize events reach shown widgets only
    EXPECT_FALSE(b.hasShade());
    b.setShade({8, 8, 10, 5, QColor(55, 255, 55)});
    EXPECT_EQ(b.shadeFaces().hover.size(), QSize(70, kShadeHeight));
    const QImage first = b.shadeFaces().normal;
    b.resize(90, 26);
    EXPECT_EQ(b.shadeFaces().normal.width(), 90);
    b.resize(70, 26);
    EXPECT_EQ(b.shadeFaces().normal, first); // same parameters, same face

    // The face tiles down the whole button.
    b.resize(70, 50);
    b.setBorderWidth(0);
    b.setText("");
    const QImage shot = grab(b);
    const QImage face = b.shadeFaces().normal.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.pixel(30, 10 + kShadeHeight), face.pixel(30, 10));
}

TEST(Shade, PaletteEndpointsAndEveryStyleInRange) {
    const QColor shadow(100, 100, 100), face(200, 190, 180), base(55, 55, 255);
    const ShadePalette pal = shadePalette(shadow, face, base);
    EXPECT_EQ(pal[0], shadow.rgb());
    EXPECT_EQ(pal[128], face.rgb());
    EXPECT_EQ(pal[255], base.rgb());

    for (int style = 0; style < kShadeStyleCount; ++style) {
        for (int g : {0, 8, 20}) {
            const auto pattern = shadePattern({style, g, 10, 5, QColor(255, 192, 192)}, 57);
            ASSERT_EQ(pattern.size(), size_t(57 * kShadeHeight));
            const auto [lo, hi] = std::minmax_element(pattern.begin(), pattern.end());
            EXPECT_GE(*lo, g) << style << "/" << g;
            EXPECT_LE(*hi, 255 - g) << style << "/" << g;
        }
    }
    // Plain noise sits around the face colour, spread by the granularity.
    const auto noisy = shadePattern({0, 8, 0, 0, Qt::red}, 40);
    const std::set<int> values(noisy.begin(), noisy.end());
    EXPECT_GT(values.size(), 8u);
    EXPECT_GE(*values.begin(), 120);
    EXPECT_LE(*values.rbegin(), 136);
    // Gradients run light to dark.
    const auto top = shadePattern({2, 0, 0, 0, Qt::red}, 10);
    EXPECT_GT(top.front(), top.back());
}

TEST(EditEx, CharacterFilter) {
    CEditEx e;
    e.setCharFilter([](QChar c) { return c.isDigit() || c == '.'; });
    QTest::keyClicks(&e, "14a06x0.5");
    EXPECT_EQ(e.text(), "14060.5");
    EXPECT_EQ(e.refusedChars(), 2);
    QTest::keyClick(&e, Qt::Key_Backspace); // editing keys are not filtered
    EXPECT_EQ(e.text(), "14060.");
}
