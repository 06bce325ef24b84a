// The POP3 login client: what counts as a positive reply, the line limit, USER/PASS and APOP on
// the wire, and the refusals that send nothing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/Pop3Client.h"
#include "tests/support/MemoryStream.h"
#include "tests/support/ScriptedMailServer.h"

namespace {

constexpr int kTimeoutMs = 3000;

bool positive(const std::string& bytes) {
    ChunkStream stream({bytes});
    Pop3Client client(stream);
    return client.readReply();
}

// A client connected to the server, its greeting read and accepted.
std::unique_ptr<Pop3Client> greetedBy(ScriptedMailServer& server) {
    auto client = std::make_unique<Pop3Client>(kTimeoutMs);
    EXPECT_TRUE(server.listening());
    EXPECT_TRUE(client->open("127.0.0.1", server.port()));
    EXPECT_TRUE(client->readReply());
    return client;
}

// What the client sent, once it has closed the connection.
std::string sentBy(Pop3Client& client, ScriptedMailServer& server) {
    client.close();
    EXPECT_TRUE(server.closedByClient(1));
    return server.received();
}

}  // namespace

TEST(Pop3Reply, OnlyUpperCasePlusOkAtTheStartIsPositive) {
    EXPECT_TRUE(positive("+OK ready\r\n"));
    EXPECT_TRUE(positive("+OKAY\r\n"));
    EXPECT_TRUE(positive("+OK"));  // a last line without LF still counts
    EXPECT_FALSE(positive("+ok ready\r\n"));
    EXPECT_FALSE(positive("-ERR [AUTH] Authentication failed.\r\n"));
    EXPECT_FALSE(positive("+O\r\n"));
    EXPECT_FALSE(positive(" +OK\r\n"));
    EXPECT_FALSE(positive(""));
}

TEST(Pop3Reply, OneLinePerReplyWithCarriageReturnRemoved) {
    ChunkStream stream({"+OK first\r\n-ERR second\r\n"});
    Pop3Client client(stream);
    EXPECT_TRUE(client.readReply());
    EXPECT_EQ(client.lastReply(), "+OK first");
    EXPECT_FALSE(client.readReply());
    EXPECT_EQ(client.lastReply(), "-ERR second");
    EXPECT_EQ(client.greeting(), "+OK first");
}

TEST(Pop3Reply, LineLengthIsBoundedAndAnOverlongLineStopsReading) {
    const std::string longest = "+OK " + std::string(kMaxReplyLineLength - 4, 'a');
    EXPECT_TRUE(positive(longest + "\r\n"));

    ChunkStream stream({longest + "a\r\n+OK next\r\n"});
    Pop3Client client(stream);
    EXPECT_FALSE(client.readReply());
    EXPECT_FALSE(client.readReply());
}

TEST(Pop3Login, UserAndPassLinesOnTheWire) {
    ScriptedMailServer server("+OK ready\r\n", {"+OK\r\n", "+OK Logged in.\r\n", "+OK bye\r\n"});
    auto client = greetedBy(server);
    EXPECT_TRUE(client->user("alice"));
    EXPECT_TRUE(client->readReply());
    EXPECT_TRUE(client->pass("s3 cret"));
    EXPECT_TRUE(client->readReply());
    EXPECT_TRUE(client->quit());
    EXPECT_TRUE(client->readReply());
    EXPECT_EQ(sentBy(*client, server), "USER alice\r\nPASS s3 cret\r\nQUIT\r\n");
}

TEST(Pop3Login, WrongPasswordIsANegativeReply) {
    ScriptedMailServer server("+OK ready\r\n", {"+OK\r\n", "-ERR [AUTH] Authentication failed.\r\n"});
    auto client = greetedBy(server);
    ASSERT_TRUE(client->user("alice"));
    ASSERT_TRUE(client->readReply());
    ASSERT_TRUE(client->pass("wrong"));
    EXPECT_FALSE(client->readReply());
}

TEST(Pop3Login, ApopDigestsTheGreetingTimestampAsRfc1939Shows) {
    ScriptedMailServer server("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n", {"+OK\r\n"});
    auto client = greetedBy(server);
    EXPECT_TRUE(client->apop("mrose", "tanstaaf"));
    EXPECT_TRUE(client->readReply());
    EXPECT_EQ(sentBy(*client, server), "APOP mrose c4c9334bac560ecc979e58001b3e22fb\r\n");
}

TEST(Pop3Login, ApopDigestsTextAfterTheClosingBracketToo) {
    // MD5("<ts@host> trailing text" + "pw")
    ScriptedMailServer server("+OK ready <ts@host> trailing text\r\n", {"+OK\r\n"});
    auto client = greetedBy(server);
    EXPECT_TRUE(client->apop("u", "pw"));
    EXPECT_EQ(sentBy(*client, server), "APOP u cf70498708761842a46e551dfc2e1804\r\n");
}

TEST(Pop3Login, ApopUsesTheGreetingEvenAfterLaterReplies) {
    ScriptedMailServer server("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n",
                              {"-ERR no\r\n", "+OK\r\n"});
    auto client = greetedBy(server);
    ASSERT_TRUE(client->user("mrose"));
    ASSERT_FALSE(client->readReply());
    EXPECT_TRUE(client->apop("mrose", "tanstaaf"));
    EXPECT_EQ(sentBy(*client, server), "USER mrose\r\nAPOP mrose c4c9334bac560ecc979e58001b3e22fb\r\n");
}

TEST(Pop3Login, ApopWithoutTimestampInTheGreetingSendsNothing) {
    ScriptedMailServer server("+OK Dovecot ready.\r\n", {"+OK\r\n"});
    auto client = greetedBy(server);
    EXPECT_FALSE(client->apop("alice", "s3cret"));
    EXPECT_EQ(sentBy(*client, server), "");
}

TEST(Pop3Login, ApopWithoutNameOrPasswordSendsNothing) {
    ScriptedMailServer server("+OK ready <1.2@host>\r\n", {"+OK\r\n"});
    auto client = greetedBy(server);
    EXPECT_FALSE(client->apop("", "s3cret"));
    EXPECT_FALSE(client->apop("alice", ""));
    EXPECT_EQ(sentBy(*client, server), "");
}

TEST(Pop3Login, ArgumentsWithLineBreaksAreRefusedUnsent) {
    ScriptedMailServer server("+OK ready <1.2@host>\r\n", {"+OK\r\n"});
    auto client = greetedBy(server);
    EXPECT_FALSE(client->user("alice\r\nDELE 1"));
    EXPECT_FALSE(client->pass("pw\nQUIT"));
    EXPECT_FALSE(client->apop("alice\rDELE 1", "pw"));
    EXPECT_EQ(sentBy(*client, server), "");
}

// STLS refused, or plain text that came with its "+OK": no handshake, and no USER after it.
TEST(Pop3Stls, RefusedBeforeTheHandshakeAndTheConnectionSendsNothingMore) {
    for (const char* replies : {"-ERR not here\r\n", "+OK begin\r\n+OK forged\r\n"}) {
        ChunkStream stream({"+OK ready\r\n", replies});
        Pop3Client client(stream);
        ASSERT_TRUE(client.readReply());
        EXPECT_EQ(client.stls("pop.test"), TlsResult::Failed) << replies;
        EXPECT_FALSE(client.user("alice")) << replies;
        EXPECT_EQ(stream.written, "STLS\r\n") << replies;
    }
}
