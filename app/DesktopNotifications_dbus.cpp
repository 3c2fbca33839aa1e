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
#include <QDBusServiceWatcher>
#include <QImage>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The name of the installed desktop entry and of the icon in the icon theme.
const QString kDesktopName = QStringLiteral("vantrelimport");
constexpr uchar kUrgencyNormal = 1;
// A service that has not answered within this time is taken for broken.
constexpr int kAnswerMs = 1000;

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
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(NotificationClosed(uint, uint)));
    // Watched before the owner is asked, so that no change falls in between.
    auto *watcher =
        new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &DesktopNotificationSurface::OwnerChanged);
    if (QDBusConnectionInterface *bi = m_bus.interface()) {
        // A service the bus starts on the first call counts as there.
        const QDBusReply<QStringList> names = bi->activatableServiceNames();
        m_activatable = names.isValid() && names.value().contains(kService);
        const QDBusReply<QString> owner = bi->serviceOwner(kService);
        m_owner = owner.isValid() ? owner.value() : QString();
    }
    // Asked now, not at the first balloon: that one may come while a run holds the thread.
    if (ServiceAvailable())
        AskCapabilities();
}

bool DesktopNotificationSurface::ServiceAvailable() const {
    return m_bus.isConnected() && !m_failed && (m_activatable || !m_owner.isEmpty());
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
    // Whatever was sent before is replaced or taken down by this call: it needs no tray balloon.
    if (m_sent)
        m_sent->wanted = false;
    if (title.isEmpty() && text.isEmpty()) {
        m_fallback->PutBalloon(title, text, kind, delayMs);
        m_fallbackShown = false;
        Settle(true);
        if (m_id != 0 && ServiceAvailable())
            m_bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                           QStringLiteral("CloseNotification"))
                            << m_id);
        m_id = 0;
        return;
    }
    const Balloon b{title, text, kind, delayMs};
    Settle(true);
    if (!ServiceAvailable()) {
        ShowAtTray(b);
        return;
    }
    if (m_fallbackShown) {
        // Drawn by the tray icon before the service came: nothing the new one could replace.
        m_fallback->PutBalloon(QString(), QString(), BalloonKind::None, 5000);
        m_fallbackShown = false;
    }
    Notify(b);
}

void DesktopNotificationSurface::OwnerChanged(const QString &, const QString &,
                                              const QString &newOwner) {
    if (newOwner.isEmpty()) {
        // Its notifications went with it.
        m_owner.clear();
        m_id = 0;
    } else if (newOwner != m_owner)
        Appeared(newOwner);
}

void DesktopNotificationSurface::Appeared(const QString &owner) {
    m_owner = owner;
    m_failed = false;
    if (owner != m_idOwner)
        m_id = 0;
    AskCapabilities();
}

void DesktopNotificationSurface::AskCapabilities() {
    if (m_capabilities) {
        m_capabilities->disconnect(this);
        m_capabilities->deleteLater();
    }
    m_capabilities = new QDBusPendingCallWatcher(
        m_bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("GetCapabilities")),
                        kAnswerMs),
        this);
    connect(m_capabilities, &QDBusPendingCallWatcher::finished, this,
            &DesktopNotificationSurface::TakeCapabilities);
}

void DesktopNotificationSurface::TakeCapabilities() {
    QDBusPendingCallWatcher *call = std::exchange(m_capabilities, nullptr);
    call->disconnect(this);
    call->deleteLater();
    const QDBusPendingReply<QStringList> reply = *call;
    if (reply.isError()) {
        // For example an installed service that cannot start (org.freedesktop.DBus.Error.Spawn.*).
        Failed();
        return;
    }
    m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
}

void DesktopNotificationSurface::Settle(bool waitForNotify) {
    // Read on the bus's thread already, whether or not the event loop has delivered them.
    if (m_capabilities && m_capabilities->isFinished())
        TakeCapabilities();
    if (!m_sent)
        return;
    // The next call needs the number of the one before. The wait ends within the call's
    // second, and an answering service has answered long before.
    if (waitForNotify)
        QDBusPendingCall(*m_sent->call).waitForFinished();
    if (m_sent->call->isFinished())
        TakeNotifyAnswer();
}

void DesktopNotificationSurface::TakeNotifyAnswer() {
    const Sent sent = *std::exchange(m_sent, std::nullopt);
    sent.call->disconnect(this);
    sent.call->deleteLater();
    const QDBusPendingReply<uint> reply = *sent.call;
    if (!reply.isError()) {
        m_id = reply.value();
        m_idOwner = reply.reply().service();
        return;
    }
    Failed();
    if (sent.wanted)
        ShowAtTray(sent.balloon);
}

void DesktopNotificationSurface::Failed() {
    m_failed = true;
    m_id = 0;
    // The owner now is the one that failed; a signal still queued about it is no appearance.
    if (QDBusConnectionInterface *bi = m_bus.interface()) {
        const QDBusReply<QString> owner = bi->serviceOwner(kService);
        m_owner = owner.isValid() ? owner.value() : QString();
    }
}

void DesktopNotificationSurface::ShowAtTray(const Balloon &b) {
    if (!m_fallback->CanShowBalloons())
        return;
    m_fallback->PutBalloon(b.title, b.text, b.kind, b.delayMs);
    m_fallbackShown = true;
}

void DesktopNotificationSurface::Notify(const Balloon &b) {
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kUrgencyNormal));
    hints.insert(QStringLiteral("desktop-entry"), kDesktopName);
    hints.insert(QStringLiteral("image-data"), QVariant::fromValue(ProgramImage()));
    // Messages from the databases may hold '<' and '&', which a markup body would swallow.
    // Until the service has told, the text goes as it is.
    const QString body = m_bodyMarkup.value_or(false) ? b.text.toHtmlEscaped() : b.text;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("VantrelImport") << m_id << kDesktopName << b.title << body
         << QStringList() << hints << int(b.delayMs);

    // Queued to the bus's own thread, which sends it at once; the answer is taken in by the
    // next balloon or when the event loop delivers it, whichever comes first.
    m_sent = Sent{new QDBusPendingCallWatcher(m_bus.asyncCall(call, kAnswerMs), this), b};
    connect(m_sent->call, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *call) {
                if (m_sent && m_sent->call == call)
                    TakeNotifyAnswer();
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
