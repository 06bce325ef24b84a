// POP3 status lines as RFC 1939 section 3 writes them, the greeting carrying the APOP timestamp:
//
//   +OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>
//   -ERR [AUTH] Authentication failed.
//
// Only the single-line replies of USER, PASS, APOP and QUIT (RFC 1939 sections 5 to 7) are read.
#include "net/Pop3Client.h"

#include "net/Md5.h"

bool Pop3Client::readReply() {
    const bool read = readLine(lastReply_);
    if (!greeted_) {
        greeted_ = true;
        greeting_ = lastReply_;
    }
    return read && lastReply_.compare(0, 3, "+OK") == 0;
}

bool Pop3Client::user(const std::string& name) { return sendCommand("USER", name); }

bool Pop3Client::pass(const std::string& password) { return sendCommand("PASS", password); }

bool Pop3Client::apop(const std::string& name, const std::string& password) {
    if (name.empty() || password.empty()) return false;
    const std::string digest = apopDigest(greeting_, password);
    if (digest.empty()) return false;
    return sendCommand("APOP", name + " " + digest);
}

bool Pop3Client::quit() { return sendCommand("QUIT", std::string()); }

TlsResult Pop3Client::stls(const std::string& serverName) {
    if (!sendCommand("STLS", std::string()) || !readReply()) {
        abandon();
        return TlsResult::Failed;
    }
    return encrypt(serverName);
}
