// POP3 login for POP before SMTP: greeting, USER/PASS or APOP, QUIT. Nothing is listed or fetched.
#pragma once

#include <string>

#include "net/MailConnection.h"

class Pop3Client : public MailConnection {
public:
    using MailConnection::MailConnection;

    // Reads one reply line; true when it starts with "+OK". The first line read is the greeting.
    bool readReply();
    // Each sends its command and reports whether the whole line went out; the caller reads the reply.
    bool user(const std::string& name);
    bool pass(const std::string& password);
    // APOP with the digest of the greeting's timestamp and the password. Refused without sending
    // when the name or password is empty, or when the greeting has no "<" (no APOP offered).
    bool apop(const std::string& name, const std::string& password);
    bool quit();
    // STLS (RFC 2595 4), a positive answer, then the handshake for serverName. Failed when the
    // server refused; after anything but Ok the connection sends nothing more. The greeting stays
    // the one read before, as APOP needs.
    TlsResult stls(const std::string& serverName);

    // The last reply line, CR and LF removed.
    const std::string& lastReply() const { return lastReply_; }
    const std::string& greeting() const { return greeting_; }

private:
    std::string lastReply_;
    std::string greeting_;
    bool greeted_ = false;
};
