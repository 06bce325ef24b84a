// A TLS client connection over another byte stream, the server's certificate checked by the system.
#pragma once

#include <memory>
#include <string>

#include "io/Streams.h"

enum class TlsResult {
    Ok,         // TLS 1.2 or newer, the chain leads to a trusted root and names the server
    Failed,     // no encrypted connection: refused, cut, timed out, or nothing in common
    Untrusted,  // the server's certificate failed the check (chain, validity period, name)
};

// The records travel over the transport with its own time-outs, so a read or write here waits no
// longer than one over the transport would. Until handshake has returned Ok, read and write fail.
class TlsStream : public ByteStream {
public:
    // transport: a connected channel (not owned); it must outlive this object.
    explicit TlsStream(ByteStream& transport);
    ~TlsStream() override;
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    // The client handshake for serverName, the name the certificate must carry (a host name, or an
    // IPv4 address in dotted form). There is no way to skip the check. Runs once per object.
    TlsResult handshake(const std::string& serverName);
    // Tells the server that nothing more comes (close_notify) and drops the session; the transport
    // stays open. True also when there was no session.
    bool close() override;
    // Decrypted bytes; 0 once the server ended the session in order; -1 on an error, a time-out or
    // a transport that ended without that notice.
    int read(char* buffer, int size) override;
    // Encrypts and sends all bytes; size, or -1.
    int write(const char* data, int size) override;

private:
    struct Session;
    ByteStream& transport_;
    std::unique_ptr<Session> session_;
};
