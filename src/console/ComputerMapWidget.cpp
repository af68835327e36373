#include "console/ComputerMapWidget.h"

#include "store/SettingsFile.h"
#include "store/PictureLoader.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

MapLook MapLook::from(const SettingsFile &settings)
{
    MapLook look;
    look.big = settings.bigIcons();
    look.color = QColor::fromRgb(settings.nameColor());
    look.font = QFont(settings.fontName());
    look.font.setPointSize(settings.fontSize());
    look.font.setBold(settings.bold());
    look.font.setItalic(settings.italic());
    return look;
}

ComputerMapWidget::ComputerMapWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("map"));
}

QImage ComputerMapWidget::templatePicture()
{
    // The free monitor, faded: a computer whose state nobody has told yet.
    static const QImage picture = [] {
        QImage img = PictureLoader::shipped(Picture::Free).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < img.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int g = qGray(line[x]);
                line[x] = qRgba((g + 2 * 0xb0) / 3, (g + 2 * 0xb4) / 3, (g + 2 * 0xba) / 3, qAlpha(line[x]));
            }
        }
        return img;
    }();
    return picture;
}

int ComputerMapWidget::toPixelsX(int twips) const { return qRound(double(twips) * logicalDpiX() / TwipsPerInch); }
int ComputerMapWidget::toPixelsY(int twips) const { return qRound(double(twips) * logicalDpiY() / TwipsPerInch); }
int ComputerMapWidget::toTwipsX(int pixels) const { return qRound(double(pixels) * TwipsPerInch / logicalDpiX()); }
int ComputerMapWidget::toTwipsY(int pixels) const { return qRound(double(pixels) * TwipsPerInch / logicalDpiY()); }

void ComputerMapWidget::setLook(const MapLook &look)
{
    m_look = look;
    for (Item &item : m_items) {
        styleLabel(item);
        place(item);
    }
}

void ComputerMapWidget::addComputer(int aa, const QString &name, int left, int top)
{
    if (m_items.contains(aa)) {
        delete m_items[aa].icon;
        delete m_items[aa].label;
    }
    Item item;
    item.name = name;
    item.left = left;
    item.top = top;
    item.picture = templatePicture();
    item.icon = new QLabel(this);
    item.icon->setObjectName(QStringLiteral("computerIcon_%1").arg(aa));
    item.icon->setScaledContents(true);
    item.icon->setPixmap(QPixmap::fromImage(item.picture));
    item.icon->setProperty("aa", aa);
    item.icon->installEventFilter(this);
    item.label = new QLabel(name, this);
    item.label->setObjectName(QStringLiteral("computerName_%1").arg(aa));
    item.label->setAlignment(Qt::AlignCenter);
    item.label->setProperty("aa", aa);
    item.label->setMouseTracking(true);
    item.label->installEventFilter(this);
    styleLabel(item);
    place(item);
    item.icon->show();
    item.label->show();
    item.label->raise();
    m_items.insert(aa, item);
    updateExtent();
}

void ComputerMapWidget::clear()
{
    for (Item &item : m_items) {
        delete item.icon;
        delete item.label;
    }
    m_items.clear();
    m_dragging = false;
    updateExtent();
}

QList<int> ComputerMapWidget::computers() const
{
    QList<int> keys = m_items.keys();
    std::sort(keys.begin(), keys.end());
    return keys;
}

QString ComputerMapWidget::name(int aa) const { return m_items.value(aa).name; }

void ComputerMapWidget::setPicture(int aa, const QImage &picture)
{
    auto it = m_items.find(aa);
    if (it == m_items.end())
        return;
    it->picture = picture.isNull() ? templatePicture() : picture;
    it->icon->setPixmap(QPixmap::fromImage(it->picture));
}

void ComputerMapWidget::setTip(int aa, const QString &text)
{
    if (QLabel *l = label(aa))
        l->setToolTip(text);
}

QString ComputerMapWidget::tip(int aa) const
{
    const QLabel *l = label(aa);
    return l ? l->toolTip() : QString();
}

void ComputerMapWidget::setMoving(bool on)
{
    m_moving = on;
    m_dragging = false;
    const Qt::CursorShape shape = on ? Qt::SizeAllCursor : Qt::PointingHandCursor;
    for (Item &item : m_items)
        item.icon->setCursor(shape);
}

void ComputerMapWidget::setBackground(const QImage &picture)
{
    m_background = picture;
    m_scaled = QPixmap();
    update();
}

QSize ComputerMapWidget::backgroundSize() const
{
    const QScreen *s = screen();
    const QSize screenSize = s ? s->size() : QSize(1024, 768);
    return QSize(screenSize.width(), qMax(1, screenSize.height() - toPixelsY(1000)));
}

QPoint ComputerMapWidget::position(int aa) const
{
    const Item item = m_items.value(aa);
    return QPoint(item.left, item.top);
}

QSize ComputerMapWidget::extent() const { return size().expandedTo(backgroundSize()); }

QPoint ComputerMapWidget::keptInside(int aa, int left, int top) const
{
    const auto it = m_items.constFind(aa);
    if (it == m_items.cend())
        return QPoint(left, top);
    // Icon and name together, in twips from the icon's corner.
    const int width = qMax(m_look.big ? BigWidth : SmallWidth, LabelRight + toTwipsX(it->label->width()));
    const int height = qMax(m_look.big ? BigHeight : SmallHeight, LabelBelow + toTwipsY(it->label->height()));
    const QSize room = extent();
    const int maxLeft = qMax(0, toTwipsX(room.width()) - width);
    const int maxTop = qMax(0, toTwipsY(room.height()) - height);
    return QPoint(qBound(0, left, maxLeft), qBound(0, top, maxTop));
}

bool ComputerMapWidget::bringInside(int aa)
{
    auto it = m_items.find(aa);
    if (it == m_items.end())
        return false;
    const QPoint inside = keptInside(aa, it->left, it->top);
    if (inside == QPoint(it->left, it->top))
        return false;
    it->left = inside.x();
    it->top = inside.y();
    place(*it);
    return true;
}

QWidget *ComputerMapWidget::icon(int aa) const { return m_items.value(aa).icon; }
QLabel *ComputerMapWidget::label(int aa) const { return m_items.value(aa).label; }

void ComputerMapWidget::styleLabel(Item &item)
{
    item.label->setFont(m_look.font);
    // A light backing keeps a name readable over any background picture.
    item.label->setStyleSheet(QStringLiteral("QLabel { color: %1; background: rgba(255, 255, 255, 230);"
                                             " border: 1px solid rgba(0, 0, 0, 40); border-radius: 4px;"
                                             " padding: 0px 3px; }")
                                  .arg(m_look.color.name()));
}

void ComputerMapWidget::place(Item &item)
{
    const int w = toPixelsX(m_look.big ? BigWidth : SmallWidth);
    const int h = toPixelsY(m_look.big ? BigHeight : SmallHeight);
    item.icon->setGeometry(toPixelsX(item.left), toPixelsY(item.top), w, h);
    item.icon->setCursor(m_moving ? Qt::SizeAllCursor : Qt::PointingHandCursor);
    const QSize text = item.label->sizeHint();
    // As wide as the icon less the indent on both sides, so the name sits
    // centred under it; a longer name widens it to the right.
    const int width = qMax(w - 2 * toPixelsX(LabelRight), text.width());
    item.label->setGeometry(toPixelsX(item.left + LabelRight), toPixelsY(item.top + LabelBelow), width, text.height());
    if (m_items.contains(itemOf(item.icon)))
        updateExtent();
}

QSize ComputerMapWidget::iconsExtent() const
{
    // No margin: a drag kept inside the map must not widen it.
    QRect used;
    for (const Item &item : m_items)
        used |= item.icon->geometry() | item.label->geometry();
    // An icon still above or left of the map (before it is brought inside) widens nothing.
    return used.isEmpty() ? QSize(0, 0) : QSize(qMax(0, used.right() + 1), qMax(0, used.bottom() + 1));
}

void ComputerMapWidget::updateExtent() { setMinimumSize(iconsExtent()); }

int ComputerMapWidget::itemOf(QObject *o) const
{
    const QVariant v = o->property("aa");
    return v.isValid() && m_items.contains(v.toInt()) ? v.toInt() : 0;
}

bool ComputerMapWidget::eventFilter(QObject *watched, QEvent *event)
{
    const int aa = itemOf(watched);
    if (!aa)
        return QWidget::eventFilter(watched, event);
    Item &item = m_items[aa];

    if (watched == item.label) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::ToolTip || event->type() == QEvent::MouseMove)
            emit hovered(aa); // the label's own tip is set before it shows
        return false;
    }

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(event);
        emit iconPressed(aa);
        if (m_moving) {
            m_grab = me->position().toPoint();
            m_dragging = true;
        } else if (me->button() == Qt::RightButton) {
            emit popupRequested(aa, me->globalPosition().toPoint());
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (!m_moving || !m_dragging)
            return true;
        const QPoint at = me->position().toPoint();
        if (me->buttons() & Qt::LeftButton) {
            const QPoint delta = at - m_grab;
            if (delta.isNull())
                return true;
            // Past an edge the icon stops there: one wholly outside could
            // never be pressed again.
            const QPoint to = keptInside(aa, item.left + toTwipsX(delta.x()), item.top + toTwipsY(delta.y()));
            if (to == QPoint(item.left, item.top))
                return true;
            item.left = to.x();
            item.top = to.y();
            place(item);
            emit moved(aa, item.left, item.top);
        } else if (me->buttons() & Qt::RightButton) {
            // Stretched to the pointer for the session only.
            item.icon->resize(qMax(1, at.x()), qMax(1, at.y()));
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton && item.icon->rect().contains(me->position().toPoint())) {
            if (m_moving)
                emit iconPicked(aa);
            else
                emit iconClicked(aa);
        }
        return true;
    }
    default:
        return false;
    }
}

void ComputerMapWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_background.isNull()) {
        QLinearGradient floor(0, 0, 0, height());
        floor.setColorAt(0, QColor(0xf4, 0xf6, 0xf9));
        floor.setColorAt(1, QColor(0xe2, 0xe7, 0xee));
        p.fillRect(rect(), floor);
        return;
    }
    const QSize size = backgroundSize();
    if (m_scaled.size() != size)
        m_scaled = QPixmap::fromImage(m_background.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    p.drawPixmap(0, 0, m_scaled);
}
