#pragma once
// The SQL Server Browser service (UDP port 1434) tells the TCP port of a named instance. Asked
// here for drivers that cannot ask it within the login time-out themselves.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <optional>
#include <vector>

struct BrowserAnswer {
    quint16 port = 0; // the instance's TCP port; 0 when there is none
    QString failure;  // why there is no port
};

// Asks the browser on host for the port of instance, waiting at most until deadline, the
// resolving of the host's name included.
BrowserAnswer AskSqlBrowser(const QString &host, const QString &instance, QDeadlineTimer deadline);

// The browser's UDP port: 1434, another one for a browser of the tests.
quint16 SqlBrowserPort();
void SetSqlBrowserPort(quint16 port);

// The request for one instance (CLNT_UCAST_INST) and the TCP port in a reply (SVR_RESP).
QByteArray BrowserRequest(const QString &instance);
std::optional<quint16> PortInBrowserReply(const QByteArray &reply, const QString &instance);

// The UDP addresses of a host, each the bytes of a sockaddr_in or sockaddr_in6 with port in it;
// none when the name is not known. May block for long (a slow name server): it runs on a thread
// of its own, which is left to finish alone when the deadline comes first.
using HostResolver = std::vector<QByteArray> (*)(const QByteArray &host, quint16 port);
std::vector<QByteArray> ResolveHost(const QByteArray &host, quint16 port); // getaddrinfo()
// Another resolver for the tests; nullptr restores ResolveHost.
void SetHostResolver(HostResolver resolver);

// One datagram to each address, sent again every second as it may be lost, and the first reply
// that comes from one of them; other senders are not listened to. Nothing once the deadline
// has passed, or at once, with *failure set, when no address can be asked.
std::optional<QByteArray> ExchangeDatagram(const std::vector<QByteArray> &addresses,
                                           const QByteArray &request, QDeadlineTimer deadline,
                                           QString *failure);
