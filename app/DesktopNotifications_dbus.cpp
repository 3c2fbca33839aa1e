#include "app/DesktopNotifications_dbus.h"

#include "app/Artwork.h"
#include "app/DesktopNotifications.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QImage>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The name of the installed desktop entry and of the icon in the icon theme.
const QString kDesktopName = QStringLiteral("vantrelimport");
constexpr uchar kUrgencyNormal = 1;

// The "image-data" hint: width, height, row stride, alpha, bits per sample, channels, RGBA bytes.
struct NotificationImage {
    int width = 0, height = 0, stride = 0;
    bool alpha = true;
    int bitsPerSample = 8, channels = 4;
    QByteArray data;
};

QDBusArgument &operator<<(QDBusArgument &a, const NotificationImage &i) {
    a.beginStructure();
    a << i.width << i.height << i.stride << i.alpha << i.bitsPerSample << i.channels << i.data;
    a.endStructure();
    return a;
}

const QDBusArgument &operator>>(const QDBusArgument &a, NotificationImage &i) {
    a.beginStructure();
    a >> i.width >> i.height >> i.stride >> i.alpha >> i.bitsPerSample >> i.channels >> i.data;
    a.endStructure();
    return a;
}

} // namespace

Q_DECLARE_METATYPE(NotificationImage)

namespace {

NotificationImage ProgramImage() {
    static const NotificationImage image = [] {
        const QImage img = ProgramIconImage(48).convertToFormat(QImage::Format_RGBA8888);
        NotificationImage i;
        i.width = img.width();
        i.height = img.height();
        i.stride = int(img.bytesPerLine());
        i.data = QByteArray(reinterpret_cast<const char *>(img.constBits()),
                            qsizetype(img.sizeInBytes()));
        return i;
    }();
    return image;
}

} // namespace

DesktopNotificationSurface::DesktopNotificationSurface(QDBusConnection bus,
                                                       std::unique_ptr<IBalloonSurface> fallback,
                                                       QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_fallback(std::move(fallback)) {
    qDBusRegisterMetaType<NotificationImage>();
    if (!m_bus.isConnected())
        return;
    // A service the bus starts on the first call counts as there.
    if (QDBusConnectionInterface *bi = m_bus.interface()) {
        const QDBusReply<QStringList> names = bi->activatableServiceNames();
        m_activatable = names.isValid() && names.value().contains(kService);
    }
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(NotificationClosed(uint, uint)));
}

bool DesktopNotificationSurface::ServiceAvailable() const {
    if (!m_bus.isConnected())
        return false;
    if (m_activatable)
        return true;
    QDBusConnectionInterface *bi = m_bus.interface();
    return bi && bi->isServiceRegistered(kService).value();
}

bool DesktopNotificationSurface::CanShowBalloons() const {
    // The desktop shows its notifications with or without a notification area.
    return ServiceAvailable() || m_fallback->CanShowBalloons();
}

bool DesktopNotificationSurface::ReplacesInPlace() const {
    return ServiceAvailable();
}

void DesktopNotificationSurface::PutBalloon(const QString &title, const QString &text,
                                            BalloonKind kind, unsigned delayMs) {
    if (title.isEmpty() && text.isEmpty()) {
        m_fallback->PutBalloon(title, text, kind, delayMs);
        m_fallbackShown = false;
        if (m_id != 0 || m_waiting || m_next) {
            m_next = Request{true, {}, {}, 0};
            Pump();
        }
        return;
    }
    if (!ServiceAvailable()) {
        m_fallback->PutBalloon(title, text, kind, delayMs);
        m_fallbackShown = true;
        return;
    }
    if (m_fallbackShown) {
        // Drawn by the tray icon before the service came: nothing the new one could replace.
        m_fallback->PutBalloon(QString(), QString(), BalloonKind::None, 5000);
        m_fallbackShown = false;
    }
    m_next = Request{false, title, text, delayMs};
    Pump();
}

void DesktopNotificationSurface::Pump() {
    if (m_waiting || !m_next)
        return;
    if (m_next->close) {
        m_next.reset();
        if (m_id == 0)
            return;
        m_bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("CloseNotification"))
                        << m_id);
        m_id = 0;
        return;
    }
    if (!m_bodyMarkup) {
        AskCapabilities();
        return;
    }
    const Request r = *m_next;
    m_next.reset();
    Notify(r);
}

void DesktopNotificationSurface::AskCapabilities() {
    m_waiting = true;
    auto *w = new QDBusPendingCallWatcher(
        m_bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("GetCapabilities"))),
        this);
    connect(w, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        m_bodyMarkup = !reply.isError() && reply.value().contains(QStringLiteral("body-markup"));
        m_waiting = false;
        Pump();
    });
}

void DesktopNotificationSurface::Notify(const Request &r) {
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kUrgencyNormal));
    hints.insert(QStringLiteral("desktop-entry"), kDesktopName);
    hints.insert(QStringLiteral("image-data"), QVariant::fromValue(ProgramImage()));
    // Messages from the databases may hold '<' and '&', which a markup body would swallow.
    const QString body = *m_bodyMarkup ? r.text.toHtmlEscaped() : r.text;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("VantrelImport") << m_id << kDesktopName << r.title << body
         << QStringList() << hints << int(r.delayMs);

    m_waiting = true;
    auto *w = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(w, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        m_id = reply.isError() ? 0 : reply.value();
        m_waiting = false;
        Pump();
    });
}

void DesktopNotificationSurface::NotificationClosed(uint id, uint) {
    // Gone by the desktop's or the user's doing: the next one is a new notification.
    if (id == m_id)
        m_id = 0;
}

std::unique_ptr<IBalloonSurface> WithDesktopNotifications(std::unique_ptr<IBalloonSurface> tray) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return tray;
    return std::make_unique<DesktopNotificationSurface>(bus, std::move(tray));
}
