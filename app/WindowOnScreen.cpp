#include "app/WindowOnScreen.h"

#include <algorithm>

QPoint PositionOnScreens(const QRect &frame, const QList<QRect> &screens, qsizetype primary) {
    if (screens.isEmpty())
        return frame.topLeft();
    qsizetype best = -1;
    qint64 bestArea = 0;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QRect common = frame.intersected(screens[i]);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    if (best < 0)
        best = primary >= 0 && primary < screens.size() ? primary : 0;
    const QRect &s = screens[best];
    const int x = std::max(s.left(), std::min(frame.left(), s.right() + 1 - frame.width()));
    const int y = std::max(s.top(), std::min(frame.top(), s.bottom() + 1 - frame.height()));
    return {x, y};
}
