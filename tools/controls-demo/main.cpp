// Renders a strip of front-panel controls to a PNG: controls_demo [out.png [zoom]]
#include "controls/CColorButton.h"
#include "controls/CEditEx.h"
#include "controls/CScrollingSegmentDisplay.h"
#include "controls/CSegmentDisplay.h"
#include "controls/CShadedButton.h"
#include "controls/CStaticEx.h"

#include <QApplication>
#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace tamrel;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QStringLiteral("/tmp/tamrel-controls-demo.png");

    QWidget panel;
    panel.resize(560, 300);
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, QColor(128, 184, 223));
    panel.setPalette(pal);
    panel.setAutoFillBackground(true);

    CEditEx vfo(&panel);
    vfo.setGeometry(10, 10, 220, 50);
    vfo.setFontDescription({"Times New Roman", -36, 700});
    vfo.setBackgroundColour(QColor(166, 202, 240));
    vfo.setTextColour(Qt::black);
    vfo.setText("  14060.00");

    CSegmentDisplay echo("Elecraft", &panel);
    echo.setGeometry(240, 10, 310, 40);
    echo.modifyStyle(0, segments::kSmooth | segments::kShowUnlit);
    echo.setText("14060.00");

    CScrollingSegmentDisplay status("status", &panel);
    status.setGeometry(10, 70, 540, 22);
    status.modifyStyle(segments::kDigits14, segments::kSmooth | segments::kShaped);
    status.setVisibleWidth(35);
    status.setColours(QColor(0, 52, 52), QColor(92, 252, 204));
    status.setMessage("Querying Info From Radio...");
    status.setScrolling(true);
    for (int i = 0; i < 3; ++i)
        status.scrollStep();

    CScrollingSegmentDisplay error("error", &panel);
    error.setGeometry(10, 98, 540, 22);
    error.modifyStyle(segments::kDigits14, segments::kSmooth);
    error.setVisibleWidth(35);
    error.setColours(QColor(52, 0, 0), QColor(255, 0, 0));
    error.setMessage("PORT /DEV/TTYS0 (COM1): 0X02000001");

    std::vector<std::unique_ptr<CShadedButton>> buttons;
    auto shaded = [&](const QString& text, QRect geo, FontDescription font, QColor caption,
                      ShadeParams shade) {
        auto b = std::make_unique<CShadedButton>(text, &panel);
        b->setGeometry(geo);
        b->setFontDescription(font);
        b->setTextColour(caption);
        b->setShade(shade);
        buttons.push_back(std::move(b));
    };
    const ShadeParams selected{6, 8, 10, 5, QColor(255, 192, 192)};
    const ShadeParams unselected{0, 8, 20, 5, QColor(55, 55, 255)};
    shaded("CW", {10, 130, 60, 24}, {"Tahoma", 14, 600}, QColor(0, 0, 128), selected);
    shaded("LSB", {75, 130, 60, 24}, {"Tahoma", 12, 600}, QColor(90, 90, 90), unselected);
    shaded("USB", {140, 130, 60, 24}, {"Tahoma", 12, 600}, QColor(90, 90, 90), unselected);
    shaded("BAND+", {210, 130, 70, 24}, {"Tahoma", 12, 600}, QColor(0, 99, 0),
           {8, 8, 10, 5, QColor(255, 55, 55)});
    shaded("+10Hz", {285, 130, 70, 24}, {"Tahoma", 12, 400}, QColor(0, 99, 0),
           {8, 8, 10, 5, QColor(55, 255, 55)});
    shaded("CW", {360, 130, 90, 30}, {"Courier New", 16, 600}, Qt::black,
           {8, 8, 10, 5, QColor(55, 255, 55)});
    shaded("AFIL", {455, 130, 60, 24}, {"Tahoma", 12, 600}, Qt::black, selected);
    buttons[1]->setEnabled(false);

    std::vector<std::unique_ptr<CColorButton>> solid;
    const QColor meter[] = {{11, 193, 34},  {11, 193, 34}, {11, 193, 34},  {232, 188, 36},
                            {232, 188, 36}, {244, 23, 46}, {192, 192, 192}};
    for (int i = 0; i < 7; ++i) {
        auto b = std::make_unique<CColorButton>("", &panel);
        b->setGeometry(10 + i * 22, 175, 20, 16);
        b->setColours(Qt::black, meter[i]);
        solid.push_back(std::move(b));
    }
    auto rx = std::make_unique<CColorButton>("Rx", &panel);
    rx->setGeometry(180, 170, 50, 26);
    rx->setColours(Qt::black, QColor(0, 255, 0));
    auto tx = std::make_unique<CColorButton>("Tx", &panel);
    tx->setGeometry(235, 170, 50, 26);
    tx->setColours(Qt::black, QColor(192, 192, 192));
    tx->setEnabled(false);

    CStaticEx lamps[] = {CStaticEx("NB", &panel), CStaticEx("PRE", &panel),
                         CStaticEx("RIT", &panel)};
    const QColor lampColours[] = {{255, 255, 0}, {192, 192, 255}, {192, 192, 192}};
    for (int i = 0; i < 3; ++i) {
        lamps[i].setGeometry(300 + i * 45, 172, 40, 20);
        lamps[i].setAlignment(Qt::AlignCenter);
        lamps[i].setFontDescription({"Times New Roman", -10, 100});
        lamps[i].setBackgroundColour(lampColours[i]);
        lamps[i].setTextColour(Qt::black);
    }

    CSegmentDisplay letters("letters", &panel);
    letters.setGeometry(10, 210, 540, 36);
    letters.modifyStyle(0, segments::kSmooth | segments::kDigits14);
    letters.setText("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    CSegmentDisplay digits("digits", &panel);
    digits.setGeometry(10, 252, 540, 36);
    digits.modifyStyle(0, segments::kSmooth);
    digits.setText("0123456789-+*/\\()' 12:34");

    panel.ensurePolished();
    QImage img(panel.size(), QImage::Format_RGB32);
    panel.render(&img);
    const int zoom = argc > 2 ? std::max(1, atoi(argv[2])) : 1;
    if (zoom > 1)
        img = img.scaled(img.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return img.save(out) ? 0 : 1;
}
