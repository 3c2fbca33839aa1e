#pragma once
// Socket addresses as the SQL Server Browser's units keep them: the bytes of a sockaddr_in or
// sockaddr_in6, as the resolver gave them. The same on both socket APIs.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <QByteArray>

#include <cstring>
#include <vector>

// The address in bytes as a socket address; false when it is none of IPv4 or IPv6.
template <typename Length>
bool ToSocketAddress(const QByteArray &bytes, sockaddr_storage &address, Length &length) {
    if (bytes.size() < qsizetype(sizeof(sockaddr_in)) || bytes.size() > qsizetype(sizeof address))
        return false;
    address = {};
    std::memcpy(&address, bytes.constData(), size_t(bytes.size()));
    length = Length(bytes.size());
    return (address.ss_family == AF_INET && length >= Length(sizeof(sockaddr_in))) ||
           (address.ss_family == AF_INET6 && length >= Length(sizeof(sockaddr_in6)));
}

// The sender is one of the host's addresses; the port does not matter.
inline bool FromAskedHost(const sockaddr_storage &from, const std::vector<QByteArray> &addresses) {
    for (const QByteArray &bytes : addresses) {
        sockaddr_storage asked;
        int length = 0;
        if (!ToSocketAddress(bytes, asked, length) || asked.ss_family != from.ss_family)
            continue;
        if (from.ss_family == AF_INET &&
            std::memcmp(&reinterpret_cast<const sockaddr_in &>(from).sin_addr,
                        &reinterpret_cast<const sockaddr_in &>(asked).sin_addr,
                        sizeof(in_addr)) == 0)
            return true;
        if (from.ss_family == AF_INET6 &&
            std::memcmp(&reinterpret_cast<const sockaddr_in6 &>(from).sin6_addr,
                        &reinterpret_cast<const sockaddr_in6 &>(asked).sin6_addr,
                        sizeof(in6_addr)) == 0)
            return true;
    }
    return false;
}

// The IPv4 and IPv6 addresses getaddrinfo() gives the host, empty when it knows none. On
// Windows Winsock must have been started.
inline std::vector<QByteArray> AddressesOf(const QByteArray &host, quint16 port) {
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    std::vector<QByteArray> addresses;
    if (getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &found) != 0)
        return addresses;
    for (const addrinfo *a = found; a != nullptr; a = a->ai_next)
        if (a->ai_family == AF_INET || a->ai_family == AF_INET6)
            addresses.emplace_back(reinterpret_cast<const char *>(a->ai_addr),
                                   qsizetype(a->ai_addrlen));
    freeaddrinfo(found);
    return addresses;
}
