#pragma once
// Fixed positions with anchors: a control is placed at its design rectangle, and the edges it
// is anchored to keep their distance from the same edges of its parent when the parent's size
// differs from the design size (a resized window, or a page that the style makes larger).

#include <QObject>
#include <QRect>
#include <QSize>

class QWidget;

enum Anchor { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
inline constexpr int akLeftTop = akLeft | akTop;
inline constexpr int akLeftTopRight = akLeft | akTop | akRight;
inline constexpr int akAll = akLeft | akTop | akRight | akBottom;

// parentDesign: the parent's client size that the design rectangle refers to.
void PlaceAnchored(QWidget *control, const QRect &design, int anchors, const QSize &parentDesign);

// Where a control goes for a given parent size.
QRect AnchoredRect(const QRect &design, int anchors, const QSize &parentDesign,
                   const QSize &parentNow);
