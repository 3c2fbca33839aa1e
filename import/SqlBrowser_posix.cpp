#include "import/SqlBrowser.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include <vector>

std::optional<QByteArray> ExchangeDatagram(const QString &host, quint16 port,
                                           const QByteArray &request, QDeadlineTimer deadline) {
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints,
                    &found) != 0)
        return std::nullopt;
    // One socket per address of the host, all asked at once.
    struct Target {
        int socket;
        sockaddr_storage address;
        socklen_t length;
    };
    std::vector<Target> targets;
    for (const addrinfo *a = found; a != nullptr; a = a->ai_next) {
        const int s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s < 0)
            continue;
        Target t{s, {}, socklen_t(a->ai_addrlen)};
        std::memcpy(&t.address, a->ai_addr, a->ai_addrlen);
        targets.push_back(t);
    }
    freeaddrinfo(found);

    std::optional<QByteArray> reply;
    QDeadlineTimer resend(0);
    while (!reply && !deadline.hasExpired()) {
        if (resend.hasExpired()) {
            for (const Target &t : targets)
                sendto(t.socket, request.constData(), size_t(request.size()), 0,
                       reinterpret_cast<const sockaddr *>(&t.address), t.length);
            resend.setRemainingTime(1000);
        }
        std::vector<pollfd> fds;
        for (const Target &t : targets)
            fds.push_back({t.socket, POLLIN, 0});
        const qint64 wait = qMin(deadline.remainingTime(), resend.remainingTime());
        if (fds.empty() || poll(fds.data(), fds.size(), int(qMax<qint64>(wait, 0))) <= 0)
            continue;
        for (const pollfd &fd : fds) {
            if (!(fd.revents & POLLIN))
                continue;
            char buffer[4096];
            const ssize_t got = recv(fd.fd, buffer, sizeof buffer, 0);
            if (got > 0) {
                reply = QByteArray(buffer, qsizetype(got));
                break;
            }
        }
    }
    for (const Target &t : targets)
        close(t.socket);
    return reply;
}
