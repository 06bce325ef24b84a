// SMTP replies as RFC 5321 4.2 writes them, continuation lines carrying "-" in the fourth place:
//
//   220 mail.example ESMTP
//   250-mail.example Hello
//   250-PIPELINING
//   250 AUTH PLAIN LOGIN CRAM-MD5
//
// The code of the last line (a space in the fourth place) is the reply's code. AUTH follows
// RFC 4954 with PLAIN (RFC 4616), LOGIN and CRAM-MD5 (RFC 2195); the message body is made
// transparent as in RFC 5321 4.5.2.
#include "net/SmtpClient.h"

#include "net/Base64.h"
#include "net/JisEncoder.h"
#include "net/Md5.h"

namespace {

constexpr int kReplyOk = 250;
constexpr int kReplyReady = 220;
constexpr int kReplyAuthContinue = 334;
constexpr int kReplyAuthOk = 235;
constexpr int kReplyStartData = 354;
constexpr size_t kReplyCodeWidth = 3;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool hasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

bool contains(const std::string& line, const char* word) { return line.find(word) != std::string::npos; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// One line of Shift_JIS text (no line break) as a body line on the wire.
void appendBodyLine(std::string& message, const std::string& line) {
    const std::string converted = toIso2022Jp(line);
    if (!converted.empty() && converted[0] == '.') message += '.';
    message += converted;
    message += "\r\n";
}

}  // namespace

std::string composeMailMessage(const std::string& from, const std::string& to, const std::vector<std::string>& lines) {
    std::string message = "From: " + from + "\r\nTo: " + to + "\r\n";
    if (from != to) message += "Bcc: " + from + "\r\n";
    message += "Content-Type: text/plain; charset=iso-2022-jp\r\n";
    message += "Content-Transfer-Encoding: 7bit\r\n";
    message += "\r\n";
    // A title or detail may hold line breaks of any kind. Each piece goes out as a line of its
    // own, so no byte of it can end the data early or reach the server as a command.
    for (const std::string& text : lines) {
        size_t start = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\r' && text[i] != '\n') continue;
            appendBodyLine(message, text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
        appendBodyLine(message, text.substr(start));
    }
    message += ".\r\n";
    return message;
}

bool offersStartTls(const std::vector<std::string>& replyLines) {
    static const std::string keyword = "STARTTLS";
    for (size_t i = 1; i < replyLines.size(); ++i) {
        const std::string& line = replyLines[i];
        const size_t start = kReplyCodeWidth + 1;
        if (line.size() < start + keyword.size()) continue;
        if (line.size() > start + keyword.size() && line[start + keyword.size()] != ' ') continue;
        bool same = true;
        for (size_t k = 0; k < keyword.size() && same; ++k) same = upper(line[start + k]) == keyword[k];
        if (same) return true;
    }
    return false;
}

int SmtpClient::readReply() {
    replyLines_.clear();
    std::string line;
    for (;;) {
        if (replyLines_.size() >= kMaxReplyLines) {
            stopReading();
            return -1;
        }
        if (!readLine(line)) return -1;
        replyLines_.push_back(line);
        if (line.size() <= kReplyCodeWidth) return -1;
        if (line[kReplyCodeWidth] == ' ') {
            int code = 0;
            for (size_t i = 0; i < kReplyCodeWidth && isDigit(line[i]); ++i) code = code * 10 + (line[i] - '0');
            return code;
        }
    }
}

bool SmtpClient::connect(const std::string& host, int port) {
    if (!open(host, port)) return false;
    const int code = readReply();
    return code > 0;
}

AuthMechanism SmtpClient::hello(const std::string& name) {
    mechanism_ = AuthMechanism::None;
    if (!sendCommand("EHLO", name)) return mechanism_;
    if (readReply() == kReplyOk) {
        for (const std::string& line : replyLines_) {
            if (!contains(line, "AUTH")) continue;
            if (contains(line, "CRAM-MD5")) {
                mechanism_ = AuthMechanism::CramMd5;
            } else if (contains(line, "LOGIN")) {
                mechanism_ = AuthMechanism::Login;
            } else if (contains(line, "PLAIN")) {
                mechanism_ = AuthMechanism::Plain;
            } else {
                continue;
            }
            return mechanism_;
        }
    }
    if (sendCommand("HELO", name) && readReply() == kReplyOk) mechanism_ = AuthMechanism::HeloOnly;
    return mechanism_;
}

bool SmtpClient::helloBeforeTls(const std::string& name) {
    mechanism_ = AuthMechanism::None;
    return sendCommand("EHLO", name) && readReply() == kReplyOk && offersStartTls(replyLines_);
}

TlsResult SmtpClient::startTls(const std::string& serverName) {
    if (!sendExpecting("STARTTLS", std::string(), kReplyReady)) {
        abandon();
        return TlsResult::Failed;
    }
    return encrypt(serverName);
}

bool SmtpClient::sendExpecting(const std::string& command, const std::string& argument, int expected) {
    return sendCommand(command, argument) && readReply() == expected;
}

bool SmtpClient::authenticate(const std::string& user, const std::string& password) {
    switch (mechanism_) {
        case AuthMechanism::HeloOnly:
            return true;
        case AuthMechanism::Plain: {
            std::string message = user;
            message += '\0';
            message += user;
            message += '\0';
            message += password;
            return sendExpecting("AUTH PLAIN", base64Encode(message), kReplyAuthOk);
        }
        case AuthMechanism::Login:
            return sendExpecting("AUTH LOGIN", std::string(), kReplyAuthContinue) &&
                   sendExpecting(base64Encode(user), std::string(), kReplyAuthContinue) &&
                   sendExpecting(base64Encode(password), std::string(), kReplyAuthOk);
        case AuthMechanism::CramMd5: {
            if (!sendExpecting("AUTH CRAM-MD5", std::string(), kReplyAuthContinue)) return false;
            std::string challenge = base64Decode(replyLines_.front().substr(kReplyCodeWidth + 1));
            challenge = challenge.substr(0, challenge.find('\0'));
            const std::string response = user + " " + hexLower(hmacMd5(password, challenge));
            return sendExpecting(base64Encode(response), std::string(), kReplyAuthOk);
        }
        case AuthMechanism::None:
            break;
    }
    return false;
}

bool SmtpClient::sendMail(const std::string& from, const std::string& to, const std::vector<std::string>& lines) {
    if (hasLineBreak(from) || hasLineBreak(to)) return false;
    const std::string message = composeMailMessage(from, to, lines);
    if (!sendExpecting("MAIL from:", "<" + from + ">", kReplyOk)) return false;
    if (!sendExpecting("RCPT to:", "<" + to + ">", kReplyOk)) return false;
    if (from != to && !sendExpecting("RCPT to:", "<" + from + ">", kReplyOk)) return false;
    if (!sendExpecting("DATA", std::string(), kReplyStartData)) return false;
    return sendText(message) && readReply() == kReplyOk;
}

void SmtpClient::quit() {
    if (sendCommand("QUIT", std::string())) readReply();
}
