// SMTP client for the reservation mail: greeting, EHLO/HELO, SMTP AUTH, message composition, QUIT.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "net/MailConnection.h"

// What hello learned; None means the greeting failed.
enum class AuthMechanism : int { None = 0, HeloOnly = 1, Plain = 2, Login = 3, CramMd5 = 4 };

// Most lines one reply may have. An EHLO answer lists a dozen extensions at most; a server that
// keeps sending continuation lines is not allowed to fill memory.
constexpr size_t kMaxReplyLines = 100;

// The message as transmitted after DATA: the headers, the body converted to ISO-2022-JP with one
// CR LF line per line of the body (each body string split at CR LF, LF and CR), dot-stuffed, and
// the closing "." line. A Bcc line with the sender is added when from and to differ.
std::string composeMailMessage(const std::string& from, const std::string& to, const std::vector<std::string>& lines);

// The EHLO answer offers STARTTLS (RFC 3207 4): a line after the first (which names the server)
// whose keyword is STARTTLS in any letter case.
bool offersStartTls(const std::vector<std::string>& replyLines);

class SmtpClient : public MailConnection {
public:
    using MailConnection::MailConnection;

    // Reads one reply, continuation lines included; its code, or -1 when it cannot be read, a line
    // is shorter than 4 characters, or it has more than kMaxReplyLines lines.
    int readReply();
    // Opens the connection and reads the greeting; true when its code is non-zero.
    bool connect(const std::string& host, int port);
    // EHLO, picking the mechanism from the first AUTH line that names a known one (CRAM-MD5 over
    // LOGIN over PLAIN); HELO when EHLO is refused or offers none. None when neither was accepted.
    AuthMechanism hello(const std::string& name);
    // The EHLO before STARTTLS: true when it was answered with 250 and STARTTLS is offered. Nothing
    // else of the answer is kept (RFC 3207 4.2: the answer after the handshake counts), no HELO.
    bool helloBeforeTls(const std::string& name);
    // STARTTLS, a 220 answer, then the handshake for serverName. Failed when the server refused;
    // after anything but Ok the connection sends nothing more.
    TlsResult startTls(const std::string& serverName);
    // Authenticates with the mechanism hello chose; HeloOnly succeeds without sending anything.
    bool authenticate(const std::string& user, const std::string& password);
    // MAIL, RCPT (to, and from as well when they differ), DATA and the message. Addresses holding
    // CR or LF are refused before anything is sent.
    bool sendMail(const std::string& from, const std::string& to, const std::vector<std::string>& lines);
    // QUIT; the reply is read and its code ignored.
    void quit();

    AuthMechanism mechanism() const { return mechanism_; }
    // Every line of the last reply, in order, CR and LF removed.
    const std::vector<std::string>& replyLines() const { return replyLines_; }

private:
    bool sendExpecting(const std::string& command, const std::string& argument, int expected);

    AuthMechanism mechanism_ = AuthMechanism::None;
    std::vector<std::string> replyLines_;
};
