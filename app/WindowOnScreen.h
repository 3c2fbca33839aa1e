#pragma once
// A restored window position from a larger or removed monitor must not leave the window where
// no screen shows it.

#include <QList>
#include <QPoint>
#include <QRect>

// Where a window of the given frame goes: onto the screen that holds most of it, or the primary
// screen when none holds any, moved just far enough to lie inside it; a window larger than
// the screen keeps its top-left corner (and so its title bar) on it. screens are the screens'
// available areas; an empty list leaves the position as it is.
QPoint PositionOnScreens(const QRect &frame, const QList<QRect> &screens, qsizetype primary);
