#include "import/SocketAddress.h"
#include "import/SqlBrowser.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

std::vector<QByteArray> ResolveHost(const QByteArray &host, quint16 port) {
    return AddressesOf(host, port);
}

std::optional<QByteArray> ExchangeDatagram(const std::vector<QByteArray> &addresses,
                                           const QByteArray &request, QDeadlineTimer deadline,
                                           QString *failure) {
    // One socket per address of the host, all asked at once.
    struct Target {
        int socket;
        sockaddr_storage address;
        socklen_t length;
    };
    std::vector<Target> targets;
    int socketError = 0;
    for (const QByteArray &bytes : addresses) {
        Target t{-1, {}, 0};
        if (!ToSocketAddress(bytes, t.address, t.length))
            continue;
        t.socket = socket(t.address.ss_family, SOCK_DGRAM, 0);
        if (t.socket < 0)
            socketError = errno;
        else
            targets.push_back(t);
    }
    // Without a socket nothing can come: no waiting for the deadline.
    if (targets.empty()) {
        *failure = socketError != 0
                       ? QStringLiteral("no socket can be made (%1)").arg(ErrorText(socketError))
                       : QStringLiteral("the name has no IPv4 or IPv6 address");
        return std::nullopt;
    }

    std::optional<QByteArray> reply;
    QDeadlineTimer resend(0);
    while (!reply && !deadline.hasExpired() && !targets.empty()) {
        if (resend.hasExpired()) {
            for (const Target &t : targets)
                sendto(t.socket, request.constData(), size_t(request.size()), 0,
                       reinterpret_cast<const sockaddr *>(&t.address), t.length);
            resend.setRemainingTime(1000);
        }
        std::vector<pollfd> fds;
        for (const Target &t : targets)
            fds.push_back({t.socket, POLLIN, 0});
        const qint64 wait = deadline.isForever()
                                ? resend.remainingTime()
                                : qMin(deadline.remainingTime(), resend.remainingTime());
        const int ready = poll(fds.data(), fds.size(), int(qMax<qint64>(wait, 0)));
        if (ready < 0 && errno != EINTR) {
            *failure = QStringLiteral("waiting for the reply failed (%1)").arg(ErrorText(errno));
            break;
        }
        for (size_t i = fds.size(); ready > 0 && !reply && i-- > 0;) {
            if (fds[i].revents & POLLIN) {
                char buffer[4096];
                sockaddr_storage from = {};
                socklen_t fromLength = sizeof from;
                const ssize_t got = recvfrom(fds[i].fd, buffer, sizeof buffer, 0,
                                             reinterpret_cast<sockaddr *>(&from), &fromLength);
                if (got > 0 && FromAskedHost(from, addresses))
                    reply = QByteArray(buffer, qsizetype(got));
            } else if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                // A socket that only reports an error would end every wait at once.
                close(targets[i].socket);
                targets.erase(targets.begin() + qsizetype(i));
            }
        }
    }
    if (!reply && targets.empty() && failure->isEmpty())
        *failure = QStringLiteral("every socket failed");
    for (const Target &t : targets)
        close(t.socket);
    return reply;
}
