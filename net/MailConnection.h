// The line-oriented TCP connection shared by the SMTP and POP3 clients.
#pragma once

#include <cstddef>
#include <string>

#include "io/Streams.h"
#include "platform/SocketStream.h"

// Longest reply line accepted, CR LF not counted. RFC 5321 4.5.3.1.5 and RFC 1939 allow 512
// octets; real servers stay well below this, and a longer line means a peer that is out of step
// or hostile, so reading stops there rather than growing a buffer without end.
constexpr size_t kMaxReplyLineLength = 2048;

class MailConnection {
public:
    // A connection of its own; every connect, receive and send wait is bounded by timeoutMs.
    explicit MailConnection(int timeoutMs = kDefaultSocketTimeoutMs);
    // Talks over stream instead (not owned; open is then refused): replies fed from memory.
    explicit MailConnection(ByteStream& stream);
    virtual ~MailConnection() = default;
    MailConnection(const MailConnection&) = delete;
    MailConnection& operator=(const MailConnection&) = delete;

    // Connects the own socket; no reply is read.
    bool open(const std::string& host, int port);
    // Closes the channel; true also when it was not open.
    bool close();

    // Writes command, then " " and the argument when it is non-empty, then CR LF, in one write.
    // True when the whole line went out. A command or argument holding CR or LF is refused
    // without sending anything: it would smuggle a second command onto the wire.
    bool sendCommand(const std::string& command, const std::string& argument);
    // Writes text as it is in one write; true when every byte went out.
    bool sendText(const std::string& text);

    // The next line without CR bytes and without its LF; a last line without LF counts when not
    // empty. False at the end of data, and for good once a line exceeded kMaxReplyLineLength or
    // more than kMaxReplyLineLength + 1 bytes (CRs included) came before its LF.
    bool readLine(std::string& out);

protected:
    // Reads nothing more: the peer's replies can no longer be matched to our commands.
    void stopReading() { ended_ = true; }

private:
    SocketStream socket_;
    ByteStream& stream_;
    bool ownSocket_;
    BufferedReader reader_;
    bool ended_ = false;
};
