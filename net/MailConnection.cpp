// One mail-protocol connection: command lines out, bounded reply lines in. Lines end in CR LF
// (RFC 5321 2.3.8, RFC 1939 3); a lone LF ends a line too and CR bytes are dropped:
//
//   250-mail.example Hello\r\n     ->  "250-mail.example Hello"
//   +OK ready\n                    ->  "+OK ready"
#include "net/MailConnection.h"

namespace {

bool hasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

int MailConnection::Channel::read(char* buffer, int size) {
    const int n = active_->read(buffer, size);
    if (n > 0) received_ += static_cast<uint64_t>(n);
    return n;
}

MailConnection::MailConnection(int timeoutMs)
    : socket_(timeoutMs), transport_(socket_), ownSocket_(true), channel_(transport_), reader_(channel_) {}

MailConnection::MailConnection(ByteStream& stream)
    : transport_(stream), ownSocket_(false), channel_(transport_), reader_(channel_) {}

bool MailConnection::open(const std::string& host, int port) {
    if (!ownSocket_) return false;
    return socket_.open(host, port);
}

bool MailConnection::close() {
    if (tls_) tls_->close();
    return transport_.close();
}

TlsResult MailConnection::encrypt(const std::string& serverName) {
    if (tls_ || abandoned_ || ended_ || channel_.received() != consumed_) {
        abandon();
        return TlsResult::Failed;
    }
    tls_ = std::make_unique<TlsStream>(transport_);
    const TlsResult result = tls_->handshake(serverName);
    if (result != TlsResult::Ok) {
        abandon();
        return result;
    }
    channel_.switchTo(*tls_);
    return result;
}

bool MailConnection::sendCommand(const std::string& command, const std::string& argument) {
    if (hasLineBreak(command) || hasLineBreak(argument)) return false;
    std::string line = command;
    if (!argument.empty()) {
        line += ' ';
        line += argument;
    }
    line += "\r\n";
    return sendText(line);
}

bool MailConnection::sendText(const std::string& text) {
    if (abandoned_) return false;
    const int size = static_cast<int>(text.size());
    if (static_cast<size_t>(size) != text.size()) return false;
    return channel_.write(text.data(), size) == size;
}

bool MailConnection::readLine(std::string& out) {
    out.clear();
    if (ended_) return false;
    // Every byte before the LF counts, dropped CRs included, so that a peer sending CRs without
    // end cannot hold the read; one CR on top of the longest line is the line's own CR LF.
    size_t received = 0;
    for (;;) {
        const int b = reader_.next();
        if (b < 0) {
            ended_ = true;
            return !out.empty();
        }
        ++consumed_;
        if (b == '\n') return true;
        if (++received > kMaxReplyLineLength + 1 || (b != '\r' && out.size() >= kMaxReplyLineLength)) {
            out.clear();
            stopReading();
            return false;
        }
        if (b != '\r') out.push_back(static_cast<char>(b));
    }
}
