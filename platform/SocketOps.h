// The few socket calls the stream classes need, one implementation per operating system.
#pragma once

#include <cstdint>
#include <string>

namespace sockops {

constexpr intptr_t kInvalid = -1;

// Starts the socket library once per process (cleaned up at exit); false while it cannot start.
bool startup();
// A new IPv4 stream socket with keep-alive off; kInvalid on failure.
intptr_t createTcp();
// Dotted IPv4 first, a name look-up only when that fails; address in network byte order.
bool resolveIpv4(const std::string& host, uint32_t& address);
// Connects, giving up after timeoutMs; false at once for a port outside 1-65535.
bool connectWithin(intptr_t socket, uint32_t address, int port, int timeoutMs);
// 1 when ready, 0 on time-out, -1 on error.
int waitReadable(intptr_t socket, int timeoutMs);
int waitWritable(intptr_t socket, int timeoutMs);
// One recv / one send that never blocks (0 when the send buffer is full); -1 on error.
int receiveSome(intptr_t socket, char* buffer, int size);
int sendSome(intptr_t socket, const char* data, int size);
// Bounds a blocking send where the system needs it (sends elsewhere never block).
void setSendTimeout(intptr_t socket, int timeoutMs);
// Shuts down both directions and closes; true when the close succeeded.
bool shutdownAndClose(intptr_t socket);
// Closes with a reset instead of an orderly end (a peer that crashed or gave up).
void resetAndClose(intptr_t socket);
// A socket listening on 127.0.0.1:port (0 = any free port); the chosen port in boundPort.
intptr_t listenLoopback(int port, int& boundPort);
intptr_t acceptOne(intptr_t listener);

}  // namespace sockops
