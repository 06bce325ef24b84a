// The mail send job against real servers: Dovecot for POP before SMTP (USER/PASS and APOP), and
// smtp-server sinks that decode the delivered message with mailparser. Each smtpauth mode, each
// AUTH mechanism, and the failures that must stop the job before SMTP; then each encryption mode
// and the servers and certificates it must refuse before anything of the account is sent.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/MailSendJob.h"
#include "platform/Codepage.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/RecordingDialogHost.h"
#include "tests/support/TestServers.h"
#include "tests/support/TrustedTestCa.h"

namespace {

constexpr int kTimeoutMs = 20000;
// How long a server may take to write its log line after the client has gone.
constexpr int kLogWaitMs = 5000;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) { return std::ifstream(path, std::ios::binary).good(); }

size_t countLines(const std::string& path) {
    const std::string text = readFile(path);
    size_t n = 0;
    for (const char c : text) n += c == '\n' ? 1 : 0;
    return n;
}

// One SMTP sink: its port and the folder it stores messages in.
struct Sink {
    int port = 0;
    std::string dir;

    int messageCount() const {
        int n = 0;
        while (fileExists(dir + "/msg-" + std::to_string(n + 1) + ".json")) ++n;
        return n;
    }
    size_t connectionCount() const { return countLines(dir + "/connections.log"); }
    // AUTH commands the server has seen, each logged as "auth METHOD USER secure=BOOL".
    std::vector<std::string> authLines() const {
        std::vector<std::string> lines;
        std::istringstream in(readFile(dir + "/connections.log"));
        for (std::string line; std::getline(in, line);) {
            if (line.compare(0, 5, "auth ") == 0) lines.push_back(line);
        }
        return lines;
    }
    std::string messageText(int n) const { return readFile(dir + "/msg-" + std::to_string(n) + ".txt"); }
    std::string messageJson(int n) const { return readFile(dir + "/msg-" + std::to_string(n) + ".json"); }
};

class MailSendIntegration : public ::testing::Test {
protected:
    void SetUp() override {
        settings = testServerSettings();
        ASSERT_NE(testServerPort("PELORANE_SMTP_NOAUTH_PORT"), 0)
            << "servers not running: start them with scripts/test-servers.sh";
        user = settings["PELORANE_MAIL_USER"];
        password = settings["PELORANE_MAIL_PASS"];
        config.setSmtpserver("127.0.0.1");
        config.setPop3server("127.0.0.1");
        config.setSmtpuser(user);
        config.setSmtppass(password);
        config.setFrom("me@home.test");
        config.setTo("rd@recorder.test");
        config.setPop3fport(testServerPort("PELORANE_POP3_PORT"));

        // The reservation mail as the recorder reads it: command line, title (録画予約 News) and a
        // detail of three lines (番組の詳細 / .で始まる行 / 日本語), one starting with ".".
        lines = {"open rdstyle tv SC15 2100 2254 0303", "\x98\x5e\x89\xe6\x97\x5c\x96\xf1 News",
                 "\x94\xd4\x91\x67\x82\xcc\x8f\xda\x8d\xd7\r\n"
                 ".\x82\xc5\x8e\x6e\x82\xdc\x82\xe9\x8d\x73\r\n"
                 "\x93\xfa\x96\x7b\x8c\xea"};
    }

    Sink sink(const std::string& kind) {
        Sink s;
        s.port = testServerPort("PELORANE_SMTP_" + kind + "_PORT");
        s.dir = settings["PELORANE_SMTP_" + kind + "_DIR"];
        return s;
    }

    int run(int mode, const Sink& target) {
        config.setSmtpauth(mode);
        config.setSmtpport(target.port);
        MailSendJob job(host, config, lines, kTimeoutMs);
        return job.run();
    }

    // What mailparser should decode: every line of the body in UTF-8, each ending in LF.
    std::string expectedText() const {
        std::string sjis;
        for (const std::string& line : lines) sjis += line + "\n";
        std::string crlfFree;
        for (size_t i = 0; i < sjis.size(); ++i) {
            if (sjis[i] == '\r' && i + 1 < sjis.size() && sjis[i + 1] == '\n') continue;
            crlfFree += sjis[i];
        }
        std::string utf8;
        EXPECT_TRUE(sjisToUtf8(crlfFree, utf8));
        return utf8;
    }

    // The part of a server log written after offset, once it holds a "Disconnected" line.
    static std::string logAfter(const std::string& path, size_t offset) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLogWaitMs);
        for (;;) {
            const std::string log = readFile(path);
            const std::string tail = log.size() > offset ? log.substr(offset) : std::string();
            if (tail.find("Disconnected") != std::string::npos || std::chrono::steady_clock::now() >= deadline) {
                return tail;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    void expectDelivered(const Sink& target, int countBefore) {
        ASSERT_EQ(target.messageCount(), countBefore + 1);
        EXPECT_EQ(target.messageText(countBefore + 1), expectedText());
        const std::string json = target.messageJson(countBefore + 1);
        EXPECT_NE(json.find("\"mailFrom\": \"me@home.test\""), std::string::npos) << json;
        EXPECT_NE(json.find("\"rcptTo\": [\n    \"rd@recorder.test\",\n    \"me@home.test\"\n  ]"), std::string::npos)
            << json;
    }

    std::map<std::string, std::string> settings;
    std::string user;
    std::string password;
    ConfigStore config;
    std::vector<std::string> lines;
    RecordingDialogHost host;
};

const std::string kSucceeded = std::string("result:") + kJobSucceededText;
const std::string kFailed = std::string("result:") + kJobFailedText;

}  // namespace

TEST_F(MailSendIntegration, NoAuthenticationDeliversTheReservationText) {
    const Sink target = sink("NOAUTH");
    const int before = target.messageCount();
    EXPECT_EQ(run(kSmtpAuthNone, target), 1);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kSmtpConnectingText, kSmtpHelloText, kMailSendingText}));
    EXPECT_EQ(host.events().end()[-2], kSucceeded);
    expectDelivered(target, before);
    EXPECT_NE(target.messageJson(before + 1).find("\"authUser\": null"), std::string::npos);
}

TEST_F(MailSendIntegration, SmtpAuthChoosesCramMd5WhenAllThreeAreOffered) {
    const Sink target = sink("AUTH");
    const int before = target.messageCount();
    EXPECT_EQ(run(kSmtpAuthSmtp, target), 1);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kSmtpConnectingText, kSmtpHelloText, kSmtpAuthenticatingText,
                                                      kMailSendingText}));
    expectDelivered(target, before);
    const std::string json = target.messageJson(before + 1);
    EXPECT_NE(json.find("\"authUser\": \"" + user + "\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"authMethod\": \"CRAM-MD5\""), std::string::npos) << json;
}

TEST_F(MailSendIntegration, SmtpAuthChoosesLoginOverPlain) {
    const Sink target = sink("LOGIN");
    const int before = target.messageCount();
    EXPECT_EQ(run(kSmtpAuthSmtp, target), 1);
    expectDelivered(target, before);
    EXPECT_NE(target.messageJson(before + 1).find("\"authMethod\": \"LOGIN\""), std::string::npos);
}

TEST_F(MailSendIntegration, SmtpAuthUsesPlainWhenOnlyPlainIsOffered) {
    const Sink target = sink("PLAIN");
    const int before = target.messageCount();
    EXPECT_EQ(run(kSmtpAuthSmtp, target), 1);
    expectDelivered(target, before);
    EXPECT_NE(target.messageJson(before + 1).find("\"authMethod\": \"PLAIN\""), std::string::npos);
}

TEST_F(MailSendIntegration, WrongSmtpPasswordFailsAtAuthenticationForEachMechanism) {
    config.setSmtppass(password + "x");
    for (const char* kind : {"AUTH", "LOGIN", "PLAIN"}) {
        SCOPED_TRACE(kind);
        host.clear();
        const Sink target = sink(kind);
        const int before = target.messageCount();
        EXPECT_EQ(run(kSmtpAuthSmtp, target), 0);
        EXPECT_EQ(host.steps().back(), kSmtpAuthenticatingText);
        EXPECT_EQ(host.events().end()[-2], kFailed);
        EXPECT_EQ(target.messageCount(), before);
    }
}

TEST_F(MailSendIntegration, PopUserPassLoginBeforeSmtp) {
    const Sink target = sink("NOAUTH");
    const std::string log = settings["PELORANE_POP3_LOG"];
    const size_t logBefore = readFile(log).size();
    const int before = target.messageCount();
    EXPECT_EQ(run(kSmtpAuthPopUserPass, target), 1);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kPop3ConnectingText, kPop3AuthenticatingText, kSmtpConnectingText,
                                                      kSmtpHelloText, kMailSendingText}));
    expectDelivered(target, before);
    const std::string entries = logAfter(log, logBefore);
    EXPECT_NE(entries.find("Login: user=<" + user + ">, method=PLAIN"), std::string::npos) << entries;
    EXPECT_NE(entries.find("Disconnected: Logged out"), std::string::npos) << entries;  // QUIT after login
}

TEST_F(MailSendIntegration, PopApopLoginBeforeSmtp) {
    const Sink target = sink("NOAUTH");
    const std::string log = settings["PELORANE_POP3_LOG"];
    const size_t logBefore = readFile(log).size();
    const int before = target.messageCount();
    EXPECT_EQ(run(kSmtpAuthPopApop, target), 1);
    EXPECT_EQ(host.steps().size(), 5u);
    expectDelivered(target, before);
    const std::string entries = logAfter(log, logBefore);
    EXPECT_NE(entries.find("Login: user=<" + user + ">, method=APOP"), std::string::npos) << entries;
}

TEST_F(MailSendIntegration, WrongPopPasswordFailsWithoutQuitAndNeverReachesSmtp) {
    // The second Dovecot instance takes the failure, so its login delay never slows the others.
    config.setPop3fport(testServerPort("PELORANE_POP3_PLAIN_PORT"));
    config.setSmtppass(password + "x");
    const Sink target = sink("NOAUTH");
    const std::string log = settings["PELORANE_POP3_PLAIN_LOG"];
    const size_t logBefore = readFile(log).size();
    const size_t connectionsBefore = target.connectionCount();
    const int before = target.messageCount();
    EXPECT_EQ(run(kSmtpAuthPopUserPass, target), 0);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kPop3ConnectingText, kPop3AuthenticatingText}));
    EXPECT_EQ(host.events().end()[-2], kFailed);
    const std::string entries = logAfter(log, logBefore);
    // "Connection closed": the client left without QUIT ("Aborted login by logging out" otherwise).
    EXPECT_NE(entries.find("Disconnected: Connection closed (auth failed, 1 attempts"), std::string::npos) << entries;
    EXPECT_EQ(entries.find("logging out"), std::string::npos) << entries;
    EXPECT_EQ(target.connectionCount(), connectionsBefore);
    EXPECT_EQ(target.messageCount(), before);
}

TEST_F(MailSendIntegration, ApopAgainstAServerWithoutTimestampSendsNothingAndNeverReachesSmtp) {
    config.setPop3fport(testServerPort("PELORANE_POP3_PLAIN_PORT"));
    const Sink target = sink("NOAUTH");
    const std::string log = settings["PELORANE_POP3_PLAIN_LOG"];
    const size_t logBefore = readFile(log).size();
    const size_t connectionsBefore = target.connectionCount();
    EXPECT_EQ(run(kSmtpAuthPopApop, target), 0);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kPop3ConnectingText, kPop3AuthenticatingText}));
    const std::string entries = logAfter(log, logBefore);
    EXPECT_NE(entries.find("Disconnected: Connection closed (no auth attempts"), std::string::npos) << entries;
    EXPECT_EQ(target.connectionCount(), connectionsBefore);
}

// Encryption. The certificates come from a CA made when the servers started, trusted here only.
// The servers are named "localhost", the name on the good certificates, unless a case says otherwise.
TEST_F(MailSendIntegration, EncryptedConnectionsBookAndRefuseWhatCannotBeTrusted) {
    const TrustedTestCa ca(settings["PELORANE_TLS_CA_PEM"], settings["PELORANE_TLS_CA_DER"]);
    ASSERT_TRUE(ca.trusted());
    const std::string connect = kSmtpConnectingText, hello = kSmtpHelloText, auth = kSmtpAuthenticatingText,
                      send = kMailSendingText, tls = kEncryptingText, refused = kCertificateRejectedText,
                      pop = kPop3ConnectingText, popAuth = kPop3AuthenticatingText;
    const std::string stls = "POP3_STLS", pop3s = "POP3_SSL", plainPop = "POP3_PLAIN";
    struct Case {
        const char* what;
        int smtpauth, smtpsecure, popsecure;
        std::string sink;  // the SMTP sink
        std::string pop3;  // the Dovecot port for POP before SMTP (its log: "POP3_TLS" or "POP3_PLAIN")
        std::string popServer;
        std::vector<std::string> steps;
        bool books;
    };
    const Case cases[] = {
        {"STARTTLS, then AUTH", 1, 1, 0, "STARTTLS", "", "", {connect, hello, tls, hello, auth, send}, true},
        {"SSL/TLS, then AUTH", 1, 2, 0, "TLS", "", "", {connect, tls, hello, auth, send}, true},
        {"POP3 STLS", 2, 0, 1, "NOAUTH", stls, "localhost", {pop, tls, popAuth, connect, hello, send}, true},
        {"POP3 SSL/TLS and APOP", 3, 0, 2, "NOAUTH", pop3s, "localhost", {pop, tls, popAuth, connect, hello, send},
         true},
        {"STARTTLS asked, not offered", 1, 1, 0, "AUTH", "", "", {connect, hello}, false},
        {"STLS asked, not offered", 2, 0, 1, "NOAUTH", plainPop, "localhost", {pop, tls}, false},
        {"certificate for another name", 1, 1, 0, "OTHERNAME", "", "", {connect, hello, tls, refused}, false},
        {"expired certificate", 1, 2, 0, "EXPIRED", "", "", {connect, tls, refused}, false},
        {"certificate from an unknown CA", 1, 1, 0, "UNTRUSTED", "", "", {connect, hello, tls, refused}, false},
        {"POP3 certificate not for the address typed", 2, 0, 2, "NOAUTH", pop3s, "127.0.0.1", {pop, tls, refused},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.clear();
        config.setSmtpserver("localhost");
        config.setSmtpsecure(c.smtpsecure);
        config.setPopsecure(c.popsecure);
        config.setPop3server(c.popServer);
        if (!c.pop3.empty()) config.setPop3fport(testServerPort("PELORANE_" + c.pop3 + "_PORT"));
        const std::string popLog = settings[c.pop3 == plainPop ? "PELORANE_POP3_PLAIN_LOG" : "PELORANE_POP3_TLS_LOG"];
        const size_t popLogBefore = readFile(popLog).size();
        const Sink target = sink(c.sink);
        const int before = target.messageCount();
        const size_t authsBefore = target.authLines().size();
        const size_t connectionsBefore = target.connectionCount();

        EXPECT_EQ(run(c.smtpauth, target), c.books ? 1 : 0);
        EXPECT_EQ(host.steps(), c.steps);
        EXPECT_EQ(host.events().end()[-2], c.books ? kSucceeded : kFailed);
        const std::vector<std::string> auths = target.authLines();
        const std::string popEntries = c.pop3.empty() ? std::string() : logAfter(popLog, popLogBefore);
        if (!c.books) {
            // Nothing of the account went out: no AUTH, no mail, no POP3 login, and after a POP3
            // failure no SMTP connection at all.
            EXPECT_EQ(auths.size(), authsBefore);
            EXPECT_EQ(target.messageCount(), before);
            if (!c.pop3.empty()) {
                EXPECT_NE(popEntries.find("no auth attempts"), std::string::npos) << popEntries;
                EXPECT_EQ(target.connectionCount(), connectionsBefore);
            }
            continue;
        }
        expectDelivered(target, before);
        if (c.smtpauth == kSmtpAuthSmtp) {
            ASSERT_EQ(auths.size(), authsBefore + 1);
            EXPECT_EQ(auths.back(), "auth CRAM-MD5 " + user + " secure=true");
            const std::string json = target.messageJson(before + 1);
            EXPECT_TRUE(json.find("\"tls\": \"TLSv1.2\"") != std::string::npos ||
                        json.find("\"tls\": \"TLSv1.3\"") != std::string::npos)
                << json;
        } else {
            // Dovecot names TLS in the login line of an encrypted session.
            const std::string method = c.smtpauth == kSmtpAuthPopApop ? "APOP" : "PLAIN";
            EXPECT_NE(popEntries.find("Login: user=<" + user + ">, method=" + method), std::string::npos) << popEntries;
            EXPECT_NE(popEntries.find(", TLS"), std::string::npos) << popEntries;
        }
    }
}
