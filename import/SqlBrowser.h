#pragma once
// The SQL Server Browser service (UDP port 1434) tells the TCP port of a named instance. Asked
// here for drivers that cannot ask it within the login time-out themselves.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <optional>

struct BrowserAnswer {
    quint16 port = 0; // the instance's TCP port; 0 when there is none
    QString failure;  // why there is no port
};

// Asks the browser on host for the port of instance, waiting at most until deadline.
BrowserAnswer AskSqlBrowser(const QString &host, const QString &instance, QDeadlineTimer deadline);

// The browser's UDP port: 1434, another one for a browser of the tests.
quint16 SqlBrowserPort();
void SetSqlBrowserPort(quint16 port);

// The request for one instance (CLNT_UCAST_INST) and the TCP port in a reply (SVR_RESP).
QByteArray BrowserRequest(const QString &instance);
std::optional<quint16> PortInBrowserReply(const QByteArray &reply, const QString &instance);

// One datagram to host:port and the first reply, or nothing once the deadline has passed.
// The request is sent again every second, as the datagram may be lost.
std::optional<QByteArray> ExchangeDatagram(const QString &host, quint16 port,
                                           const QByteArray &request, QDeadlineTimer deadline);
