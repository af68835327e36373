#include "console/WindowPlacement.h"

#include <limits>
#include <tuple>

namespace {

constexpr int Gap = 8;

qint64 pixels(const QRect &r) { return r.isEmpty() ? 0 : qint64(r.width()) * r.height(); }

qint64 overlap(const QRect &a, const QList<QRect> &rects)
{
    qint64 sum = 0;
    for (const QRect &r : rects)
        sum += pixels(a.intersected(r));
    return sum;
}

// Kept inside the screen; a window larger than the screen keeps its corner on it.
QPoint inside(QPoint p, QSize size, const QRect &screen)
{
    const int x = qMax(screen.left(), qMin(p.x(), screen.right() + 1 - size.width()));
    const int y = qMax(screen.top(), qMin(p.y(), screen.bottom() + 1 - size.height()));
    return QPoint(x, y);
}

} // namespace

namespace WindowPlacement {

QPoint choose(const Scene &scene, QSize size)
{
    const QRect screen = scene.screen.isValid() ? scene.screen : QRect(QPoint(0, 0), size);
    const QRect area = scene.map.intersected(screen).isValid() ? scene.map.intersected(screen) : screen;

    QList<QPoint> candidates;
    if (scene.near.isValid()) {
        const QRect &n = scene.near;
        candidates << QPoint(n.right() + 1 + Gap, n.top()) << QPoint(n.left() - Gap - size.width(), n.top())
                   << QPoint(n.left(), n.bottom() + 1 + Gap) << QPoint(n.left(), n.top() - Gap - size.height());
    }
    // The edges of the map, the right-hand side first: icons tend to start at the left.
    const int right = area.right() + 1 - size.width() - Gap;
    const int bottom = area.bottom() + 1 - size.height() - Gap;
    const int left = area.left() + Gap;
    const int top = area.top() + Gap;
    candidates << QPoint(right, top) << QPoint(right, bottom) << QPoint(left, bottom) << QPoint(left, top);
    // Any hole between the icons when every edge is taken.
    const int step = qMax(16, qMin(size.width(), size.height()) / 8);
    for (int y = screen.top(); y <= screen.bottom(); y += step)
        for (int x = screen.left(); x <= screen.right(); x += step)
            candidates << QPoint(x, y);

    const QPoint target = scene.near.isValid() ? scene.near.center() : QPoint();
    QPoint best;
    constexpr qint64 worst = std::numeric_limits<qint64>::max();
    auto bestScore = std::make_tuple(worst, worst, worst, worst, worst);
    for (const QPoint &c : candidates) {
        const QRect r(inside(c, size, screen), size);
        const qint64 distance = scene.near.isValid() ? (r.center() - target).manhattanLength() : 0;
        const qint64 offMap = scene.map.isValid() ? pixels(r) - pixels(r.intersected(scene.map)) : 0;
        const auto score = std::make_tuple(overlap(r, scene.questions), overlap(r, scene.inSight), offMap,
                                           overlap(r, scene.openers), distance);
        if (score < bestScore) {
            bestScore = score;
            best = r.topLeft();
        }
    }
    return best;
}

} // namespace WindowPlacement
