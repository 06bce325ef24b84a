// The line-oriented TCP connection shared by the SMTP and POP3 clients.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "io/Streams.h"
#include "platform/SocketStream.h"
#include "platform/TlsStream.h"

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
    // Closes the channel (after telling a TLS peer the session ends); true also when it was not open.
    bool close();

    // Encrypts the connection from here on: the TLS handshake for serverName over the open channel,
    // then every command and reply goes through it. Refused (Failed, nothing sent) when the reading
    // has ended or the peer sent bytes not read yet: those came unprotected, and after the handshake
    // they would pass for the server's answers. After anything but Ok nothing can be sent or read
    // any more (abandon), so a caller cannot fall back to plain text by mistake.
    TlsResult encrypt(const std::string& serverName);

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
    // Sends and reads nothing more: encryption was asked for and did not start.
    void abandon() {
        abandoned_ = true;
        stopReading();
    }

private:
    // What the reader and the command writer use: the transport, or the TLS session once started.
    // Counts the bytes read through it, so that encrypt can tell whether any are still unread.
    class Channel final : public ByteStream {
    public:
        explicit Channel(ByteStream& stream) : active_(&stream) {}
        void switchTo(ByteStream& stream) { active_ = &stream; }
        uint64_t received() const { return received_; }
        bool close() override { return active_->close(); }
        int read(char* buffer, int size) override;
        int write(const char* data, int size) override { return active_->write(data, size); }

    private:
        ByteStream* active_;
        uint64_t received_ = 0;
    };

    SocketStream socket_;
    ByteStream& transport_;
    bool ownSocket_;
    std::unique_ptr<TlsStream> tls_;
    Channel channel_;
    BufferedReader reader_;
    uint64_t consumed_ = 0;  // bytes readLine has taken from the reader
    bool ended_ = false;
    bool abandoned_ = false;
};
