// A loopback TCP listener for local servers and tests (the recorder simulator, scripted peers).
#pragma once

#include <cstdint>
#include <memory>

#include "io/Streams.h"

// One accepted connection, owning its socket.
class AcceptedStream : public ByteStream {
public:
    explicit AcceptedStream(intptr_t handle, int timeoutMs) : handle_(handle), timeoutMs_(timeoutMs) {}
    ~AcceptedStream() override;
    AcceptedStream(const AcceptedStream&) = delete;
    AcceptedStream& operator=(const AcceptedStream&) = delete;
    bool close() override;
    int read(char* buffer, int size) override;
    int write(const char* data, int size) override;
    // Ends the connection with a reset instead of an orderly close.
    void reset();

private:
    intptr_t handle_;
    int timeoutMs_;
};

class ListenSocket {
public:
    ListenSocket() = default;
    ~ListenSocket();
    ListenSocket(const ListenSocket&) = delete;
    ListenSocket& operator=(const ListenSocket&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free port). False on failure.
    bool listen(int port = 0);
    int port() const { return port_; }
    // Waits at most timeoutMs for a connection; empty on time-out or error.
    std::unique_ptr<AcceptedStream> accept(int timeoutMs, int streamTimeoutMs = 60000);
    void close();

private:
    intptr_t handle_ = -1;
    int port_ = 0;
};
