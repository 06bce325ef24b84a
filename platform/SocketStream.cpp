// SocketStream and the loopback listener on top of the per-system socket calls.
#include "platform/SocketStream.h"

#include "platform/Clock.h"
#include "platform/ListenSocket.h"
#include "platform/SocketOps.h"

namespace {

// The wait allowed now: timeoutMs, shortened to what is left before the deadline (0 = none);
// 0 once the deadline has passed.
int allowedWait(int timeoutMs, int64_t deadline) {
    if (deadline == 0) return timeoutMs;
    const int64_t left = deadline - monotonicMilliseconds();
    if (left <= 0) return 0;
    return left < timeoutMs ? static_cast<int>(left) : timeoutMs;
}

// Sends everything, waiting at most timeoutMs each time the peer's window is full.
int sendAll(intptr_t handle, const char* data, int size, int timeoutMs, int64_t deadline) {
    if (size < 0) return -1;
    int sent = 0;
    while (sent < size) {
        // Try first: a socket with room in its buffer needs no wait (one system call less per write).
        const int n = sockops::sendSome(handle, data + sent, size - sent);
        if (n < 0) return -1;
        if (n == 0) {
            const int wait = allowedWait(timeoutMs, deadline);
            if (wait == 0 || sockops::waitWritable(handle, wait) != 1) return -1;
        }
        sent += n;
    }
    return size;
}

int receiveWithin(intptr_t handle, char* buffer, int size, int timeoutMs, int64_t deadline) {
    if (size <= 0) return -1;
    const int wait = allowedWait(timeoutMs, deadline);
    if (wait == 0 || sockops::waitReadable(handle, wait) != 1) return -1;
    return sockops::receiveSome(handle, buffer, size);
}

}  // namespace

SocketStream::~SocketStream() { close(); }

bool SocketStream::open(const std::string& host, int port) {
    if (isOpen()) return false;
    if (!sockops::startup()) return false;
    handle_ = sockops::createTcp();
    if (!isOpen()) return false;
    sockops::setSendTimeout(handle_, timeoutMs_);
    uint32_t address = 0;
    if (!sockops::resolveIpv4(host, address)) return false;
    const int wait = allowedWait(timeoutMs_, deadline_);
    return wait > 0 && sockops::connectWithin(handle_, address, port, wait);
}

bool SocketStream::close() {
    if (!isOpen()) return true;
    const bool ok = sockops::shutdownAndClose(handle_);
    handle_ = kNoSocket;
    return ok;
}

int SocketStream::read(char* buffer, int size) {
    if (!isOpen()) return -1;
    return receiveWithin(handle_, buffer, size, timeoutMs_, deadline_);
}

int SocketStream::write(const char* data, int size) {
    if (!isOpen()) return -1;
    return sendAll(handle_, data, size, timeoutMs_, deadline_);
}

bool resolveIpv4(const std::string& host, uint32_t& address) {
    return sockops::startup() && sockops::resolveIpv4(host, address);
}

AcceptedStream::~AcceptedStream() { close(); }

bool AcceptedStream::close() {
    if (handle_ == sockops::kInvalid) return true;
    const bool ok = sockops::shutdownAndClose(handle_);
    handle_ = sockops::kInvalid;
    return ok;
}

void AcceptedStream::reset() {
    if (handle_ == sockops::kInvalid) return;
    sockops::resetAndClose(handle_);
    handle_ = sockops::kInvalid;
}

int AcceptedStream::read(char* buffer, int size) {
    if (handle_ == sockops::kInvalid) return -1;
    return receiveWithin(handle_, buffer, size, timeoutMs_, 0);
}

int AcceptedStream::write(const char* data, int size) {
    if (handle_ == sockops::kInvalid) return -1;
    return sendAll(handle_, data, size, timeoutMs_, 0);
}

ListenSocket::~ListenSocket() { close(); }

bool ListenSocket::listen(int port) {
    if (handle_ != sockops::kInvalid) return false;
    if (!sockops::startup()) return false;
    handle_ = sockops::listenLoopback(port, port_);
    return handle_ != sockops::kInvalid;
}

std::unique_ptr<AcceptedStream> ListenSocket::accept(int timeoutMs, int streamTimeoutMs) {
    if (handle_ == sockops::kInvalid) return nullptr;
    if (sockops::waitReadable(handle_, timeoutMs) != 1) return nullptr;
    const intptr_t s = sockops::acceptOne(handle_);
    if (s == sockops::kInvalid) return nullptr;
    sockops::setSendTimeout(s, streamTimeoutMs);
    return std::make_unique<AcceptedStream>(s, streamTimeoutMs);
}

void ListenSocket::close() {
    if (handle_ == sockops::kInvalid) return;
    sockops::shutdownAndClose(handle_);
    handle_ = sockops::kInvalid;
}
