#include "store/StatusPictures.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>

StatusPictures::StatusPictures(const Paths &paths)
    : m_paths(paths)
{}

QString StatusPictures::fileName(Picture p)
{
    switch (p) {
    case Picture::Free:
        return QStringLiteral("offsys.dqtz");
    case Picture::Normal:
        return QStringLiteral("onsys.dqtz");
    case Picture::Prepaid:
        return QStringLiteral("presys.dqtz");
    case Picture::Account:
        return QStringLiteral("usersys.dqtz");
    case Picture::Error:
        return QStringLiteral("errorsys.dqtz");
    }
    return QString();
}

QList<Picture> StatusPictures::all()
{
    return {Picture::Free, Picture::Normal, Picture::Prepaid, Picture::Account, Picture::Error};
}

QImage StatusPictures::draw(Picture p)
{
    // A monitor on a stand; the screen's colour and sign tell the state.
    QColor screen;
    switch (p) {
    case Picture::Free:
        screen = QColor(0x5f, 0x6b, 0x78);
        break;
    case Picture::Normal:
        screen = QColor(0x2e, 0xa0, 0x4f);
        break;
    case Picture::Prepaid:
        screen = QColor(0xe0, 0x8e, 0x0b);
        break;
    case Picture::Account:
        screen = QColor(0x2f, 0x6f, 0xd6);
        break;
    case Picture::Error:
        screen = QColor(0xc6, 0x28, 0x28);
        break;
    }
    QImage img(Width, Height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    const QColor frame(0x26, 0x2b, 0x33);
    // stand
    g.setPen(Qt::NoPen);
    g.setBrush(frame);
    g.drawRect(QRectF(26, 44, 10, 10));
    g.drawRoundedRect(QRectF(14, 53, 34, 6), 3, 3);
    // monitor
    g.drawRoundedRect(QRectF(2, 4, 58, 42), 5, 5);
    const QRectF glass(6, 8, 50, 34);
    g.setBrush(screen);
    g.drawRoundedRect(glass, 2, 2);
    // sign on the screen
    const QPointF c = glass.center();
    QPen white(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (p) {
    case Picture::Free: { // open padlock-less "power" sign: idle
        g.setPen(white);
        g.setBrush(Qt::NoBrush);
        g.drawArc(QRectF(c.x() - 10, c.y() - 9, 20, 20), 120 * 16, 300 * 16);
        g.drawLine(QPointF(c.x(), c.y() - 12), QPointF(c.x(), c.y() - 1));
        break;
    }
    case Picture::Normal: { // play triangle: running
        QPainterPath t;
        t.moveTo(c.x() - 7, c.y() - 11);
        t.lineTo(c.x() + 11, c.y());
        t.lineTo(c.x() - 7, c.y() + 11);
        t.closeSubpath();
        g.setPen(Qt::NoPen);
        g.setBrush(Qt::white);
        g.drawPath(t);
        break;
    }
    case Picture::Prepaid: { // clock face: counting down
        g.setPen(white);
        g.setBrush(Qt::NoBrush);
        g.drawEllipse(c, 12, 12);
        g.drawLine(c, QPointF(c.x(), c.y() - 8));
        g.drawLine(c, QPointF(c.x() + 6, c.y() + 3));
        break;
    }
    case Picture::Account: { // a person: customer account
        g.setPen(Qt::NoPen);
        g.setBrush(Qt::white);
        g.drawEllipse(QPointF(c.x(), c.y() - 6), 6, 6);
        QPainterPath body;
        body.addRoundedRect(QRectF(c.x() - 11, c.y() + 2, 22, 12), 6, 6);
        g.drawPath(body);
        break;
    }
    case Picture::Error: { // a cross: not answering
        g.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
        g.drawLine(QPointF(c.x() - 9, c.y() - 9), QPointF(c.x() + 9, c.y() + 9));
        g.drawLine(QPointF(c.x() + 9, c.y() - 9), QPointF(c.x() - 9, c.y() + 9));
        break;
    }
    }
    g.end();
    return img;
}

QImage StatusPictures::load(Picture p)
{
    const QString path = m_paths.systemFile(fileName(p));
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage img = reader.read();
    if (img.isNull() && !m_reported.contains(path)) {
        m_reported.insert(path);
        if (m_report)
            m_report(QStringLiteral("The picture %1 cannot be loaded: %2").arg(path, reader.errorString()));
    }
    return img;
}
