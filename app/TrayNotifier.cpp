#include "app/TrayNotifier.h"

#include "i18n/TextLookup.h"
#include "settings/StoredValues.h"

namespace {
constexpr unsigned kShellMinimumMs = 10000;
}

TrayNotifier::TrayNotifier(IStoredValues &values, IBalloonSurface &surface, QObject *parent)
    : QObject(parent), m_values(values), m_surface(surface) {
    hideTimer.setSingleShot(true);
    // A coarse timer may fire 5 % early: 3 s must not become 2.85 s.
    hideTimer.setTimerType(Qt::PreciseTimer);
    connect(&hideTimer, &QTimer::timeout, this, [this] {
        hideTimer.stop();
        HideBalloons();
    });
}

void TrayNotifier::ShowInformationNotification(const QString &text) {
    if (!m_values.ReadStoredValue(QStringLiteral("SysTrayShowInfo")).toBool())
        return;
    ShowBalloon(TextLookup("Information"), text, BalloonKind::Information, 3000, true);
}

void TrayNotifier::ShowErrorNotification(const QString &text) {
    ShowBalloon(TextLookup("Error"), text, BalloonKind::Error, 5000, true);
}

void TrayNotifier::ShowBalloon(const QString &title, const QString &text, BalloonKind kind,
                               unsigned delayMs, bool cancelPrevious) {
    // Without a notification area the texts only reach the log, which the callers fill.
    if (!m_surface.CanShowBalloons())
        return;
    const bool content = !title.isEmpty() || !text.isEmpty();
    if (cancelPrevious && content && m_surface.ReplacesInPlace()) {
        m_shown = 0; // the new balloon takes the old one's place
        hideTimer.stop();
    } else if (cancelPrevious)
        HideBalloons();
    m_surface.PutBalloon(title.left(63), text.left(255), kind, delayMs);
    if (content)
        ++m_shown;
    else if (m_shown > 0)
        --m_shown;
    if (content && delayMs < kShellMinimumMs)
        hideTimer.start(int(delayMs));
}

void TrayNotifier::HideBalloons() {
    const int n = m_shown + 1;
    for (int i = 0; i < n; ++i)
        ShowBalloon(QString(), QString(), BalloonKind::None, 5000, false);
}
