#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window opens so that the operator can still reach the computers
// and the menus: clear of them and of an open question, on the map rather
// than past the main window's edge, beside what it concerns (a computer, or
// the window it was opened from, which it leaves uncovered), else at the
// edge of the map.
namespace WindowPlacement {

struct Scene
{
    QRect screen;           // the window must lie inside it
    QRect map;              // the part of the map on the screen; preferred
    QList<QRect> inSight;   // every computer's icon with its name, the menu bar and the toolbar
    QList<QRect> questions; // open questions; covering one is the worst
    QList<QRect> openers;   // the window it was opened from, left uncovered where there is room
    QRect near;             // what the window concerns; null for none
};

// The top-left corner for a window whose frame is this size.
QPoint choose(const Scene &scene, QSize size);

} // namespace WindowPlacement
