#include "console/ToolIcons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ToolIcons {

namespace {

QImage draw(const QString &key, int size, const QColor &ink)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0); // drawn on a 24 × 24 grid
    QPen pen(ink, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);

    if (key == QLatin1String("msg")) { // speech bubble
        QPainterPath b;
        b.addRoundedRect(QRectF(3, 4, 18, 12), 3, 3);
        p.drawPath(b);
        p.drawLine(QPointF(8, 16), QPointF(7, 20.5));
        p.drawLine(QPointF(7, 20.5), QPointF(12, 16));
        p.drawLine(QPointF(7, 8.5), QPointF(17, 8.5));
        p.drawLine(QPointF(7, 11.5), QPointF(14, 11.5));
    } else if (key == QLatin1String("shutdown")) { // power sign
        p.drawArc(QRectF(4, 4.5, 16, 16), 125 * 16, 290 * 16);
        p.drawLine(QPointF(12, 2.5), QPointF(12, 11));
    } else if (key == QLatin1String("user")) { // person with a swap arrow
        p.drawEllipse(QRectF(5, 3, 8, 8));
        QPainterPath body;
        body.moveTo(2, 21);
        body.cubicTo(2, 14, 16, 14, 16, 21);
        p.drawPath(body);
        p.drawLine(QPointF(17, 7), QPointF(22, 7));
        p.drawLine(QPointF(20, 5), QPointF(22, 7));
        p.drawLine(QPointF(20, 9), QPointF(22, 7));
        p.drawLine(QPointF(17, 12), QPointF(22, 12));
        p.drawLine(QPointF(19, 10), QPointF(17, 12));
        p.drawLine(QPointF(19, 14), QPointF(17, 12));
    } else if (key == QLatin1String("service")) { // open padlock
        p.drawRoundedRect(QRectF(4, 11, 16, 10), 2, 2);
        QPainterPath shackle;
        shackle.moveTo(8, 11);
        shackle.lineTo(8, 7);
        shackle.arcTo(QRectF(8, 2.5, 8, 8), 180, -180);
        shackle.lineTo(16, 6);
        p.drawPath(shackle);
        p.drawLine(QPointF(12, 14.5), QPointF(12, 17.5));
    } else if (key == QLatin1String("exit")) { // door and arrow
        p.drawLine(QPointF(14, 4), QPointF(5, 4));
        p.drawLine(QPointF(5, 4), QPointF(5, 20));
        p.drawLine(QPointF(5, 20), QPointF(14, 20));
        p.drawLine(QPointF(10, 12), QPointF(21, 12));
        p.drawLine(QPointF(17.5, 8.5), QPointF(21, 12));
        p.drawLine(QPointF(17.5, 15.5), QPointF(21, 12));
    } else if (key == QLatin1String("settings")) { // sliders
        for (int i = 0; i < 3; ++i) {
            const double y = 6 + i * 6;
            p.drawLine(QPointF(3, y), QPointF(21, y));
            const double x = i == 1 ? 15 : (i == 0 ? 8 : 11);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(x, y), 2.2, 2.2);
            p.setBrush(Qt::NoBrush);
        }
    } else if (key == QLatin1String("money")) { // banknote
        p.drawRoundedRect(QRectF(2.5, 6, 19, 12), 2, 2);
        p.drawEllipse(QPointF(12, 12), 3, 3);
    }
    return img;
}

} // namespace

QIcon icon(const QString &key)
{
    QIcon result;
    for (int size : {16, 24, 32, 48}) {
        result.addPixmap(QPixmap::fromImage(draw(key, size, QColor(0x2b, 0x3a, 0x4a))), QIcon::Normal);
        result.addPixmap(QPixmap::fromImage(draw(key, size, QColor(0xa8, 0xb0, 0xb8))), QIcon::Disabled);
    }
    return result;
}

} // namespace ToolIcons
