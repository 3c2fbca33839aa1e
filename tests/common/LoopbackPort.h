#pragma once
// Tests that must fail to reach a server use a loopback port that nothing listens on.

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

// A loopback port that nothing listens on, checked by trying it; 0 when none was found.
inline quint16 ClosedLoopbackPort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = server.serverPort();
    server.close();
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    return probe.waitForConnected(2000) ? 0 : port;
}
