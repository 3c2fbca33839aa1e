#pragma once
// Balloons as freedesktop notifications. Qt's own route through the same service stacks them
// (it never replaces one), leaves their duration to the desktop and sends errors as critical,
// which the desktop keeps until the user dismisses them. Here each balloon replaces the one
// before it, every one goes away when the notifier takes it down, and all use normal urgency.
// Calls are asynchronous: a notification service that hangs must not stop the program.

#include "app/TrayNotifier.h"

#include <QDBusConnection>
#include <QObject>

#include <memory>
#include <optional>

class DesktopNotificationSurface : public QObject, public IBalloonSurface {
    Q_OBJECT
public:
    // Balloons go to `fallback` while `bus` has no notification service.
    DesktopNotificationSurface(QDBusConnection bus, std::unique_ptr<IBalloonSurface> fallback,
                               QObject *parent = nullptr);

    bool ServiceAvailable() const;

    bool CanShowBalloons() const override;
    bool ReplacesInPlace() const override;
    void PutBalloon(const QString &title, const QString &text, BalloonKind kind,
                    unsigned delayMs) override;

private slots:
    void NotificationClosed(uint id, uint reason);

private:
    struct Request {
        bool close = false;
        QString title, text;
        unsigned delayMs = 0;
    };
    void Pump();
    void AskCapabilities();
    void Notify(const Request &r);

    QDBusConnection m_bus;
    std::unique_ptr<IBalloonSurface> m_fallback;
    bool m_activatable = false;
    // The service's number of the notification on screen, 0 for none.
    uint m_id = 0;
    // A call whose answer the next one needs is under way.
    bool m_waiting = false;
    std::optional<bool> m_bodyMarkup;
    // The last balloon went to the tray icon and is still up.
    bool m_fallbackShown = false;
    // Only the latest request matters: a newer one replaces it.
    std::optional<Request> m_next;
};
