#include "import/SqlBrowser.h"

#include <QStringList>

#include <atomic>
#include <future>
#include <memory>
#include <system_error>
#include <thread>

namespace {

std::atomic<quint16> g_browserPort{1434};
std::atomic<HostResolver> g_resolver{nullptr};

constexpr char kClientUnicastInstance = 0x04;
constexpr char kServerResponse = 0x05;

// The addresses of host, or nothing when they are not known by the deadline. getaddrinfo()
// cannot be given a time-out, so it runs on a thread of its own; one that is late is left to
// finish alone, owning everything it touches (the name, the promise's shared state).
std::optional<std::vector<QByteArray>> ResolveWithin(const QString &host, quint16 port,
                                                     QDeadlineTimer deadline, QString *failure) {
    HostResolver resolver = g_resolver.load();
    if (resolver == nullptr)
        resolver = &ResolveHost;
    auto promise = std::make_shared<std::promise<std::vector<QByteArray>>>();
    std::future<std::vector<QByteArray>> addresses = promise->get_future();
    try {
        std::thread([promise, resolver, name = host.toUtf8(), port] {
            std::vector<QByteArray> found;
            try {
                found = resolver(name, port);
            } catch (...) {
                // No memory: counts as a name without addresses.
            }
            promise->set_value(std::move(found));
        }).detach();
    } catch (const std::system_error &) {
        *failure = QStringLiteral("no thread can be started to resolve the name");
        return std::nullopt;
    }
    const bool ready =
        deadline.isForever()
            ? (addresses.wait(), true)
            : addresses.wait_for(deadline.remainingTimeAsDuration()) == std::future_status::ready;
    if (!ready) {
        *failure = QStringLiteral("the name was not resolved in time");
        return std::nullopt;
    }
    return addresses.get();
}

} // namespace

void SetHostResolver(HostResolver resolver) {
    g_resolver.store(resolver);
}

quint16 SqlBrowserPort() {
    return g_browserPort.load();
}

void SetSqlBrowserPort(quint16 port) {
    g_browserPort.store(port);
}

QByteArray BrowserRequest(const QString &instance) {
    // Instance names are ASCII in practice; the protocol carries them in the client's code page.
    return QByteArray(1, kClientUnicastInstance) + instance.toLocal8Bit() + QByteArray(1, '\0');
}

std::optional<quint16> PortInBrowserReply(const QByteArray &reply, const QString &instance) {
    if (reply.size() < 3 || reply[0] != kServerResponse)
        return std::nullopt;
    const int length = quint8(reply[1]) | (quint8(reply[2]) << 8);
    const QString text = QString::fromLocal8Bit(reply.mid(3, length));
    // "ServerName;H;InstanceName;I;IsClustered;No;Version;V;tcp;1433;np;...;;" per instance.
    for (const QString &record : text.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
        const QStringList fields = record.split(QLatin1Char(';'));
        QString name, port;
        for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
            if (fields[i].compare(QLatin1String("InstanceName"), Qt::CaseInsensitive) == 0)
                name = fields[i + 1];
            else if (fields[i].compare(QLatin1String("tcp"), Qt::CaseInsensitive) == 0)
                port = fields[i + 1];
        }
        if (name.compare(instance, Qt::CaseInsensitive) != 0)
            continue;
        bool ok = false;
        const uint number = port.toUInt(&ok);
        if (ok && number > 0 && number <= 65535)
            return quint16(number);
    }
    return std::nullopt;
}

BrowserAnswer AskSqlBrowser(const QString &host, const QString &instance, QDeadlineTimer deadline) {
    const auto cannotAsk = [&host](const QString &why) {
        return BrowserAnswer{
            0,
            QStringLiteral("The SQL Server Browser on \"%1\" cannot be asked: %2").arg(host, why)};
    };
    QString failure;
    const auto addresses = ResolveWithin(host, SqlBrowserPort(), deadline, &failure);
    if (!addresses)
        return cannotAsk(failure);
    if (addresses->empty())
        return cannotAsk(QStringLiteral("the name is not known"));
    const auto reply = ExchangeDatagram(*addresses, BrowserRequest(instance), deadline, &failure);
    if (!reply && !failure.isEmpty())
        return cannotAsk(failure);
    if (!reply)
        return {0, QStringLiteral("The SQL Server Browser on \"%1\" did not tell the port of the "
                                  "instance \"%2\" in time")
                       .arg(host, instance)};
    const auto port = PortInBrowserReply(*reply, instance);
    if (!port)
        return {0, QStringLiteral("The SQL Server Browser on \"%1\" knows no instance \"%2\" that "
                                  "takes TCP connections")
                       .arg(host, instance)};
    return {*port, QString()};
}
