// The mail send job against scripted POP3 and SMTP peers: the sequence for each smtpauth mode, its
// step texts, a cancel before each step, failures at each step, and every connection closed.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "net/MailSendJob.h"
#include "settings/ConfigStore.h"
#include "tests/support/RecordingDialogHost.h"
#include "tests/support/ScriptedMailServer.h"

namespace {

constexpr int kTimeoutMs = 3000;
// Long enough for a connection that should not happen to show up at the server.
constexpr int kNoConnectionWaitMs = 300;

const std::string kApopGreeting = "+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>\r\n";
const std::vector<std::string> kPopAccepting = {"+OK\r\n", "+OK Logged in.\r\n", "+OK bye\r\n"};

const std::string kSmtpGreeting = "220 mail.test ESMTP\r\n";
const std::string kEhloWithLogin = "250-mail.test\r\n250 AUTH LOGIN PLAIN\r\n";
const std::vector<std::string> kLoginAccepted = {"334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "235 ok\r\n"};
const std::vector<std::string> kMailAccepted = {"250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n",
                                                "250 queued\r\n", "221 bye\r\n"};

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::string kRunning = std::string("result:") + kJobRunningText;
const std::string kSucceeded = std::string("result:") + kJobSucceededText;
const std::string kFailed = std::string("result:") + kJobFailedText;
const std::string kCancelled = std::string("result:") + kJobCancelledText;

class MailSendJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        config.setSmtpserver("127.0.0.1");
        config.setPop3server("127.0.0.1");
        config.setSmtpuser("alice");
        config.setSmtppass("s3cret");
        config.setFrom("me@home.test");
        config.setTo("rd@recorder.test");
    }

    void servers(const std::string& popGreeting, std::vector<std::string> popReplies,
                 std::vector<std::string> smtpReplies, const std::string& smtpGreeting = kSmtpGreeting) {
        pop = std::make_unique<ScriptedMailServer>(popGreeting, std::move(popReplies));
        smtp = std::make_unique<ScriptedMailServer>(smtpGreeting, std::move(smtpReplies));
        ASSERT_TRUE(pop->listening());
        ASSERT_TRUE(smtp->listening());
        config.setPop3fport(pop->port());
        config.setSmtpport(smtp->port());
    }

    // Runs the job on this thread as its worker would; returns its result.
    int run(int mode) {
        config.setSmtpauth(mode);
        MailSendJob job(host, config, lines, kTimeoutMs);
        return job.run();
    }

    // The outcome shown last and the completion command after it.
    std::vector<std::string> ending() {
        const std::vector<std::string> events = host.events();
        return std::vector<std::string>(events.end() - 2, events.end());
    }

    ConfigStore config;
    RecordingDialogHost host;
    std::vector<std::string> lines = {"open rdstyle tv SC15 2100 2254 0303", "News", "Tonight"};
    std::unique_ptr<ScriptedMailServer> pop;
    std::unique_ptr<ScriptedMailServer> smtp;
};

}  // namespace

TEST_F(MailSendJobTest, NoAuthenticationModeSkipsPopAndAuthEvenWhenOffered) {
    servers(kApopGreeting, kPopAccepting, concat({kEhloWithLogin}, kMailAccepted));
    EXPECT_EQ(run(kSmtpAuthNone), 1);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kSmtpConnectingText, kSmtpHelloText, kMailSendingText}));
    EXPECT_EQ(host.events().front(), kRunning);
    EXPECT_EQ(ending(), (std::vector<std::string>{kSucceeded, "command:6"}));
    EXPECT_TRUE(smtp->closedByClient(1));
    const std::vector<std::string> sent = smtp->lines();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], "EHLO localhost");
    EXPECT_EQ(sent[1], "MAIL from: <me@home.test>");
    EXPECT_NE(smtp->received().find("\r\n\r\nopen rdstyle tv SC15 2100 2254 0303\r\nNews\r\nTonight\r\n.\r\nQUIT\r\n"),
              std::string::npos);
    EXPECT_FALSE(pop->waitForConnections(1, kNoConnectionWaitMs));
}

TEST_F(MailSendJobTest, SmtpAuthModeLogsInWithLoginWhenTheServerOffersIt) {
    servers(kApopGreeting, kPopAccepting, concat(concat({kEhloWithLogin}, kLoginAccepted), kMailAccepted));
    EXPECT_EQ(run(kSmtpAuthSmtp), 1);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kSmtpConnectingText, kSmtpHelloText, kSmtpAuthenticatingText,
                                                      kMailSendingText}));
    EXPECT_TRUE(smtp->closedByClient(1));
    const std::vector<std::string> sent = smtp->lines();
    ASSERT_GE(sent.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 5),
              (std::vector<std::string>{"EHLO localhost", "AUTH LOGIN", "YWxpY2U=", "czNjcmV0",
                                        "MAIL from: <me@home.test>"}));
    EXPECT_EQ(sent.back(), "QUIT");
    EXPECT_FALSE(pop->waitForConnections(1, kNoConnectionWaitMs));
}

TEST_F(MailSendJobTest, SmtpAuthModeWithNoMechanismOfferedSendsMailWithoutAuth) {
    servers(kApopGreeting, kPopAccepting, concat({"250 mail.test\r\n", "250 mail.test\r\n"}, kMailAccepted));
    EXPECT_EQ(run(kSmtpAuthSmtp), 1);
    EXPECT_EQ(host.steps().size(), 4u);
    const std::vector<std::string> sent = smtp->lines();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[1], "HELO localhost");
    EXPECT_EQ(sent[2], "MAIL from: <me@home.test>");
}

TEST_F(MailSendJobTest, PopUserPassLoginRunsAndClosesBeforeSmtp) {
    servers(kApopGreeting, kPopAccepting, concat({"250 mail.test\r\n", "250 mail.test\r\n"}, kMailAccepted));
    EXPECT_EQ(run(kSmtpAuthPopUserPass), 1);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kPop3ConnectingText, kPop3AuthenticatingText, kSmtpConnectingText,
                                                      kSmtpHelloText, kMailSendingText}));
    EXPECT_TRUE(pop->closedByClient(1));
    EXPECT_EQ(pop->received(), "USER alice\r\nPASS s3cret\r\nQUIT\r\n");
    EXPECT_TRUE(smtp->closedByClient(1));
    EXPECT_EQ(smtp->lines().back(), "QUIT");
    EXPECT_EQ(smtp->received().find("AUTH"), std::string::npos);
}

TEST_F(MailSendJobTest, PopApopLoginUsesTheGreetingTimestamp) {
    servers(kApopGreeting, {"+OK Logged in.\r\n", "+OK bye\r\n"},
            concat({"250 mail.test\r\n", "250 mail.test\r\n"}, kMailAccepted));
    EXPECT_EQ(run(kSmtpAuthPopApop), 1);
    EXPECT_TRUE(pop->closedByClient(1));
    // MD5("<1896.697170952@dbc.mtview.ca.us>" "s3cret")
    EXPECT_EQ(pop->received(), "APOP alice 220883b910ec2846f3624ece13e8293f\r\nQUIT\r\n");
    EXPECT_EQ(ending(), (std::vector<std::string>{kSucceeded, "command:6"}));
}

TEST_F(MailSendJobTest, WrongPopPasswordEndsAfterTheLoginStepWithoutQuitOrSmtp) {
    servers(kApopGreeting, {"+OK\r\n", "-ERR [AUTH] Authentication failed.\r\n", "+OK bye\r\n"}, kMailAccepted);
    EXPECT_EQ(run(kSmtpAuthPopUserPass), 0);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kPop3ConnectingText, kPop3AuthenticatingText}));
    EXPECT_EQ(ending(), (std::vector<std::string>{kFailed, "command:6"}));
    EXPECT_TRUE(pop->closedByClient(1));
    EXPECT_EQ(pop->received(), "USER alice\r\nPASS s3cret\r\n");
    EXPECT_FALSE(smtp->waitForConnections(1, kNoConnectionWaitMs));
}

TEST_F(MailSendJobTest, ApopWithoutTimestampFailsWithoutSendingAnything) {
    servers("+OK Dovecot ready.\r\n", kPopAccepting, kMailAccepted);
    EXPECT_EQ(run(kSmtpAuthPopApop), 0);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kPop3ConnectingText, kPop3AuthenticatingText}));
    EXPECT_TRUE(pop->closedByClient(1));
    EXPECT_EQ(pop->received(), "");
    EXPECT_FALSE(smtp->waitForConnections(1, kNoConnectionWaitMs));
}

TEST_F(MailSendJobTest, NegativePopGreetingFailsAtTheConnectStep) {
    servers("-ERR busy\r\n", kPopAccepting, kMailAccepted);
    EXPECT_EQ(run(kSmtpAuthPopUserPass), 0);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kPop3ConnectingText}));
    EXPECT_TRUE(pop->closedByClient(1));
    EXPECT_EQ(pop->received(), "");
}

namespace {

// A cancel raised when a step text shows: what the servers may have seen by then.
struct CancelCase {
    const char* step;
    int mode;
    int popConnections;
    const char* popReceived;
    int smtpConnections;
    const char* smtpReceived;
};

const CancelCase kCancelCases[] = {
    {kPop3ConnectingText, kSmtpAuthPopUserPass, 0, "", 0, ""},
    {kPop3AuthenticatingText, kSmtpAuthPopUserPass, 1, "", 0, ""},
    {kSmtpConnectingText, kSmtpAuthPopUserPass, 1, "USER alice\r\nPASS s3cret\r\nQUIT\r\n", 0, ""},
    {kSmtpHelloText, kSmtpAuthSmtp, 0, "", 1, ""},
    {kSmtpAuthenticatingText, kSmtpAuthSmtp, 0, "", 1, "EHLO localhost\r\n"},
    {kMailSendingText, kSmtpAuthSmtp, 0, "", 1, "EHLO localhost\r\nAUTH LOGIN\r\nYWxpY2U=\r\nczNjcmV0\r\n"},
};

}  // namespace

TEST_F(MailSendJobTest, CancelBeforeEachStepStopsBeforeItsWork) {
    for (const CancelCase& c : kCancelCases) {
        SCOPED_TRACE(c.step);
        host.clear();
        host.cancelOnStep = c.step;
        servers(kApopGreeting, kPopAccepting, concat(concat({kEhloWithLogin}, kLoginAccepted), kMailAccepted));
        EXPECT_EQ(run(c.mode), 0);
        EXPECT_EQ(host.steps().back(), c.step);
        EXPECT_EQ(ending(), (std::vector<std::string>{kCancelled, "command:6"}));
        if (c.popConnections > 0) {
            EXPECT_TRUE(pop->closedByClient(c.popConnections));
        } else {
            EXPECT_FALSE(pop->waitForConnections(1, kNoConnectionWaitMs));
        }
        EXPECT_EQ(pop->received(), c.popReceived);
        if (c.smtpConnections > 0) {
            EXPECT_TRUE(smtp->closedByClient(c.smtpConnections));
        } else {
            EXPECT_FALSE(smtp->waitForConnections(1, kNoConnectionWaitMs));
        }
        EXPECT_EQ(smtp->received(), c.smtpReceived);
    }
}

namespace {

// SMTP scripts that fail at one step, and the step text showing when it fails.
struct SmtpFailure {
    const char* what;
    std::string greeting;
    std::vector<std::string> replies;
    const char* lastStep;
};

}  // namespace

TEST_F(MailSendJobTest, FailureAtEachSmtpStepFailsTheJobAndClosesTheConnection) {
    const std::vector<SmtpFailure> failures = {
        {"greeting without code", "abc def\r\n", {}, kSmtpConnectingText},
        {"EHLO and HELO refused", kSmtpGreeting, {"500 no\r\n", "502 no\r\n"}, kSmtpHelloText},
        {"AUTH refused", kSmtpGreeting, {kEhloWithLogin, "535 no\r\n"}, kSmtpAuthenticatingText},
        {"password refused", kSmtpGreeting, {kEhloWithLogin, "334 a\r\n", "334 b\r\n", "535 no\r\n"},
         kSmtpAuthenticatingText},
        {"sender refused", kSmtpGreeting, concat({kEhloWithLogin}, concat(kLoginAccepted, {"550 no\r\n"})),
         kMailSendingText},
        {"message refused", kSmtpGreeting,
         concat({kEhloWithLogin}, concat(kLoginAccepted, {"250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n",
                                                          "554 rejected\r\n"})),
         kMailSendingText},
    };
    for (const SmtpFailure& f : failures) {
        SCOPED_TRACE(f.what);
        host.clear();
        servers(kApopGreeting, kPopAccepting, f.replies, f.greeting);
        EXPECT_EQ(run(kSmtpAuthSmtp), 0);
        EXPECT_EQ(host.steps().back(), f.lastStep);
        EXPECT_EQ(ending(), (std::vector<std::string>{kFailed, "command:6"}));
        EXPECT_TRUE(smtp->closedByClient(1));
        EXPECT_EQ(smtp->received().find("QUIT"), std::string::npos);
        EXPECT_EQ(smtp->received().find("RSET"), std::string::npos);
    }
}

// Encryption asked for that cannot start ends the job at once: nothing of the account goes out, and
// a POP3 step that fails so never reaches SMTP. A value of no known kind counts as asked for.
TEST_F(MailSendJobTest, EncryptionThatCannotStartEndsTheJobBeforeTheAccountIsSent) {
    const std::string pop3 = kPop3ConnectingText, connect = kSmtpConnectingText, hello = kSmtpHelloText,
                      tls = kEncryptingText;
    const std::string ehloWithStartTls = "250-mail.test\r\n250-STARTTLS\r\n250 AUTH LOGIN PLAIN\r\n";
    struct Case {
        const char* what;
        int smtpauth;
        const char *smtpsecure, *popsecure;  // as the file holds them
        std::vector<std::string> popReplies, smtpReplies, steps;
        std::vector<std::string> popSent, smtpSent;  // every line each server received
    };
    const Case cases[] = {
        {"STARTTLS not offered", 1, "1", "0", {}, {kEhloWithLogin}, {connect, hello}, {}, {"EHLO localhost"}},
        {"STARTTLS refused", 1, "1", "0", {}, {ehloWithStartTls, "454 not now\r\n"}, {connect, hello, tls}, {},
         {"EHLO localhost", "STARTTLS"}},
        {"STLS refused", 2, "0", "1", {"-ERR not here\r\n"}, {}, {pop3, tls}, {"STLS"}, {}},
        {"smtpsecure of no known kind", 1, "3", "0", {}, {kEhloWithLogin}, {connect}, {}, {}},
        {"popsecure of no known kind", 2, "0", "-1", {}, {}, {pop3}, {}, {}},
        {"smtpsecure written as a word", 1, "STARTTLS", "", {}, {kEhloWithLogin}, {connect}, {}, {}},
        {"popsecure written as a word", 2, "0", "SSL/TLS", {}, {}, {pop3}, {}, {}},
    };
    const auto expectSent = [](ScriptedMailServer& server, const std::vector<std::string>& lines) {
        if (lines.empty()) {
            EXPECT_FALSE(server.waitForConnections(1, kNoConnectionWaitMs));
            return;
        }
        EXPECT_TRUE(server.closedByClient(1));
        EXPECT_EQ(server.lines(), lines);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.clear();
        servers(kApopGreeting, c.popReplies, c.smtpReplies);
        config.setString(ConfigStore::kConfigSection, "smtpsecure", c.smtpsecure);
        config.setString(ConfigStore::kConfigSection, "popsecure", c.popsecure);
        EXPECT_EQ(run(c.smtpauth), 0);
        EXPECT_EQ(host.steps(), c.steps);
        EXPECT_EQ(ending(), (std::vector<std::string>{kFailed, "command:6"}));
        expectSent(*pop, c.popSent);
        expectSent(*smtp, c.smtpSent);
    }
}

// SSL/TLS chosen for a port where the server talks plain text: the greeting is no TLS record, so
// the job ends at once rather than after the time-out, and nothing of the account goes out.
TEST_F(MailSendJobTest, SslTlsAgainstAPlainTextServerFailsAtOnce) {
    const struct {
        int smtpauth, smtpsecure, popsecure;
        std::vector<std::string> steps;
    } cases[] = {{kSmtpAuthSmtp, kMailSecurityTls, 0, {kSmtpConnectingText, kEncryptingText}},
                 {kSmtpAuthPopUserPass, 0, kMailSecurityTls, {kPop3ConnectingText, kEncryptingText}}};
    for (const auto& c : cases) {
        host.clear();
        servers(kApopGreeting, {"-ERR what\r\n"}, {"500 what\r\n"});
        config.setSmtpsecure(c.smtpsecure);
        config.setPopsecure(c.popsecure);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(run(c.smtpauth), 0);
        const auto elapsed = std::chrono::steady_clock::now() - started;
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), kTimeoutMs / 2);
        EXPECT_EQ(host.steps(), c.steps);
        EXPECT_EQ((c.popsecure ? pop : smtp)->received().find("alice"), std::string::npos);
    }
}

TEST_F(MailSendJobTest, UnreachableSmtpServerFails) {
    servers(kApopGreeting, kPopAccepting, kMailAccepted);
    const int freePort = smtp->port();
    smtp.reset();
    config.setSmtpport(freePort);
    EXPECT_EQ(run(kSmtpAuthSmtp), 0);
    EXPECT_EQ(host.steps(), (std::vector<std::string>{kSmtpConnectingText}));
    EXPECT_EQ(ending(), (std::vector<std::string>{kFailed, "command:6"}));
}
