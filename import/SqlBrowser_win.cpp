#include "import/SqlBrowser.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <vector>

std::optional<QByteArray> ExchangeDatagram(const QString &host, quint16 port,
                                           const QByteArray &request, QDeadlineTimer deadline) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return std::nullopt;
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints,
                    &found) != 0) {
        WSACleanup();
        return std::nullopt;
    }
    // One socket per address of the host, all asked at once.
    struct Target {
        SOCKET socket;
        sockaddr_storage address;
        int length;
    };
    std::vector<Target> targets;
    for (const addrinfo *a = found; a != nullptr; a = a->ai_next) {
        const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET)
            continue;
        Target t{s, {}, int(a->ai_addrlen)};
        std::memcpy(&t.address, a->ai_addr, a->ai_addrlen);
        targets.push_back(t);
    }
    freeaddrinfo(found);

    std::optional<QByteArray> reply;
    QDeadlineTimer resend(0);
    while (!reply && !deadline.hasExpired()) {
        if (resend.hasExpired()) {
            for (const Target &t : targets)
                sendto(t.socket, request.constData(), int(request.size()), 0,
                       reinterpret_cast<const sockaddr *>(&t.address), t.length);
            resend.setRemainingTime(1000);
        }
        std::vector<WSAPOLLFD> fds;
        for (const Target &t : targets)
            fds.push_back({t.socket, POLLRDNORM, 0});
        const qint64 wait = qMin(deadline.remainingTime(), resend.remainingTime());
        if (fds.empty() || WSAPoll(fds.data(), ULONG(fds.size()), INT(qMax<qint64>(wait, 0))) <= 0)
            continue;
        for (const WSAPOLLFD &fd : fds) {
            if (!(fd.revents & POLLRDNORM))
                continue;
            char buffer[4096];
            const int got = recv(fd.fd, buffer, int(sizeof buffer), 0);
            if (got > 0) {
                reply = QByteArray(buffer, qsizetype(got));
                break;
            }
        }
    }
    for (const Target &t : targets)
        closesocket(t.socket);
    WSACleanup();
    return reply;
}
