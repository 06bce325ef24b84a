// Socket calls on Windows (Winsock).
#include "platform/SocketOps.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>

namespace sockops {

namespace {

bool started = false;
bool exitHandlerRegistered = false;

void cleanupAtExit() {
    if (started) WSACleanup();
}

int waitFor(intptr_t socket, bool forWrite, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(socket), &set);
    fd_set errors;
    FD_ZERO(&errors);
    FD_SET(static_cast<SOCKET>(socket), &errors);
    timeval wait;
    wait.tv_sec = timeoutMs / 1000;
    wait.tv_usec = (timeoutMs % 1000) * 1000;
    const int r = forWrite ? select(0, nullptr, &set, &errors, &wait) : select(0, &set, nullptr, &errors, &wait);
    if (r < 0) return -1;
    return r == 0 ? 0 : 1;
}

}  // namespace

bool startup() {
    if (!exitHandlerRegistered) {
        exitHandlerRegistered = true;
        std::atexit(cleanupAtExit);
    }
    if (!started) {
        WSADATA data;
        // Version 2.2: the name look-up uses getaddrinfo, a Winsock 2 call.
        started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    return started;
}

intptr_t createTcp() {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return kInvalid;
    BOOL off = FALSE;
    setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&off), sizeof off);
    return static_cast<intptr_t>(s);
}

bool resolveIpv4(const std::string& host, uint32_t& address) {
    const unsigned long dotted = inet_addr(host.c_str());
    if (dotted != INADDR_NONE) {
        address = static_cast<uint32_t>(dotted);
        return true;
    }
    if (host.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) return false;
    address = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(result);
    return true;
}

bool connectWithin(intptr_t socket, uint32_t address, int port, int timeoutMs) {
    if (port < 1 || port > 65535) return false;  // would wrap around to another port
    const SOCKET s = static_cast<SOCKET>(socket);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(static_cast<u_short>(port));
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    if (!ok && WSAGetLastError() == WSAEWOULDBLOCK && waitFor(socket, true, timeoutMs) == 1) {
        int error = 0;
        int length = sizeof error;
        ok = getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
    }
    nonBlocking = 0;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    return ok;
}

int waitReadable(intptr_t socket, int timeoutMs) { return waitFor(socket, false, timeoutMs); }
int waitWritable(intptr_t socket, int timeoutMs) { return waitFor(socket, true, timeoutMs); }

int receiveSome(intptr_t socket, char* buffer, int size) {
    const int n = recv(static_cast<SOCKET>(socket), buffer, size, 0);
    if (n == SOCKET_ERROR) return -1;
    // Windows reports a reset from recv itself; Wine reports it as an orderly end. A send of no
    // bytes puts nothing on the wire and fails only on a connection that was reset, so the end of
    // data is an error there too, as an unknown-length answer cut by a reset must be.
    if (n == 0 && send(static_cast<SOCKET>(socket), buffer, 0, 0) == SOCKET_ERROR) return -1;
    return n;
}

int sendSome(intptr_t socket, const char* data, int size) {
    const int n = send(static_cast<SOCKET>(socket), data, size, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

void setSendTimeout(intptr_t socket, int timeoutMs) {
    // Winsock sends block until the data is queued; SO_SNDTIMEO bounds that wait.
    const DWORD ms = static_cast<DWORD>(timeoutMs);
    setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
}

bool shutdownAndClose(intptr_t socket) {
    shutdown(static_cast<SOCKET>(socket), SD_BOTH);
    return closesocket(static_cast<SOCKET>(socket)) == 0;
}

void resetAndClose(intptr_t socket) {
    linger abort{};
    abort.l_onoff = 1;
    abort.l_linger = 0;
    setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    closesocket(static_cast<SOCKET>(socket));
}

intptr_t listenLoopback(int port, int& boundPort) {
    if (!startup()) return kInvalid;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return kInvalid;
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = htons(static_cast<u_short>(port));
    int length = sizeof at;
    if (bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&at), &length) != 0) {
        closesocket(s);
        return kInvalid;
    }
    boundPort = ntohs(at.sin_port);
    return static_cast<intptr_t>(s);
}

intptr_t acceptOne(intptr_t listener) {
    const SOCKET s = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? kInvalid : static_cast<intptr_t>(s);
}

}  // namespace sockops
