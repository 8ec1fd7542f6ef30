#include "controls/CColorButton.h"
#include "controls/CEditEx.h"
#include "controls/CShadedButton.h"
#include "controls/CStaticEx.h"
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
    EXPECT_TRUE(lsb.isChecked());
    EXPECT_TRUE(lsb.toolTip().contains("LSB selected"));
    QTest::mouseClick(&usb, Qt::LeftButton);
    EXPECT_TRUE(usb.isChecked());
    EXPECT_FALSE(lsb.isChecked());
    EXPECT_FALSE(lsb.toolTip().contains("selected"));
    EXPECT_FALSE(cw.isChecked());
    EXPECT_TRUE(agc.isChecked()); // other group untouched
    QTest::mouseClick(&usb, Qt::LeftButton);
    EXPECT_TRUE(usb.isChecked()); // a radio stays checked

    QTest::mouseClick(&lock, Qt::LeftButton);
    EXPECT_TRUE(lock.isChecked());
    QTest::mouseClick(&lock, Qt::LeftButton);
    EXPECT_FALSE(lock.isChecked());
    EXPECT_TRUE(usb.isChecked());
}

TEST(ShadedButton, FontShadeFacesAndIcons) {
    CShadedButton b("BAND+");
    b.resize(70, 26);
    b.show(); // resize events reach shown widgets only
    const QFont before = b.font();
    EXPECT_FALSE(b.setFontDescription({"Tahoma", 12, 5000}));
    EXPECT_EQ(b.font(), before);
    EXPECT_TRUE(b.setFontDescription({"A face name well over thirty-one characters", 12, 600}));
    EXPECT_EQ(b.font().family().size(), kMaxFaceLength);
    EXPECT_EQ(b.font().weight(), QFont::DemiBold);

    EXPECT_FALSE(b.hasShade());
    b.setShade({8, 8, 10, 5, QColor(55, 255, 55)});
    EXPECT_EQ(b.shadeFaces().normal.size(), QSize(70, kShadeHeight));
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

    // An icon on either side; hover lightens towards the base colour, pressed tints.
    QPixmap square(16, 16);
    square.fill(Qt::magenta);
    b.resize(80, 26);
    b.setBorderWidth(4);
    b.setShade({0, 8, 20, 50, QColor(55, 255, 55)});
    for (auto [align, at, free] :
         {std::tuple{Qt::AlignLeft, 12, 68}, std::tuple{Qt::AlignRight, 68, 12}}) {
        b.setIcons(QIcon(square), align);
        const QImage icon = grab(b);
        EXPECT_EQ(icon.pixel(at, 13), qRgb(255, 0, 255)) << at;
        EXPECT_NE(icon.pixel(free, 13), qRgb(255, 0, 255)) << free;
    }
    const ShadeFaces& f = b.shadeFaces();
    EXPECT_GT(f.hover.pixelIndex(10, 10), f.normal.pixelIndex(10, 10));
    EXPECT_GT(qGreen(f.pressed.pixel(10, 10)) - qRed(f.pressed.pixel(10, 10)),
              qGreen(f.normal.pixel(10, 10)) - qRed(f.normal.pixel(10, 10)));
}

TEST(Shade, PaletteEndpointsAndEveryStyleInRange) {
    const QColor shadow(100, 100, 100), face(200, 190, 180), base(55, 55, 255);
    const ShadePalette pal = shadePalette(shadow, face, base);
    EXPECT_EQ(pal[0], shadow.rgb());
    EXPECT_EQ(pal[128], face.rgb());
    EXPECT_EQ(pal[255], base.rgb());
    EXPECT_EQ(qRed(pal[64]), 150);
    EXPECT_NEAR(qBlue(pal[192]), (180 + 255) / 2, 1);

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
    const auto flat = shadePattern({0, 0, 0, 0, Qt::red}, 40);
    EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](int v) { return v == 128; }));
    const auto noisy = shadePattern({0, 8, 0, 0, Qt::red}, 40);
    const std::set<int> values(noisy.begin(), noisy.end());
    EXPECT_GT(values.size(), 8u);
    EXPECT_GE(*values.begin(), 120);
    EXPECT_LE(*values.rbegin(), 136);
    // Gradients run light to dark.
    const auto top = shadePattern({2, 0, 0, 0, Qt::red}, 10);
    EXPECT_GT(top.front(), top.back());
}

TEST(EditEx, ColoursFontAndFilter) {
    CEditEx e;
    const QColor oldBack = e.setBackgroundColour(QColor(166, 202, 240));
    EXPECT_EQ(e.setBackgroundColour(Qt::gray), QColor(166, 202, 240));
    EXPECT_NE(oldBack, QColor(166, 202, 240));
    e.setTextColour(Qt::black);
    EXPECT_EQ(e.setTextColour(Qt::red), QColor(Qt::black));
    e.setFontDescription({"Times New Roman", -36, 700});
    EXPECT_EQ(e.font().pixelSize(), 36);
    EXPECT_EQ(e.font().weight(), QFont::Bold);

    e.setCharFilter([](QChar c) { return c.isDigit() || c == '.'; });
    QTest::keyClicks(&e, "14a06x0.5");
    EXPECT_EQ(e.text(), "14060.5");
    EXPECT_EQ(e.refusedChars(), 2);
    QTest::keyClick(&e, Qt::Key_Backspace); // editing keys are not filtered
    EXPECT_EQ(e.text(), "14060.");

    CStaticEx s("NB");
    EXPECT_EQ(s.setBackgroundColour(QColor(255, 255, 0)), s.palette().color(QPalette::Button));
    EXPECT_EQ(s.palette().color(QPalette::Window), QColor(255, 255, 0));
    s.setLinkText("www.elecraft.com");
    EXPECT_EQ(s.palette().color(QPalette::WindowText), s.linkColour());

    // On a dark window (white text) a label on its own light background writes black.
    QWidget dark;
    QPalette pal = dark.palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 96));
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::Button, QColor(212, 208, 200));
    dark.setPalette(pal);
    CStaticEx lamp("AutoPlay", &dark);
    EXPECT_EQ(lamp.textColour(), QColor(Qt::black));
    EXPECT_EQ(lamp.palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST(ControlSupport, ControlIdsAndFontHeights) {
    QWidget dialog;
    CShadedButton exitButton("Exit", &dialog);
    CEditEx vfoA(&dialog);
    setControlId(exitButton, 1, exitButton.text());
    setControlId(vfoA, 1065);
    EXPECT_EQ(findControl(dialog, 1065), &vfoA);
    EXPECT_EQ(findControl(dialog, 1), &exitButton);
    EXPECT_EQ(findControl(dialog, 7), nullptr);
    EXPECT_EQ(vfoA.accessibleName(), ""); // an id is never a name a person hears
    EXPECT_EQ(exitButton.accessibleName(), "Exit");
    EXPECT_EQ(exitButton.property("controlId").toInt(), 1);

    // A positive height is the whole cell, so the characters come out smaller.
    const QFont cell = fontFromDescription({"Liberation Sans", 20, 400}, QFont());
    EXPECT_LT(cell.pixelSize(), 20);
    EXPECT_NEAR(QFontMetrics(cell).height(), 20, 2);
}
