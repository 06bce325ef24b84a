// A blocking IPv4 TCP client connection as a byte stream, with bounded waits.
#pragma once

#include <cstdint>
#include <string>

#include "io/Streams.h"

constexpr int kDefaultSocketTimeoutMs = 60000;

class SocketStream : public ByteStream {
public:
    // timeoutMs bounds each receive wait, the connect and each send wait.
    explicit SocketStream(int timeoutMs = kDefaultSocketTimeoutMs) : timeoutMs_(timeoutMs) {}
    // Every later wait also ends at this point of monotonicMilliseconds() (0: no deadline); past
    // it, the connect, a read or a write fails like a time-out.
    void setDeadline(int64_t deadline) { deadline_ = deadline; }
    ~SocketStream() override;
    SocketStream(const SocketStream&) = delete;
    SocketStream& operator=(const SocketStream&) = delete;

    // Connects to host (dotted IPv4 first, else a name look-up) and port. False when a socket is
    // already held or any step fails; the socket is then released by close or the destructor.
    bool open(const std::string& host, int port);
    bool close() override;
    // One receive after waiting for data at most timeoutMs; -1 on time-out or error.
    int read(char* buffer, int size) override;
    // Sends all bytes, each wait bounded by timeoutMs; size on success, -1 on error or time-out.
    int write(const char* data, int size) override;

    bool isOpen() const { return handle_ != kNoSocket; }

private:
    static constexpr intptr_t kNoSocket = -1;
    int timeoutMs_;
    int64_t deadline_ = 0;
    intptr_t handle_ = kNoSocket;
};

// Resolves a host as SocketStream::open does; the IPv4 address in network byte order.
bool resolveIpv4(const std::string& host, uint32_t& address);
