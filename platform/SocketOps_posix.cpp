// Socket calls on POSIX systems (poll instead of select: no descriptor-number limit).
#include "platform/SocketOps.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace sockops {

namespace {

int waitFor(intptr_t socket, short events, int timeoutMs) {
    pollfd p{};
    p.fd = static_cast<int>(socket);
    p.events = events;
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return -1;
    if (r == 0) return 0;
    // Hang-up and errors count as ready: the following recv/send reports them.
    return 1;
}

}  // namespace

bool startup() { return true; }

intptr_t createTcp() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return kInvalid;
    int off = 0;
    ::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, &off, sizeof off);
    return s;
}

bool resolveIpv4(const std::string& host, uint32_t& address) {
    in_addr a{};
    if (::inet_pton(AF_INET, host.c_str(), &a) == 1) {
        address = a.s_addr;
        return true;
    }
    if (host.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) return false;
    address = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(result);
    return true;
}

bool connectWithin(intptr_t socket, uint32_t address, int port, int timeoutMs) {
    if (port < 1 || port > 65535) return false;  // would wrap around to another port
    const int s = static_cast<int>(socket);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(static_cast<uint16_t>(port));
    const int flags = ::fcntl(s, F_GETFL);
    ::fcntl(s, F_SETFL, flags | O_NONBLOCK);
    bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    if (!ok && errno == EINPROGRESS && waitFor(socket, POLLOUT, timeoutMs) == 1) {
        int error = 0;
        socklen_t length = sizeof error;
        ok = ::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    ::fcntl(s, F_SETFL, flags);
    return ok;
}

int waitReadable(intptr_t socket, int timeoutMs) { return waitFor(socket, POLLIN, timeoutMs); }
int waitWritable(intptr_t socket, int timeoutMs) { return waitFor(socket, POLLOUT, timeoutMs); }

int receiveSome(intptr_t socket, char* buffer, int size) {
    ssize_t n;
    do {
        n = ::recv(static_cast<int>(socket), buffer, static_cast<size_t>(size), 0);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<int>(n);
}

int sendSome(intptr_t socket, const char* data, int size) {
    ssize_t n;
    do {
        n = ::send(static_cast<int>(socket), data, static_cast<size_t>(size), MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    return n < 0 ? -1 : static_cast<int>(n);
}

void setSendTimeout(intptr_t, int) {}

bool shutdownAndClose(intptr_t socket) {
    ::shutdown(static_cast<int>(socket), SHUT_RDWR);
    return ::close(static_cast<int>(socket)) == 0;
}

void resetAndClose(intptr_t socket) {
    const linger abort{1, 0};
    ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(static_cast<int>(socket));
}

intptr_t listenLoopback(int port, int& boundPort) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return kInvalid;
    int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t length = sizeof at;
    if (::bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(s, 16) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&at), &length) != 0) {
        ::close(s);
        return kInvalid;
    }
    boundPort = ntohs(at.sin_port);
    return s;
}

intptr_t acceptOne(intptr_t listener) {
    const int s = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    return s < 0 ? kInvalid : s;
}

}  // namespace sockops
