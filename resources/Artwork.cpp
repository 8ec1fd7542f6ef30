#include "Artwork.h"
#include "tamrel_version.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace tamrel::artwork {

namespace {

// A K2-like radio face: dark panel, green LCD, two knobs.
void drawRadio(QPainter& p, const QRectF& r) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, QColor(70, 74, 80));
    body.setColorAt(1, QColor(28, 30, 34));
    p.setPen(QPen(QColor(15, 15, 18), r.height() * 0.03));
    p.setBrush(body);
    p.drawRoundedRect(r, r.height() * 0.12, r.height() * 0.12);

    QRectF lcd(r.left() + r.width() * 0.08, r.top() + r.height() * 0.18, r.width() * 0.5,
               r.height() * 0.32);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 40, 0));
    p.drawRoundedRect(lcd, 3, 3);
    p.setPen(QColor(0, 255, 0));
    QFont f("Liberation Mono");
    f.setPixelSize(std::max(4, int(lcd.height() * 0.7)));
    f.setBold(true);
    p.setFont(f);
    p.drawText(lcd, Qt::AlignCenter, "14060");

    auto knob = [&](QPointF c, qreal radius) {
        QRadialGradient g(c - QPointF(radius / 3, radius / 3), radius * 1.4);
        g.setColorAt(0, QColor(200, 200, 205));
        g.setColorAt(1, QColor(40, 40, 45));
        p.setPen(QPen(QColor(10, 10, 10), std::max(1.0, radius * 0.08)));
        p.setBrush(g);
        p.drawEllipse(c, radius, radius);
    };
    knob(QPointF(r.left() + r.width() * 0.78, r.top() + r.height() * 0.45), r.height() * 0.26);
    knob(QPointF(r.left() + r.width() * 0.2, r.top() + r.height() * 0.74), r.height() * 0.1);
    knob(QPointF(r.left() + r.width() * 0.42, r.top() + r.height() * 0.74), r.height() * 0.1);
}

QPixmap canvas(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QPixmap splash() {
    QPixmap pm(500, 333);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 333);
    sky.setColorAt(0, QColor(18, 38, 74));
    sky.setColorAt(1, QColor(128, 184, 223));
    p.fillRect(pm.rect(), sky);

    // An antenna radiating over the horizon.
    p.setPen(QPen(QColor(230, 230, 240), 3));
    p.drawLine(QPointF(400, 250), QPointF(400, 90));
    p.drawLine(QPointF(370, 110), QPointF(430, 110));
    p.drawLine(QPointF(378, 130), QPointF(422, 130));
    p.setPen(QPen(QColor(255, 220, 120, 160), 2));
    for (int i = 1; i <= 4; ++i) {
        qreal rad = 18.0 * i;
        p.drawArc(QRectF(400 - rad, 90 - rad, 2 * rad, 2 * rad), -30 * 16, 60 * 16);
        p.drawArc(QRectF(400 - rad, 90 - rad, 2 * rad, 2 * rad), 150 * 16, 60 * 16);
    }

    drawRadio(p, QRectF(40, 170, 300, 120));

    p.setPen(Qt::white);
    QFont title("Liberation Serif");
    title.setPixelSize(56);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRectF(30, 30, 360, 70), Qt::AlignLeft | Qt::AlignVCenter, "Tamrel");
    QFont sub("Liberation Sans");
    sub.setPixelSize(18);
    p.setFont(sub);
    p.drawText(QRectF(32, 100, 360, 30), Qt::AlignLeft | Qt::AlignVCenter,
               "Elecraft K2 Front Panel");
    sub.setPixelSize(12);
    p.setFont(sub);
    p.setPen(QColor(20, 30, 50));
    p.drawText(QRectF(0, 305, 490, 20), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("version %1").arg(TAMREL_VERSION));
    return pm;
}

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        QPixmap pm = canvas(size);
        QPainter p(&pm);
        drawRadio(p, QRectF(size * 0.04, size * 0.2, size * 0.92, size * 0.6));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon buttonIcon(ButtonIcon which) {
    const int size = 32;
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(20, 20, 20), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    switch (which) {
    case ButtonIcon::Exit: {
        // A power symbol.
        p.setPen(QPen(QColor(170, 0, 0), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(6, 7, 20, 20), 120 * 16, 300 * 16);
        p.drawLine(QPointF(16, 4), QPointF(16, 16));
        break;
    }
    case ButtonIcon::InitialData: {
        // Two arrows in a circle: ask the radio again.
        p.drawArc(QRectF(6, 6, 20, 20), 30 * 16, 150 * 16);
        p.drawArc(QRectF(6, 6, 20, 20), 210 * 16, 150 * 16);
        p.setBrush(QColor(20, 20, 20));
        p.drawPolygon(QPolygonF({QPointF(26, 5), QPointF(27, 13), QPointF(19, 11)}));
        p.drawPolygon(QPolygonF({QPointF(6, 27), QPointF(5, 19), QPointF(13, 21)}));
        break;
    }
    case ButtonIcon::Tune: {
        // A carrier: a sine wave over a baseline.
        QPainterPath wave;
        wave.moveTo(3, 16);
        for (int x = 3; x <= 29; ++x)
            wave.lineTo(x, 16 - 8 * std::sin((x - 3) * 3.14159 / 6.5));
        p.setPen(QPen(QColor(170, 0, 0), 2.5));
        p.drawPath(wave);
        break;
    }
    case ButtonIcon::ArrowLeft:
    case ButtonIcon::ArrowRight: {
        bool left = which == ButtonIcon::ArrowLeft;
        p.setBrush(QColor(0, 90, 0));
        p.setPen(Qt::NoPen);
        QPolygonF tri = left ? QPolygonF({QPointF(6, 16), QPointF(24, 6), QPointF(24, 26)})
                             : QPolygonF({QPointF(26, 16), QPointF(8, 6), QPointF(8, 26)});
        p.drawPolygon(tri);
        break;
    }
    }
    p.end();
    return QIcon(pm);
}

} // namespace tamrel::artwork
