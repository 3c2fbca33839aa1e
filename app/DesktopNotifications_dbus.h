#pragma once
// Balloons as freedesktop notifications. Qt's own route through the same service stacks them
// (it never replaces one), leaves their duration to the desktop and sends errors as critical,
// which the desktop keeps until the user dismisses them. Here each balloon replaces the one
// before it, every one goes away when the notifier takes it down, and all use normal urgency.
//
// An import run holds the window's thread, so nothing here waits for the event loop: calls go
// out on the bus's own thread at once, and answers that have come are taken in when the next
// balloon is put. A service that answers with an error, or not within a second, has that same
// balloon shown at the tray icon and is not used again until it appears anew on the bus.

#include "app/TrayNotifier.h"

#include <QDBusConnection>
#include <QObject>

#include <memory>
#include <optional>

class QDBusPendingCallWatcher;

class DesktopNotificationSurface : public QObject, public IBalloonSurface {
    Q_OBJECT
public:
    // Balloons go to `fallback` while `bus` has no notification service that works.
    DesktopNotificationSurface(QDBusConnection bus, std::unique_ptr<IBalloonSurface> fallback,
                               QObject *parent = nullptr);

    bool ServiceAvailable() const;

    bool CanShowBalloons() const override;
    bool ReplacesInPlace() const override;
    void PutBalloon(const QString &title, const QString &text, BalloonKind kind,
                    unsigned delayMs) override;

private slots:
    void NotificationClosed(uint id, uint reason);
    void OwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);

private:
    struct Balloon {
        QString title, text;
        BalloonKind kind = BalloonKind::None;
        unsigned delayMs = 0;
    };
    // A Notify call whose answer has not been taken in yet.
    struct Sent {
        QDBusPendingCallWatcher *call = nullptr;
        Balloon balloon;
        // False once a newer balloon or a take-down made this one obsolete.
        bool wanted = true;
    };

    void Appeared(const QString &owner);
    void AskCapabilities();
    void TakeCapabilities();
    void Settle(bool waitForNotify);
    void TakeNotifyAnswer();
    void Failed();
    void Notify(const Balloon &b);
    void ShowAtTray(const Balloon &b);

    QDBusConnection m_bus;
    std::unique_ptr<IBalloonSurface> m_fallback;
    bool m_activatable = false;
    // Unique bus name of the service's owner as last seen, empty while nobody owns the name.
    QString m_owner;
    // The service failed since it last appeared on the bus.
    bool m_failed = false;
    // The service's number of the notification on screen, 0 for none, and who gave it.
    uint m_id = 0;
    QString m_idOwner;
    std::optional<bool> m_bodyMarkup;
    QDBusPendingCallWatcher *m_capabilities = nullptr;
    std::optional<Sent> m_sent;
    // The last balloon went to the tray icon and is still up.
    bool m_fallbackShown = false;
};
