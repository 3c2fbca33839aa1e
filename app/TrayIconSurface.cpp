#include "app/TrayIconSurface.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QWidget>

TrayIconSurface::TrayIconSurface(QSystemTrayIcon &tray, std::function<bool()> trayAvailable)
    : m_tray(tray), m_trayAvailable(std::move(trayAvailable)) {}

bool TrayIconSurface::CanShowBalloons() const {
    return m_tray.isVisible() && m_trayAvailable() && QSystemTrayIcon::supportsMessages();
}

void TrayIconSurface::PutBalloon(const QString &title, const QString &text, BalloonKind kind,
                                 unsigned delayMs) {
    if (title.isEmpty() && text.isEmpty()) {
        // Take down the balloon Qt draws itself at an embedded tray icon. Balloons that a
        // desktop notification service shows carry their own time-out and are not sent
        // an empty replacement, which such a service would show as a balloon of its own.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && qstrcmp(w->metaObject()->className(), "QBalloonTip") == 0)
                w->close();
        return;
    }
    QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::NoIcon;
    switch (kind) {
    case BalloonKind::Error:
        icon = QSystemTrayIcon::Critical;
        break;
    case BalloonKind::Information:
        icon = QSystemTrayIcon::Information;
        break;
    case BalloonKind::Warning:
        icon = QSystemTrayIcon::Warning;
        break;
    case BalloonKind::None:
        break;
    }
    m_tray.showMessage(title, text, icon, int(delayMs));
}
