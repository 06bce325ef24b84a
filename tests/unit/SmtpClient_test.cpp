// The SMTP client: reply reading and its limits, the mechanism choice, the three AUTH exchanges,
// and the message on the wire (layout, ISO-2022-JP, dot-stuffing, line breaks inside a line).
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "net/SmtpClient.h"
#include "tests/support/MemoryStream.h"
#include "tests/support/ScriptedMailServer.h"

namespace {

constexpr int kTimeoutMs = 3000;
const std::string kGreeting = "220 mail.test ESMTP\r\n";

// A client connected to the server, its greeting read.
std::unique_ptr<SmtpClient> connectTo(ScriptedMailServer& server) {
    auto client = std::make_unique<SmtpClient>(kTimeoutMs);
    EXPECT_TRUE(server.listening());
    EXPECT_TRUE(client->connect("127.0.0.1", server.port()));
    return client;
}

// Everything after the first line (EHLO) that the client sent, once it has closed.
std::string sentAfterEhlo(ScriptedMailServer& server) {
    EXPECT_TRUE(server.closedByClient(1));
    const std::string all = server.received();
    return all.substr(all.find("\r\n") + 2);
}

int replyCodeOf(const std::string& bytes, std::vector<std::string>* lines = nullptr) {
    ChunkStream stream({bytes});
    SmtpClient client(stream);
    const int code = client.readReply();
    if (lines != nullptr) *lines = client.replyLines();
    return code;
}

std::string repeated(const std::string& line, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += line;
    return out;
}

}  // namespace

TEST(SmtpReply, MultiLineReplyGivesTheLastLinesCodeAndKeepsEveryLine) {
    std::vector<std::string> lines;
    EXPECT_EQ(replyCodeOf("250-mail.test\r\n250-PIPELINING\n250 AUTH PLAIN\r\n", &lines), 250);
    EXPECT_EQ(lines, (std::vector<std::string>{"250-mail.test", "250-PIPELINING", "250 AUTH PLAIN"}));
}

TEST(SmtpReply, FinalLineOfThreeCharactersFails) {
    EXPECT_EQ(replyCodeOf("250\r\n"), -1);
    EXPECT_EQ(replyCodeOf("250-x\r\n25\r\n250 ok\r\n"), -1);  // a short continuation line as well
    EXPECT_EQ(replyCodeOf("250 \r\n"), 250);                  // four characters are enough
}

TEST(SmtpReply, CodeIsTheLeadingDigitsAndZeroWithoutThem) {
    EXPECT_EQ(replyCodeOf("554 no\r\n"), 554);
    EXPECT_EQ(replyCodeOf("abc def\r\n"), 0);
    EXPECT_EQ(replyCodeOf("2x5 odd\r\n"), 2);
}

TEST(SmtpReply, EndOfDataBeforeTheFinalLineFails) {
    EXPECT_EQ(replyCodeOf(""), -1);
    EXPECT_EQ(replyCodeOf("250-first\r\n250-second\r\n"), -1);
    EXPECT_EQ(replyCodeOf("250 last line without LF"), 250);
}

TEST(SmtpReply, ContinuationLinesAreBoundedByTheLimit) {
    EXPECT_EQ(replyCodeOf(repeated("250-x\r\n", kMaxReplyLines - 1) + "250 ok\r\n"), 250);
    EXPECT_EQ(replyCodeOf(repeated("250-x\r\n", kMaxReplyLines) + "250 ok\r\n"), -1);
}

TEST(SmtpReply, LineLengthIsBoundedAndAnOverlongLineStopsReading) {
    const std::string longest = "250 " + std::string(kMaxReplyLineLength - 4, 'a');
    EXPECT_EQ(replyCodeOf(longest + "\r\n"), 250);

    ChunkStream stream({longest + "a\r\n250 next\r\n"});
    SmtpClient client(stream);
    EXPECT_EQ(client.readReply(), -1);
    EXPECT_EQ(client.readReply(), -1);  // the rest of the data is not trusted any more
}

TEST(SmtpReply, CrFloodEndsTheStepAtTheLineBoundNotAtTheTimeOut) {
    struct Case {
        const char* what;
        std::string greeting;
        std::vector<std::string> replies;
    };
    const Case cases[] = {
        {"greeting", ScriptedMailServer::kCrFlood, {}},
        {"EHLO reply", kGreeting, {ScriptedMailServer::kCrFlood}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedMailServer server(c.greeting, c.replies);
        SmtpClient client(kTimeoutMs);
        const auto started = std::chrono::steady_clock::now();
        const bool ok = client.connect("127.0.0.1", server.port()) && client.hello("localhost") != AuthMechanism::None;
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_FALSE(ok);
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), kTimeoutMs / 2);
    }
}

TEST(SmtpReply, ConnectFailsOnAGreetingWithoutCode) {
    ScriptedMailServer server("abc def\r\n", {});
    SmtpClient client(kTimeoutMs);
    EXPECT_FALSE(client.connect("127.0.0.1", server.port()));
}

TEST(SmtpHello, AllThreeMechanismsOfferedChoosesCramMd5WithoutHelo) {
    ScriptedMailServer server(kGreeting, {"250-mail.test\r\n250-AUTH LOGIN PLAIN CRAM-MD5\r\n250 8BITMIME\r\n"});
    auto client = connectTo(server);
    EXPECT_EQ(client->hello("localhost"), AuthMechanism::CramMd5);
    client->close();
    EXPECT_TRUE(server.closedByClient(1));
    EXPECT_EQ(server.received(), "EHLO localhost\r\n");
}

TEST(SmtpHello, FirstAuthLineWithAKnownNameDecides) {
    ScriptedMailServer server(kGreeting, {"250-mail.test\r\n250-AUTH=LOGIN\r\n250 AUTH PLAIN\r\n"});
    auto client = connectTo(server);
    EXPECT_EQ(client->hello("localhost"), AuthMechanism::Login);
}

TEST(SmtpHello, AuthLineWithoutKnownNameIsPassedOver) {
    ScriptedMailServer server(kGreeting, {"250-mail.test\r\n250-AUTH GSSAPI NTLM\r\n250 AUTH PLAIN\r\n"});
    auto client = connectTo(server);
    EXPECT_EQ(client->hello("localhost"), AuthMechanism::Plain);
}

TEST(SmtpHello, NoUsableAuthLineSendsHeloAndAuthenticateSendsNothing) {
    // Lower case does not count: the search is case-sensitive.
    ScriptedMailServer server(kGreeting, {"250-mail.test\r\n250 auth plain\r\n", "250 mail.test\r\n"});
    auto client = connectTo(server);
    EXPECT_EQ(client->hello("localhost"), AuthMechanism::HeloOnly);
    EXPECT_TRUE(client->authenticate("bob", "pw"));
    client->close();
    EXPECT_TRUE(server.closedByClient(1));
    EXPECT_EQ(server.received(), "EHLO localhost\r\nHELO localhost\r\n");
}

TEST(SmtpHello, EhloRefusedWith500FallsBackToHelo) {
    ScriptedMailServer server(kGreeting, {"500 what?\r\n", "250 mail.test\r\n"});
    auto client = connectTo(server);
    EXPECT_EQ(client->hello("localhost"), AuthMechanism::HeloOnly);
    EXPECT_EQ(server.lines(), (std::vector<std::string>{"EHLO localhost", "HELO localhost"}));
}

TEST(SmtpHello, HeloRefusedAsWellIsFailure) {
    ScriptedMailServer server(kGreeting, {"500 what?\r\n", "501 no\r\n"});
    auto client = connectTo(server);
    EXPECT_EQ(client->hello("localhost"), AuthMechanism::None);
    EXPECT_FALSE(client->authenticate("bob", "pw"));
    EXPECT_EQ(server.lines().size(), 2u);  // nothing sent for the failed authentication
}

TEST(SmtpAuthenticate, PlainSendsUserTwiceAndPasswordInOneLine) {
    ScriptedMailServer server(kGreeting, {"250 AUTH PLAIN\r\n", "235 ok\r\n"});
    auto client = connectTo(server);
    ASSERT_EQ(client->hello("localhost"), AuthMechanism::Plain);
    EXPECT_TRUE(client->authenticate("bob", "pw"));
    EXPECT_EQ(server.lines().back(), "AUTH PLAIN Ym9iAGJvYgBwdw==");  // bob NUL bob NUL pw
}

TEST(SmtpAuthenticate, PlainRefusedFails) {
    ScriptedMailServer server(kGreeting, {"250 AUTH PLAIN\r\n", "535 no\r\n"});
    auto client = connectTo(server);
    ASSERT_EQ(client->hello("localhost"), AuthMechanism::Plain);
    EXPECT_FALSE(client->authenticate("bob", "pw"));
}

TEST(SmtpAuthenticate, LoginSendsUserAndPasswordAfterEachPrompt) {
    ScriptedMailServer server(kGreeting,
                              {"250 AUTH LOGIN\r\n", "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "235 ok\r\n"});
    auto client = connectTo(server);
    ASSERT_EQ(client->hello("localhost"), AuthMechanism::Login);
    EXPECT_TRUE(client->authenticate("bob", "pw"));
    client->close();
    EXPECT_EQ(sentAfterEhlo(server), "AUTH LOGIN\r\nYm9i\r\ncHc=\r\n");
}

TEST(SmtpAuthenticate, LoginStopsAtTheFirstWrongPrompt) {
    ScriptedMailServer server(kGreeting, {"250 AUTH LOGIN\r\n", "334 VXNlcm5hbWU6\r\n", "535 no such user\r\n"});
    auto client = connectTo(server);
    ASSERT_EQ(client->hello("localhost"), AuthMechanism::Login);
    EXPECT_FALSE(client->authenticate("bob", "pw"));
    client->close();
    EXPECT_EQ(sentAfterEhlo(server), "AUTH LOGIN\r\nYm9i\r\n");  // the password never went out
}

TEST(SmtpAuthenticate, CramMd5AnswersTheChallengeAsRfc2195Shows) {
    // RFC 2195 section 2: user tim, secret tanstaaftanstaaf.
    ScriptedMailServer server(kGreeting, {"250 AUTH CRAM-MD5\r\n",
                                          "334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n",
                                          "235 ok\r\n"});
    auto client = connectTo(server);
    ASSERT_EQ(client->hello("localhost"), AuthMechanism::CramMd5);
    EXPECT_TRUE(client->authenticate("tim", "tanstaaftanstaaf"));
    client->close();
    EXPECT_EQ(sentAfterEhlo(server), "AUTH CRAM-MD5\r\ndGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw\r\n");
}

TEST(SmtpAuthenticate, CramMd5ChallengeEndsAtAZeroByteAndShortUserGetsFullPadding) {
    // The challenge decodes to the RFC 2195 text, a zero byte and "junk"; a two-character user
    // makes a 35-byte response whose Base64 ends in one "=".
    ScriptedMailServer server(kGreeting, {"250 AUTH CRAM-MD5\r\n",
                                          "334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+AGp1bms=\r\n",
                                          "235 ok\r\n"});
    auto client = connectTo(server);
    ASSERT_EQ(client->hello("localhost"), AuthMechanism::CramMd5);
    EXPECT_TRUE(client->authenticate("ab", "pw"));
    EXPECT_EQ(server.lines().back(), "YWIgYjAzN2EwYThmZDhjZDI2MWRlNmE5Mzg3YTFlODI2NDg=");
}

class SmtpSendMail : public ::testing::Test {
protected:
    // The replies after the greeting: EHLO without AUTH, HELO, then the given ones.
    void run(const std::string& from, const std::string& to, const std::vector<std::string>& lines,
             std::vector<std::string> replies) {
        replies.insert(replies.begin(), {"250 mail.test\r\n", "250 mail.test\r\n"});
        server = std::make_unique<ScriptedMailServer>(kGreeting, replies);
        auto client = connectTo(*server);
        ASSERT_EQ(client->hello("localhost"), AuthMechanism::HeloOnly);
        sent = client->sendMail(from, to, lines);
        if (sent) client->quit();
        client->close();
        ASSERT_TRUE(server->closedByClient(1));
        const std::string all = server->received();
        const std::string helo = "HELO localhost\r\n";
        wire = all.substr(all.find(helo) + helo.size());
    }

    // The body lines between the blank line after the headers and the closing "." line.
    std::string bodyOnTheWire() const {
        const size_t start = wire.find("\r\n\r\n") + 4;
        const size_t end = wire.rfind("\r\n.\r\n") + 2;
        return wire.substr(start, end - start);
    }

    const std::vector<std::string> kAccepting = {"250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n",
                                                 "250 queued\r\n", "221 bye\r\n"};
    std::unique_ptr<ScriptedMailServer> server;
    bool sent = false;
    std::string wire;
};

TEST_F(SmtpSendMail, EnvelopeHeadersBodyAndQuitOnTheWire) {
    run("me@home.test", "rd@recorder.test", {"open rdstyle tv SC15 2100 2254 0303", "News", "Tonight"}, kAccepting);
    EXPECT_TRUE(sent);
    EXPECT_EQ(wire,
              "MAIL from: <me@home.test>\r\n"
              "RCPT to: <rd@recorder.test>\r\n"
              "RCPT to: <me@home.test>\r\n"
              "DATA\r\n"
              "From: me@home.test\r\n"
              "To: rd@recorder.test\r\n"
              "Bcc: me@home.test\r\n"
              "Content-Type: text/plain; charset=iso-2022-jp\r\n"
              "Content-Transfer-Encoding: 7bit\r\n"
              "\r\n"
              "open rdstyle tv SC15 2100 2254 0303\r\n"
              "News\r\n"
              "Tonight\r\n"
              ".\r\n"
              "QUIT\r\n");
}

TEST_F(SmtpSendMail, OnlyByteIdenticalAddressesShareOneRcptWithoutBcc) {
    run("rd@recorder.test", "rd@recorder.test", {"x"},
        {"250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 queued\r\n", "221 bye\r\n"});
    EXPECT_TRUE(sent);
    EXPECT_EQ(wire.find("RCPT", wire.find("RCPT") + 1), std::string::npos);
    EXPECT_EQ(wire.find("Bcc:"), std::string::npos);

    run("Me@home.test", "me@home.test", {"x"}, kAccepting);  // case counts
    EXPECT_NE(wire.find("Bcc: Me@home.test\r\n"), std::string::npos);
    EXPECT_NE(wire.find("RCPT to: <Me@home.test>\r\n"), std::string::npos);
}

TEST_F(SmtpSendMail, KanjiGoesOutBetweenEscapeSequences) {
    // 日本語の番組
    run("a@x", "b@x", {"\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x94\xd4\x91\x67"}, kAccepting);
    EXPECT_EQ(bodyOnTheWire(), "\x1b$BF|K\\8l$NHVAH\x1b(J\r\n");
}

TEST_F(SmtpSendMail, LinesStartingWithADotAreStuffed) {
    run("a@x", "b@x", {".hidden", "..two", ".", "a.b"}, kAccepting);
    EXPECT_TRUE(sent);
    EXPECT_EQ(bodyOnTheWire(), "..hidden\r\n...two\r\n..\r\na.b\r\n");
}

TEST_F(SmtpSendMail, DetailCannotEndTheMessageOrInjectCommands) {
    run("a@x", "b@x", {"open", "title", "line\r\n.\r\nRSET\r\nMAIL from: <evil@x>"}, kAccepting);
    EXPECT_TRUE(sent);
    EXPECT_EQ(bodyOnTheWire(), "open\r\ntitle\r\nline\r\n..\r\nRSET\r\nMAIL from: <evil@x>\r\n");
    // The server took the whole text as one message: its replies stayed in step up to QUIT.
    EXPECT_EQ(wire.substr(wire.size() - 11), "\r\n.\r\nQUIT\r\n");
}

TEST_F(SmtpSendMail, LoneLfAndLoneCrBreakLinesTooAndEmptyPiecesStayEmptyLines) {
    run("a@x", "b@x", {"one\ntwo\rthree\r\rfour", "", "end\n"}, kAccepting);
    EXPECT_EQ(bodyOnTheWire(), "one\r\ntwo\r\nthree\r\n\r\nfour\r\n\r\nend\r\n\r\n");
}

TEST_F(SmtpSendMail, AddressWithALineBreakIsRefusedBeforeAnythingIsSent) {
    run("a@x>\r\nRCPT to: <evil@x", "b@x", {"x"}, kAccepting);
    EXPECT_FALSE(sent);
    EXPECT_EQ(wire, "");
    run("a@x", "b@x\nDATA", {"x"}, kAccepting);
    EXPECT_FALSE(sent);
    EXPECT_EQ(wire, "");
}

TEST_F(SmtpSendMail, RefusedRecipientEndsWithoutDataOrReset) {
    run("a@x", "b@x", {"x"}, {"250 ok\r\n", "550 no such user\r\n", "250 ok\r\n", "354 go\r\n"});
    EXPECT_FALSE(sent);
    EXPECT_EQ(wire, "MAIL from: <a@x>\r\nRCPT to: <b@x>\r\n");
}

TEST_F(SmtpSendMail, EachRefusalFails) {
    const std::vector<std::vector<std::string>> refusals = {
        {"451 later\r\n"},                                                    // MAIL
        {"250 ok\r\n", "250 ok\r\n", "452 full\r\n"},                          // second RCPT
        {"250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n"},              // DATA not with 354
        {"250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "554 no\r\n"}  // message refused
    };
    for (const auto& replies : refusals) {
        run("a@x", "b@x", {"x"}, replies);
        EXPECT_FALSE(sent) << replies.back();
        EXPECT_EQ(wire.find("QUIT"), std::string::npos);
    }
}

TEST(SmtpStartTls, OfferedOnlyAsAnExtensionKeywordInAnyCase) {
    using Lines = std::vector<std::string>;
    const std::pair<Lines, bool> cases[] = {
        {{"250-mail.test", "250-STARTTLS", "250 AUTH PLAIN"}, true},
        {{"250-mail.test", "250 starttls"}, true},
        {{"250-mail.test", "250 StartTLS now"}, true},  // parameters after the keyword
        {{"250 STARTTLS"}, false},                      // the first line names the server
        {{"250-mail.test", "250-STARTTLSX", "250 X-STARTTLS"}, false},
        {{"250-mail.test", "250 AUTH STARTTLS"}, false},
        {{"250-mail.test", "250-STARTTL", "250"}, false},
    };
    for (const auto& [lines, offered] : cases) EXPECT_EQ(offersStartTls(lines), offered) << lines.back();
}

// Encryption that cannot start leaves nothing to send over: no command after a refusal, and no
// plain text taken that came with the go-ahead (it would pass for replies sent under encryption).
TEST(SmtpStartTls, RefusedBeforeTheHandshakeAndTheConnectionSendsNothingMore) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"refused", {"454 TLS not available\r\n"}},
        {"plain text after the go-ahead", {"220 go ahead\r\n250 AUTH PLAIN\r\n"}},
        {"end of data", {}},
    };
    for (const auto& [what, replies] : cases) {
        ChunkStream stream(replies);
        SmtpClient client(stream);
        EXPECT_EQ(client.startTls("mail.test"), TlsResult::Failed) << what;
        EXPECT_FALSE(client.sendCommand("AUTH PLAIN", "AGFsaWNlAHMzY3JldA==")) << what;
        EXPECT_EQ(stream.written, "STARTTLS\r\n") << what;
    }
}
