#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window opens so that the operator can still reach the computers:
// clear of the icons and of an open question, beside the computer it
// concerns, else at the edge of the map.
namespace WindowPlacement {

struct Scene
{
    QRect screen;           // the window must lie inside it
    QRect map;              // the part of the map on the screen; preferred
    QList<QRect> icons;     // every computer's icon with its name
    QList<QRect> questions; // open questions; covering one is the worst
    QRect near;             // the computer the window concerns; null for none
};

// The top-left corner for a window whose frame is this size.
QPoint choose(const Scene &scene, QSize size);

} // namespace WindowPlacement
