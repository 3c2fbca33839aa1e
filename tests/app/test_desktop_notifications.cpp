#include "app/DesktopNotifications_dbus.h"
#include "settings/StoredValues.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <vector>

// Readable failures.
void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

enum class Service { Answers, Errs, Silent, CannotStart };

// The desktop's side: records what it is asked, numbers notifications as desktops do (a
// replacement keeps its number) and can be dismissed as a user would.
class FakeNotificationService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString method;
        uint id = 0; // given out by Notify, or the one closed
        QString app, icon, summary, body;
        uint replaces = 0;
        QVariantMap hints;
        int timeout = 0;
        qint64 atMs = 0;
    };
    explicit FakeNotificationService(QDBusConnection bus) : m_bus(std::move(bus)) { clock.start(); }
    void Dismiss(uint id) {
        m_bus.send(QDBusMessage::createSignal(kPath, kService, QStringLiteral("NotificationClosed"))
                   << id << 2u);
    }
    std::vector<Call> calls;
    QStringList capabilities;
    QElapsedTimer clock;
    QMutex lock; // for calls: the service has a thread of its own
    Service answer = Service::Answers;

public slots:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary,
                const QString &body, const QStringList &, const QVariantMap &hints, int timeout) {
        const uint id = answer != Service::Answers ? 0 : replaces != 0 ? replaces : ++m_lastId;
        const QMutexLocker locked(&lock);
        calls.push_back({QStringLiteral("Notify"), id, app, icon, summary, body, replaces, hints,
                         timeout, clock.elapsed()});
        setDelayedReply(answer == Service::Silent);
        if (answer == Service::Errs)
            sendErrorReply(QDBusError::Failed, QStringLiteral("no display"));
        return id;
    }
    void CloseNotification(uint id) {
        const QMutexLocker locked(&lock);
        calls.push_back({QStringLiteral("Close"), id, {}, {}, {}, {}, 0, {}, 0, clock.elapsed()});
    }
    QStringList GetCapabilities() { return capabilities; }

private:
    QDBusConnection m_bus;
    uint m_lastId = 40;
};

class RecordingSurface : public IBalloonSurface {
public:
    bool CanShowBalloons() const override { return true; }
    void PutBalloon(const QString &title, const QString &text, BalloonKind,
                    unsigned delayMs) override {
        calls.push_back(title + u'|' + text + u'|' + QString::number(delayMs));
    }
    std::vector<QString> calls;
};

// A private session bus of the tests' own, so that no desktop's service answers.
class PrivateBus {
public:
    PrivateBus() {
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(QStringLiteral("<busconfig><type>session</type>"
                                    "<listen>unix:dir=%1</listen><servicedir>%1</servicedir>"
                                    "<auth>EXTERNAL</auth>"
                                    "<policy context=\"default\"><allow send_destination=\"*\"/>"
                                    "<allow receive_sender=\"*\"/>"
                                    "<allow own=\"*\"/></policy></busconfig>")
                         .arg(m_dir.path())
                         .toUtf8());
        config.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                        QStringLiteral("--config-file=") + config.fileName()});
        while (m_daemon.waitForReadyRead(5000) && !m_daemon.canReadLine()) {
        }
        address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    QString address;
    QTemporaryDir m_dir;

private:
    QProcess m_daemon;
};

QString Render(const FakeNotificationService::Call &c);

struct DesktopNotificationsTest : ::testing::Test {
    static void SetUpTestSuite() { bus = new PrivateBus; }
    static void TearDownTestSuite() {
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
        delete bus;
    }
    void SetUp() override {
        ASSERT_FALSE(bus->address.isEmpty()) << "dbus-daemon did not start";
        auto tray = std::make_unique<RecordingSurface>();
        fallback = tray.get();
        surface = std::make_unique<DesktopNotificationSurface>(
            QDBusConnection::connectToBus(bus->address, QStringLiteral("client")), std::move(tray));
        notifier = std::make_unique<TrayNotifier>(values, *surface);
    }
    void TearDown() override {
        notifier.reset();
        surface.reset();
        if (service) {
            desktop.unregisterService(kService);
            desktop.unregisterObject(kPath);
        }
        thread.quit();
        thread.wait();
        QFile::remove(bus->m_dir.filePath(QStringLiteral("n.service")));
        desktop.interface()->call(QStringLiteral("ReloadConfig"));
    }
    void StartService(QStringList capabilities, Service answer = Service::Answers) {
        service = std::make_unique<FakeNotificationService>(desktop);
        service->capabilities = std::move(capabilities);
        service->answer = answer;
        if (answer == Service::CannotStart) { // installed, and its program fails to start
            QFile f(bus->m_dir.filePath(QStringLiteral("n.service")));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("[D-BUS Service]\nName=org.freedesktop.Notifications\nExec=/bin/false\n");
            f.close();
            desktop.interface()->call(QStringLiteral("ReloadConfig"));
            return;
        }
        service->moveToThread(&thread);
        thread.start();
        ASSERT_TRUE(desktop.registerObject(kPath, service.get(), QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(desktop.registerService(kService));
    }
    // What the service was asked (Render), then the balloons of the tray icon.
    std::vector<QString> Seen() {
        const QMutexLocker locked(&service->lock);
        std::vector<QString> seen;
        for (const auto &call : service->calls)
            seen.push_back(Render(call));
        for (const QString &balloon : fallback->calls)
            if (!balloon.startsWith(u"||")) // take-downs aside
                seen.push_back(QStringLiteral("Tray ") + balloon);
        return seen;
    }
    // Waits until the service has been called and the tray icon used `count` times in all;
    // `busy`: without handling events, as while an import run holds the thread.
    bool AwaitCalls(std::size_t count, int timeoutMs, bool busy = false) {
        for (QDeadlineTimer t(timeoutMs); Seen().size() < count && !t.hasExpired();)
            busy ? QThread::msleep(5) : QTest::qWait(5);
        return Seen().size() >= count;
    }

    static PrivateBus *bus;
    QDBusConnection desktop = QDBusConnection::connectToBus(bus->address, "desktop");
    StoredValueTable values;
    RecordingSurface *fallback = nullptr;
    std::unique_ptr<DesktopNotificationSurface> surface;
    std::unique_ptr<TrayNotifier> notifier;
    QThread thread;
    std::unique_ptr<FakeNotificationService> service;
};
PrivateBus *DesktopNotificationsTest::bus = nullptr;

enum class Step { Information, Error, UserDismisses, TakenDown, AtTray, ServiceStarts };

struct Case {
    const char *name;
    bool bodyMarkup;
    std::vector<std::pair<Step, QString>> steps;
    // What the desktop is asked: "Notify <replaces> <id> <summary>|<body>|<timeout>" or
    // "Close <id>".
    // Then "Tray <title>|<text>|<delay>" for each balloon of the tray icon.
    std::vector<QString> expected;
    Service service = Service::Answers;
};

QString Render(const FakeNotificationService::Call &c) {
    if (c.method == QStringLiteral("Close"))
        return QStringLiteral("Close %1").arg(c.id);
    return QStringLiteral("Notify %1 %2 %3|%4|%5")
        .arg(c.replaces)
        .arg(c.id)
        .arg(c.summary, c.body)
        .arg(c.timeout);
}

} // namespace

TEST_F(DesktopNotificationsTest, CallsToTheDesktop) {
    const QString raw = QStringLiteral("Login failed for user 'sa' <TH7> & more");
    const QString starting = QStringLiteral("Information|Starting download|3000");
    std::vector<Case> cases = {
        {"an error replaces the information and goes after 5 s",
         true,
         {{Step::Information, QStringLiteral("Starting download")},
          {Step::Error, raw},
          {Step::TakenDown, {}}},
         {QStringLiteral("Notify 0 41 Information|Starting download|3000"),
          QStringLiteral(
              "Notify 41 41 Error|Login failed for user 'sa' &lt;TH7&gt; &amp; more|5000"),
          QStringLiteral("Close 41")}},
        {"information goes after 3 s; the next one is new",
         false,
         {{Step::Information, QStringLiteral("Starting download")},
          {Step::TakenDown, {}},
          {Step::Error, raw}},
         {QStringLiteral("Notify 0 41 Information|Starting download|3000"),
          QStringLiteral("Close 41"), QStringLiteral("Notify 0 42 Error|") + raw + "|5000"}},
        {"one the user dismissed is not replaced",
         false,
         {{Step::Information, QStringLiteral("Starting download")},
          {Step::UserDismisses, {}},
          {Step::Information, QStringLiteral("Download finished")}},
         {QStringLiteral("Notify 0 41 Information|Starting download|3000"),
          QStringLiteral("Notify 0 42 Information|Download finished|3000")}},
    };
    for (const Service broken : {Service::Errs, Service::Silent})
        cases.push_back({"a failing service: the same balloon at the tray icon, then only there",
                         false,
                         {{Step::Information, QStringLiteral("Starting download")},
                          {Step::AtTray, {}},
                          {Step::Error, raw}},
                         {QStringLiteral("Notify 0 0 ") + starting, "Tray " + starting,
                          "Tray Error|" + raw + "|5000"},
                         broken});
    cases.push_back({"a service that cannot start is left until it appears",
                     false,
                     {{Step::Information, QStringLiteral("Starting download")},
                      {Step::ServiceStarts, {}},
                      {Step::Error, raw}},
                     {"Notify 0 41 Error|" + raw + "|5000", "Tray " + starting},
                     Service::CannotStart});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        StartService(c.bodyMarkup
                         ? QStringList{QStringLiteral("body"), QStringLiteral("body-markup")}
                         : QStringList{QStringLiteral("body")},
                     c.service);
        SetUp(); // finds the service at start
        ASSERT_TRUE(surface->ServiceAvailable());
        std::size_t seen = 0;
        for (const auto &[step, text] : c.steps) {
            switch (step) {
            case Step::Information:
                notifier->ShowInformationNotification(text);
                ASSERT_TRUE(AwaitCalls(++seen, 2000, thread.isRunning()))
                    << "a service on the bus has it while the thread is busy";
                break;
            case Step::Error:
                notifier->ShowErrorNotification(text);
                ASSERT_TRUE(AwaitCalls(++seen, 2000));
                break;
            case Step::UserDismisses:
                service->Dismiss(service->calls.back().id);
                QTest::qWait(150);
                break;
            case Step::TakenDown:
            case Step::AtTray:
                ASSERT_TRUE(AwaitCalls(++seen, 7000));
                break;
            case Step::ServiceStarts:
                StartService({QStringLiteral("body")});
                ASSERT_TRUE(QTest::qWaitFor([&] { return surface->ServiceAvailable(); }, 2000));
                break;
            }
            QTest::qWait(50); // the program has the service's answer before the next step
        }
        QTest::qWait(100); // nothing more follows
        EXPECT_EQ(Seen(), c.expected);
        const QMutexLocker locked(&service->lock);

        for (const auto &call : service->calls) {
            if (call.method == QStringLiteral("Close")) {
                // Taken down after the time of the notification it closes.
                const auto shown = std::find_if(service->calls.rbegin(), service->calls.rend(),
                                                [&](const auto &n) {
                                                    return n.method == QStringLiteral("Notify") &&
                                                           n.id == call.id && n.atMs <= call.atMs;
                                                });
                ASSERT_NE(shown, service->calls.rend());
                EXPECT_GE(call.atMs - shown->atMs, shown->timeout - 50)
                    << Render(call).toStdString();
                EXPECT_LE(call.atMs - shown->atMs, shown->timeout + 1000)
                    << Render(call).toStdString();
                continue;
            }
            EXPECT_EQ(call.app, QStringLiteral("VantrelImport"));
            EXPECT_EQ(call.icon, QStringLiteral("vantrelimport"));
            EXPECT_EQ(call.hints.value(QStringLiteral("desktop-entry")).toString(),
                      QStringLiteral("vantrelimport"));
            const QVariant urgency = call.hints.value(QStringLiteral("urgency"));
            EXPECT_EQ(urgency.metaType(), QMetaType::fromType<uchar>());
            EXPECT_EQ(urgency.value<uchar>(), 1) << "normal urgency, errors included";
            const auto image =
                call.hints.value(QStringLiteral("image-data")).value<QDBusArgument>();
            int w = 0, h = 0, stride = 0, bits = 0, channels = 0;
            bool alpha = false;
            QByteArray data;
            image.beginStructure();
            image >> w >> h >> stride >> alpha >> bits >> channels >> data;
            image.endStructure();
            EXPECT_EQ(w, 48);
            EXPECT_EQ(h, 48);
            EXPECT_TRUE(alpha);
            EXPECT_EQ(channels, 4);
            EXPECT_EQ(data.size(), stride * h);
            EXPECT_NE(data.count('\0'), data.size()) << "the program's picture, not an empty one";
        }
    }
}

TEST_F(DesktopNotificationsTest, TrayBalloonsUntilTheServiceComes) {
    EXPECT_FALSE(surface->ServiceAvailable());
    EXPECT_FALSE(surface->ReplacesInPlace());
    notifier->ShowInformationNotification(QStringLiteral("Starting download"));
    EXPECT_EQ(fallback->calls.back(), QStringLiteral("Information|Starting download|3000"));

    // A program started with the session may be there before the desktop's service.
    StartService({QStringLiteral("body")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return surface->ServiceAvailable(); }, 2000));
    fallback->calls.clear();
    notifier->ShowErrorNotification(QStringLiteral("Login failed"));
    ASSERT_TRUE(AwaitCalls(1, 2000));
    EXPECT_EQ(Render(service->calls[0]), QStringLiteral("Notify 0 41 Error|Login failed|5000"));
    // The tray balloon shown before is taken down.
    ASSERT_FALSE(fallback->calls.empty());
    for (const QString &c : fallback->calls)
        EXPECT_TRUE(c.startsWith(u"||")) << c.toStdString();
}

#include "test_desktop_notifications.moc"
