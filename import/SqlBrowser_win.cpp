#include "import/SocketAddress.h"
#include "import/SqlBrowser.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

namespace {

// Winsock for the length of one scope; started and ended in pairs, as it counts.
class WinsockScope {
public:
    WinsockScope() {
        WSADATA data;
        m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockScope() {
        if (m_started)
            WSACleanup();
    }
    WinsockScope(const WinsockScope &) = delete;
    WinsockScope &operator=(const WinsockScope &) = delete;
    bool Started() const { return m_started; }

private:
    bool m_started = false;
};

} // namespace

std::vector<QByteArray> ResolveHost(const QByteArray &host, quint16 port) {
    const WinsockScope winsock;
    if (!winsock.Started())
        return {};
    return AddressesOf(host, port);
}

std::optional<QByteArray> ExchangeDatagram(const std::vector<QByteArray> &addresses,
                                           const QByteArray &request, QDeadlineTimer deadline,
                                           QString *failure) {
    const WinsockScope winsock;
    if (!winsock.Started()) {
        *failure = QStringLiteral("Winsock cannot be started");
        return std::nullopt;
    }
    // One socket per address of the host, all asked at once.
    struct Target {
        SOCKET socket;
        sockaddr_storage address;
        int length;
    };
    std::vector<Target> targets;
    int socketError = 0;
    for (const QByteArray &bytes : addresses) {
        Target t{INVALID_SOCKET, {}, 0};
        if (!ToSocketAddress(bytes, t.address, t.length))
            continue;
        t.socket = socket(t.address.ss_family, SOCK_DGRAM, 0);
        if (t.socket == INVALID_SOCKET)
            socketError = WSAGetLastError();
        else
            targets.push_back(t);
    }
    // Without a socket nothing can come: no waiting for the deadline.
    if (targets.empty()) {
        *failure = socketError != 0
                       ? QStringLiteral("no socket can be made (error %1)").arg(socketError)
                       : QStringLiteral("the name has no IPv4 or IPv6 address");
        return std::nullopt;
    }

    std::optional<QByteArray> reply;
    QDeadlineTimer resend(0);
    while (!reply && !deadline.hasExpired() && !targets.empty()) {
        if (resend.hasExpired()) {
            for (const Target &t : targets)
                sendto(t.socket, request.constData(), int(request.size()), 0,
                       reinterpret_cast<const sockaddr *>(&t.address), t.length);
            resend.setRemainingTime(1000);
        }
        std::vector<WSAPOLLFD> fds;
        for (const Target &t : targets)
            fds.push_back({t.socket, POLLRDNORM, 0});
        const qint64 wait = deadline.isForever()
                                ? resend.remainingTime()
                                : qMin(deadline.remainingTime(), resend.remainingTime());
        const int ready = WSAPoll(fds.data(), ULONG(fds.size()), INT(qMax<qint64>(wait, 0)));
        if (ready == SOCKET_ERROR) {
            *failure =
                QStringLiteral("waiting for the reply failed (error %1)").arg(WSAGetLastError());
            break;
        }
        for (size_t i = fds.size(); ready > 0 && !reply && i-- > 0;) {
            if (fds[i].revents & POLLRDNORM) {
                // An ICMP "port unreachable" comes here as a failed read, and is gone with it.
                char buffer[4096];
                sockaddr_storage from = {};
                int fromLength = int(sizeof from);
                const int got = recvfrom(fds[i].fd, buffer, int(sizeof buffer), 0,
                                         reinterpret_cast<sockaddr *>(&from), &fromLength);
                if (got > 0 && FromAskedHost(from, addresses))
                    reply = QByteArray(buffer, qsizetype(got));
            } else if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                // A socket that only reports an error would end every wait at once.
                closesocket(targets[i].socket);
                targets.erase(targets.begin() + qsizetype(i));
            }
        }
    }
    if (!reply && targets.empty() && failure->isEmpty())
        *failure = QStringLiteral("every socket failed");
    for (const Target &t : targets)
        closesocket(t.socket);
    return reply;
}
