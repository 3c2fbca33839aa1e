#pragma once
// Balloons at the program's QSystemTrayIcon.

#include "app/TrayNotifier.h"

#include <functional>

class QSystemTrayIcon;

class TrayIconSurface : public IBalloonSurface {
public:
    // trayAvailable tells whether the desktop has a notification area right now.
    TrayIconSurface(QSystemTrayIcon &tray, std::function<bool()> trayAvailable);

    bool CanShowBalloons() const override;
    void PutBalloon(const QString &title, const QString &text, BalloonKind kind,
                    unsigned delayMs) override;

private:
    QSystemTrayIcon &m_tray;
    std::function<bool()> m_trayAvailable;
};
