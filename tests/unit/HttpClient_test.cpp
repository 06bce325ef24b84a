// The HTTP client against scripted loopback servers: the request on the wire, heads, bodies,
// chunked coding, resumption and the limits that keep a hostile server from stalling a job.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/ChunkedSource.h"
#include "net/HttpClient.h"
#include "settings/ConfigStore.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/StringSource.h"

namespace {

// Records every callback for order checks.
class TraceReceiver : public BodyReceiver {
public:
    explicit TraceReceiver(std::string& body) : BodyReceiver(body) {}
    bool onConnect(const std::string& host, int port) override {
        trace.push_back("connect " + host + ":" + std::to_string(port));
        return true;
    }
    bool onLength(int length) override {
        trace.push_back("length " + std::to_string(length));
        return true;
    }
    bool onRetry(int attempt) override {
        trace.push_back("retry " + std::to_string(attempt));
        return BodyReceiver::onRetry(attempt);
    }
    void onComplete() override {
        trace.push_back("complete");
        BodyReceiver::onComplete();
    }
    std::vector<std::string> trace;
};

std::string ok(const std::string& body, const std::string& extra = "") {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

HttpClient clientFor(const ScriptedServer& server) {
    HttpClient client(3000);
    client.host = "127.0.0.1";
    client.port = server.port();
    client.setHeader("Connection", "close");
    return client;
}

}  // namespace

TEST(HttpClient, RequestLineAndHeaderOrderOnTheWire) {
    ScriptedServer server({ok("x")});
    ASSERT_TRUE(server.listening());
    HttpClient client = clientFor(server);
    client.method = "POST";
    client.authorization = basicCredentials("user", "pass");
    std::string body;
    BodyReceiver receiver(body);
    ASSERT_TRUE(client.sendRequest("/remote/remote.htm?key=%02X", "0123456789", receiver));
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0],
              "POST /remote/remote.htm?key=%02X HTTP/1.1\r\n"
              "Connection: close\r\n"
              "Content-Length: 10\r\n"
              "authorization: Basic dXNlcjpwYXNz\r\n"
              "host: 127.0.0.1\r\n"
              "\r\n"
              "0123456789");
    EXPECT_EQ(body, "x");
    EXPECT_EQ(client.response().status(), 200);
    EXPECT_EQ(client.response().reason(), "OK");
}

TEST(HttpClient, ProxyFormOfTheRequestTarget) {
    HttpClient client;
    client.host = "rd.example";
    client.port = 8080;
    client.proxyHost = "proxy";
    client.proxyAuthorization = "Basic cHg6cHk=";
    client.path = "program/b_prgrm.htm";
    std::string head = client.requestHead();
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET http://rd.example:8080/program/b_prgrm.htm HTTP/1.1");
    EXPECT_NE(head.find("host: rd.example\r\n"), std::string::npos);
    EXPECT_NE(head.find("proxy-authorization: Basic cHg6cHk=\r\n"), std::string::npos);
    client.port = 80;
    client.path = "/a";
    head = client.requestHead();
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET http://rd.example/a HTTP/1.1");
    HttpClient direct;
    direct.host = "rd.example";
    direct.port = 8080;
    direct.path = "program/b_prgrm.htm";
    head = direct.requestHead();
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET program/b_prgrm.htm HTTP/1.1");
    EXPECT_EQ(head.find("proxy-authorization"), std::string::npos);
}

TEST(HttpClient, ConfigureFromSettings) {
    ConfigStore config;
    HttpClient client;
    EXPECT_FALSE(client.configureFromSettings(config));
    EXPECT_TRUE(client.requestHeaders().empty());
    config.setHttpserver("rd");
    config.setHttpport(8081);
    config.setHttpuser("u");
    config.setProxyserver("px");
    config.setProxyport(3128);
    config.setProxypass("p");
    ASSERT_TRUE(client.configureFromSettings(config));
    EXPECT_EQ(client.host, "rd");
    EXPECT_EQ(client.port, 8081);
    EXPECT_EQ(client.authorization, "Basic dTo=");
    EXPECT_EQ(client.proxyHost, "px");
    EXPECT_EQ(client.proxyPort, 3128);
    EXPECT_EQ(client.proxyAuthorization, "Basic OnA=");
    EXPECT_EQ(client.requestHeaders().at("Connection"), "close");
}

// A port outside 1-65535 would wrap around to another one: such settings are not configured, and a
// named proxy with a bad port is not silently skipped either.
TEST(HttpClient, ConfigureFromSettingsRefusesPortsOutsideTheRange) {
    struct Case {
        const char* proxy;
        int httpPort, proxyPort;
        bool configured;
    };
    const Case cases[] = {
        {"", 1, 0, true}, {"", 65535, 65536, true}, {"", 0, 80, false}, {"", 65536, 80, false},
        {"", -1, 80, false}, {"", 65536 + 80, 80, false}, {"px", 80, 1, true}, {"px", 80, 65535, true},
        {"px", 80, 0, false}, {"px", 80, 65536, false}, {"px", 80, -1, false}, {"px", 80, 65536 + 80, false},
    };
    for (const Case& c : cases) {
        ConfigStore config;
        config.setHttpserver("rd");
        config.setHttpport(c.httpPort);
        config.setProxyserver(c.proxy);
        config.setProxyport(c.proxyPort);
        HttpClient client;
        EXPECT_EQ(client.configureFromSettings(config), c.configured) << c.proxy << c.httpPort << "/" << c.proxyPort;
        EXPECT_EQ(client.host, c.configured ? "rd" : "") << "refused settings change nothing";
    }
}

TEST(HttpClient, ConnectFailureReportsItsText) {
    int freePort = 0;
    {
        ListenSocket probe;
        ASSERT_TRUE(probe.listen());
        freePort = probe.port();
    }
    HttpClient client(2000);
    client.host = "127.0.0.1";
    client.port = freePort;
    std::string body;
    TraceReceiver receiver(body);
    EXPECT_FALSE(client.sendRequest("/", "", receiver));
    EXPECT_EQ(receiver.error(), kConnectFailedText);
    EXPECT_EQ(receiver.trace, std::vector<std::string>{"connect 127.0.0.1:" + std::to_string(freePort)});
}

TEST(HttpClient, BadOrMissingStatusLineIsReceiveFailure) {
    for (const std::string& reply : {std::string("HTTP/1.1 200\r\n\r\n"), std::string("HTTP/2.0 200 OK\r\n\r\n"),
                                    std::string("HTTP/1.1 2x0 OK\r\n\r\n"), std::string(""),
                                    std::string("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n")}) {
        ScriptedServer server({reply});
        HttpClient client = clientFor(server);
        std::string body;
        BodyReceiver receiver(body);
        EXPECT_FALSE(client.sendRequest("/", "", receiver)) << reply;
        EXPECT_EQ(receiver.error(), kReceiveFailedText) << reply;
    }
}

TEST(HttpClient, UnknownLengthReadsToTheEnd) {
    ScriptedServer server({"HTTP/1.0 404 Not Found\r\nX-A: 1\r\nX-A:   2  \r\nbare line\r\n\r\nall of it"});
    HttpClient client = clientFor(server);
    std::string body;
    TraceReceiver receiver(body);
    ASSERT_TRUE(client.sendRequest("/", "", receiver));
    EXPECT_EQ(body, "all of it");
    EXPECT_EQ(client.response().status(), 404);
    EXPECT_EQ(client.response().header("x-a"), "2  ");
    EXPECT_EQ(client.response().header("bare line", "?"), "");
    EXPECT_EQ(receiver.trace.at(1), "length -1");
}

TEST(HttpClient, ZeroLengthCompletesWithoutReading) {
    ScriptedServer server({"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nnot body"});
    HttpClient client = clientFor(server);
    std::string body;
    BodyReceiver receiver(body);
    ASSERT_TRUE(client.sendRequest("/", "", receiver));
    EXPECT_EQ(body, "");
    EXPECT_TRUE(receiver.complete());
}

TEST(HttpClient, ChunkedBodyIsDecodedWhenChunkedIsTheLastCoding) {
    // Coding names ignore case and blanks around them: read raw, the size lines would split the
    // page's text (a refusal's "history.back();" among them).
    const std::string chunks = "5\r\nhello\r\n3;x=y\r\n ab\r\n0\r\nTrailer: t\r\n\r\n";
    for (const char* coding : {"chunked", "Chunked", "CHUNKED \t", "gzip, chunked", "chunked, gzip"}) {
        ScriptedServer server({"HTTP/1.1 200 OK\r\nTransfer-Encoding: " + std::string(coding) + "\r\n\r\n" + chunks});
        HttpClient client = clientFor(server);
        std::string body;
        BodyReceiver receiver(body);
        ASSERT_TRUE(client.sendRequest("/", "", receiver));
        EXPECT_EQ(body, coding == std::string("chunked, gzip") ? chunks : "hello ab") << coding;
    }
}

TEST(HttpClient, ShortBodyResumesWithRangeAndEtag) {
    const std::string full = std::string(40, 'a') + std::string(20, 'b') + std::string(40, 'c');
    ScriptedServer server({
        "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nETag: \"e1\"\r\n\r\n" + full.substr(0, 40),
        "HTTP/1.1 206 Partial\r\nContent-Length: 60\r\nContent-Range: bytes 40-99/100\r\nETag: \"e1\"\r\n\r\n" +
            full.substr(40, 20),
        "HTTP/1.1 206 Partial\r\nContent-Range: bytes 60-99/100\r\nETag: \"e1\"\r\n\r\n" + full.substr(60),
    });
    HttpClient client = clientFor(server);
    std::string body;
    TraceReceiver receiver(body);
    ASSERT_TRUE(client.sendRequest("/big", "", receiver));
    EXPECT_EQ(body, full);
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].find("range:"), std::string::npos);
    EXPECT_NE(requests[1].find("etag: \"e1\"\r\nhost: 127.0.0.1\r\nrange: bytes=40-\r\n"), std::string::npos);
    EXPECT_NE(requests[2].find("etag: \"e1\"\r\nhost: 127.0.0.1\r\nrange: bytes=60-\r\n"), std::string::npos);
    const std::vector<std::string> expected = {"connect 127.0.0.1:" + std::to_string(server.port()),
                                               "length 100", "retry 1", "length 60", "retry 2", "length 40",
                                               "complete"};
    EXPECT_EQ(receiver.trace, expected);
}

TEST(HttpClient, BrokenOffAnswersFailWithoutSendingTheFormAgain) {
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string rest = "HTTP/1.1 206 Partial\r\nContent-Length: 6\r\nContent-Range: bytes 5-10/11\r\n\r\nworld!";
    struct Case {
        const char* what;
        const char* method;
        std::string reply;
        size_t requests;  // connections the client opened
        bool complete;
    };
    const Case cases[] = {
        {"short body", "POST", "HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\nhello", 1, false},
        {"head cut", "POST", "HTTP/1.1 200 OK\r\nContent-Le", 1, false},
        {"inside a chunk", "POST", chunked + "5\r\nhel", 1, false},
        {"before the last chunk", "POST", chunked + "5\r\nhello\r\n", 1, false},
        {"inside a chunk", "GET", chunked + "5\r\nhello\r\n6\r\nwor", 1, false},
        {"before the last chunk", "GET", chunked + "5\r\nhello\r\n6\r\nworld!\r\n", 1, false},
        {"chunk without its CR LF", "GET", chunked + "5\r\nhello", 1, false},
        {"size line without its LF", "GET", chunked + "5\r\nhello\r\n0", 1, false},
        {"last chunk, trailers cut", "GET", chunked + "5\r\nhello\r\n0\r\nX-T: 1", 1, true},
        // The chunked coding, not a Content-Length beside it, says where the body ends.
        {"inside a chunk, shorter length beside", "POST",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n5\r\nhel", 1, false},
        {"last chunk, longer length beside", "GET",
         "HTTP/1.1 200 OK\r\nContent-Length: 20\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", 1,
         true},
        {"short body", "GET", "HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\nhello", 2, true},
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.method) + " " + c.what;
        ScriptedServer server({c.reply, rest});
        HttpClient client = clientFor(server);
        client.method = c.method;
        std::string body;
        TraceReceiver receiver(body);
        EXPECT_EQ(client.sendRequest("/program/rsv/entry.htm", c.method == std::string("POST") ? "a=1" : "", receiver),
                  c.complete) << label;
        EXPECT_EQ(server.requests().size(), c.requests) << label;
        EXPECT_EQ(receiver.complete(), c.complete) << label;
        EXPECT_EQ(receiver.error(), c.complete ? "" : kReceiveFailedText) << label;
    }
}

TEST(HttpClient, AnswerShapesOfRealServers) {
    using End = ScriptedReply::End;
    const std::string refusal = "<script>alert(\"x\");history.back();</script>";
    const std::string plain = "HTTP/1.1 200 OK\r\n\r\n";
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
    std::string interims;
    for (int i = 0; i < kMaxInterimAnswers; ++i) interims += interim;
    const std::string restOfPage = "HTTP/1.1 206 P\r\nContent-Range: bytes 5-10/11\r\n\r\nworld!";
    enum Kind { Page, Form, Key };  // a page fetch, a POST, a remote key (a GET never resumed)
    const struct {
        const char* what;
        Kind kind;
        std::vector<ScriptedReply> replies;
        bool complete;
        const char* body;
        size_t sends;
    } cases[] = {
        {"no length, closed", Form, {plain + refusal}, true, refusal.c_str(), 1},
        {"no length, reset before its end", Form, {{plain + refusal.substr(0, 20), End::Reset}}, false, nullptr, 1},
        {"no length, silent before its end", Page, {{plain + refusal.substr(0, 20), End::Silence}}, false, nullptr, 1},
        {"chunk size not a number", Form, {chunked + "5\r\nalert\r\nzz\r\n"}, false, nullptr, 1},
        {"100 Continue before the answer", Form, {interim + ok("booked")}, true, "booked", 1},
        {"eight interim answers", Page, {interims.substr(interim.size()) + "HTTP/1.1 102 P\r\nX: 1\r\n\r\n" + ok("page")},
         true, "page", 1},
        {"nine interim answers", Page, {interims + interim + ok("page")}, false, nullptr, 1},
        {"204 held open", Key, {{"HTTP/1.1 204 No Content\r\n\r\n", End::Silence}}, true, "", 1},
        {"304 held open", Page, {{"HTTP/1.1 304 Not Modified\r\nContent-Length: 9\r\n\r\n", End::Silence}}, true, "", 1},
        {"short page", Page, {"HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\nhello", restOfPage}, true, "helloworld!", 2},
        {"short key answer", Key, {"HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\nhello", restOfPage}, false, nullptr, 1},
        // A length that is not one decimal number leaves the end unknown; cut there, a refusal
        // would lose its "history.back();".
        {"length with leading zeros and a blank", Form, {"HTTP/1.1 200 OK\r\nContent-Length: 06 \r\n\r\nbooked"},
         true, "booked", 1},
        {"two lengths", Form, {"HTTP/1.1 200 OK\r\nContent-Length: 99\r\nContent-Length: 20\r\n\r\n" + refusal},
         false, nullptr, 1},
        {"length with a sign", Form, {"HTTP/1.1 200 OK\r\nContent-Length: +20\r\n\r\n" + refusal}, false, nullptr, 1},
        {"length list", Form, {"HTTP/1.1 200 OK\r\nContent-Length: 20, 44\r\n\r\n" + refusal}, false, nullptr, 1},
        {"206 to a request without range", Page,
         {"HTTP/1.1 206 P\r\nContent-Range: bytes 0-4/11\r\nContent-Length: 5\r\n\r\nhello"}, false, nullptr, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer server(c.replies);
        HttpClient client(1000);
        client.host = "127.0.0.1";
        client.port = server.port();
        client.method = c.kind == Form ? "POST" : "GET";
        client.resumeShortBodies = c.kind != Key;
        std::string body;
        BodyReceiver receiver(body);
        EXPECT_EQ(client.sendRequest("/x", c.kind == Form ? "a=1" : "", receiver), c.complete);
        EXPECT_EQ(receiver.error(), c.complete ? "" : kReceiveFailedText);
        if (c.body != nullptr) {
            EXPECT_EQ(body, c.body);
        }
        EXPECT_EQ(server.requests().size(), c.sends);
    }
}

TEST(HttpClient, SlowServerIsCutOffAtTheRequestDeadline) {
    // One byte every 50 ms keeps each 400 ms read alive; the request still ends after 3 of them.
    ScriptedServer server({ScriptedReply("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(100, 'd'),
                                         ScriptedReply::End::Close, 50)});
    HttpClient client(400);
    client.host = "127.0.0.1";
    client.port = server.port();
    std::string body;
    BodyReceiver receiver(body);
    EXPECT_FALSE(client.sendRequest("/", "", receiver));
    EXPECT_EQ(receiver.error(), kReceiveFailedText);
    EXPECT_LT(body.size(), 60u);
    EXPECT_EQ(server.requests().size(), 1u);  // past the deadline there is no resumed attempt
}

TEST(HttpClient, EtagWithControlBytesIsNotCopiedIntoTheRequest) {
    const std::string etag = "ETag: \"a\rX-Evil: 1\x01\"\r\n";
    ScriptedServer server({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n" + etag + "\r\n12345",
                           "HTTP/1.1 206 P\r\nContent-Range: bytes 5-9/10\r\n" + etag + "\r\n67890"});
    HttpClient client = clientFor(server);
    std::string body;
    BodyReceiver receiver(body);
    EXPECT_TRUE(client.sendRequest("/", "", receiver));
    EXPECT_EQ(body, "1234567890");
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_NE(server.requests()[1].find("\r\netag: \r\nhost: 127.0.0.1\r\n"), std::string::npos);
}

TEST(HttpClient, ResumedAnswerMustBeTheRestOfTheSamePage) {
    // The first answer: 5 of 10 bytes of page "v1". Each row is the answer to "bytes=5-"; every
    // failing row fails through one check alone (the others would let it pass).
    const std::string range = "Content-Range: bytes 5-9/10\r\n";
    const std::string v1 = "ETag: \"v1\"\r\n";
    const struct {
        const char* name;
        std::string resumed;
        bool complete;
    } cases[] = {
        {"the rest", "HTTP/1.1 206 P\r\nContent-Length: 5\r\n" + range + v1 + "\r\n67890", true},
        {"the rest, no length", "HTTP/1.1 206 P\r\n" + range + v1 + "\r\n67890xyz", true},
        {"200 to the range request", "HTTP/1.1 200 OK\r\n" + range + v1 + "\r\n67890", false},
        {"another start", "HTTP/1.1 206 P\r\nContent-Length: 5\r\nContent-Range: bytes 4-9/10\r\n" + v1 + "\r\n56789", false},
        {"another end", "HTTP/1.1 206 P\r\nContent-Range: bytes 5-8/10\r\n" + v1 + "\r\n67890", false},
        {"another total", "HTTP/1.1 206 P\r\nContent-Range: bytes 5-10/11\r\n" + v1 + "\r\n67890", false},
        {"no Content-Range", "HTTP/1.1 206 P\r\nContent-Length: 5\r\n" + v1 + "\r\n67890", false},
        {"shorter length than the rest", "HTTP/1.1 206 P\r\nContent-Length: 3\r\n" + range + v1 + "\r\n67890", false},
        {"longer length than the rest", "HTTP/1.1 206 P\r\nContent-Length: 8\r\n" + range + v1 + "\r\n67890abc", false},
        {"another ETag", "HTTP/1.1 206 P\r\n" + range + "ETag: \"v2\"\r\n\r\n67890", false},
        {"no ETag", "HTTP/1.1 206 P\r\n" + range + "\r\n67890", false},
        {"the whole page again", ok("1234567890", v1), false},
        {"the whole page as a part", "HTTP/1.1 206 P\r\nContent-Range: bytes 0-9/10\r\n" + v1 + "\r\n1234567890", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n" + v1 + "\r\n12345", c.resumed});
        HttpClient client = clientFor(server);
        std::string body;
        BodyReceiver receiver(body);
        EXPECT_EQ(client.sendRequest("/", "", receiver), c.complete);
        EXPECT_EQ(receiver.error(), c.complete ? "" : kReceiveFailedText);
        EXPECT_EQ(body, c.complete ? "1234567890" : "12345");
    }
}

TEST(HttpClient, ServerWithoutProgressEndsTheRetries) {
    // Each answer breaks off before any byte of the remaining body.
    const std::string stuck = "HTTP/1.1 206 P\r\nContent-Length: 90\r\nContent-Range: bytes 10-99/100\r\n\r\n";
    ScriptedServer server({"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789", stuck, stuck, stuck});
    HttpClient client = clientFor(server);
    std::string body;
    TraceReceiver receiver(body);
    EXPECT_FALSE(client.sendRequest("/", "", receiver));
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(body, "0123456789");
}

TEST(HttpClient, AttemptsAreBoundedEvenWithProgress) {
    std::vector<std::string> replies = {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nx"};
    for (int i = 1; i < 20; ++i) {
        replies.push_back("HTTP/1.1 206 P\r\nContent-Range: bytes " + std::to_string(i) + "-99/100\r\n\r\nx");
    }
    ScriptedServer server(replies);
    HttpClient client = clientFor(server);
    std::string body;
    BodyReceiver receiver(body);
    EXPECT_FALSE(client.sendRequest("/", "", receiver));
    EXPECT_EQ(static_cast<int>(server.requests().size()), kMaxAttempts);
}

TEST(HttpClient, OversizedHeadAndBodyFailCleanly) {
    {
        ScriptedServer server({"HTTP/1.1 200 OK\r\nX: " + std::string(kMaxResponseHeadBytes, 'h') + "\r\n\r\n"});
        HttpClient client = clientFor(server);
        std::string body;
        BodyReceiver receiver(body);
        EXPECT_FALSE(client.sendRequest("/", "", receiver));
        EXPECT_EQ(receiver.error(), kReceiveFailedText);
    }
    {
        ScriptedServer server({"HTTP/1.1 200 OK\r\n\r\n" + std::string(kMaxBodyBytes + 10, 'b')});
        HttpClient client = clientFor(server);
        client.setDeadline(120000);  // 16 MiB through loopback under Wine take longer than three 3-second waits
        std::string body;
        BodyReceiver receiver(body);
        EXPECT_FALSE(client.sendRequest("/", "", receiver));
        EXPECT_EQ(body.size(), static_cast<size_t>(kMaxBodyBytes));
    }
}

TEST(HttpResponse, EmptyHeaderValueDoesNotSwallowTheNextLine) {
    const std::string head = "HTTP/1.1 200 OK\r\nETag:\r\nContent-Length: 2\r\n\r\nab";
    StringSource source(head);
    HttpResponse response;
    ASSERT_TRUE(response.readHead(source));
    EXPECT_EQ(response.header("etag", "?"), "");
    EXPECT_EQ(response.headerInt("content-length", -1), 2);
    EXPECT_EQ(source.next(), 'a');
}

TEST(HttpResponse, HeadReadByteByByteMatchesWhole) {
    const std::string head = "HTTP/1.1 301 Moved Permanently\r\nLocation: /x\r\n\tweird\r\n:novalue\r\n\r\n";
    StringSource whole(head);
    HttpResponse a;
    ASSERT_TRUE(a.readHead(whole));
    EXPECT_EQ(a.status(), 301);
    EXPECT_EQ(a.reason(), "Moved Permanently");
    EXPECT_EQ(a.header("location"), "/x");
    EXPECT_EQ(a.header("\tweird", "?"), "");
    EXPECT_EQ(a.header("", "?"), "novalue");
    // Every truncation inside the head is a failure.
    for (size_t cut = 0; cut + 1 < head.size(); ++cut) {
        StringSource s(head.substr(0, cut));
        HttpResponse r;
        EXPECT_FALSE(r.readHead(s)) << cut;
    }
}

TEST(ChunkedSource, DecodesAndStopsAtEndOrBadSize) {
    // The decoded bytes, then "|end" when the last chunk was read or "|cut" when the body broke off.
    const auto decode = [](std::string input) {
        StringSource inner(input);
        ChunkedSource chunked(inner);
        std::string out;
        for (int b; (b = chunked.next()) >= 0;) out.push_back(static_cast<char>(b));
        EXPECT_EQ(chunked.next(), -1);
        return out + (chunked.complete() ? "|end" : "|cut");
    };
    EXPECT_EQ(decode("5\r\nhello\r\n3\r\nabc\r\n0\r\nT: 1\r\n\r\nafter"), "helloabc|end");
    EXPECT_EQ(decode("A\nabcdefghij\n0\n\n"), "abcdefghij|end");
    EXPECT_EQ(decode("-1\r\nxx"), "|cut");
    EXPECT_EQ(decode("5 \t;name=\"x y\"\r\nhello\r\n0 \r\n\r\n"), "hello|end");
    // Not sizes: each would read as 0, the last chunk, and pass a cut body for complete.
    for (const char* size : {"zz", "", "-0", "+5", "0x10", " 5", "5 5", "5x"}) {
        EXPECT_EQ(decode("3\r\nabc\r\n" + std::string(size) + "\r\nxx\r\n0\r\n\r\n"), "abc|cut") << size;
    }
    EXPECT_EQ(decode("80000000\r\nxx"), "|cut");
    // Trailers are bounded like a head, every byte counted: short lines and CR padding alike.
    std::string lines;
    std::string padded;
    for (int i = 0; i < 15000; ++i) lines += "X: y\r\n";
    for (int i = 0; i < 70; ++i) padded += std::string(1000, '\r') + "x\r\n";
    EXPECT_EQ(decode("1\r\na\r\n0\r\n" + lines + "\r\n"), "a|cut");
    EXPECT_EQ(decode("1\r\na\r\n0\r\n" + padded + "\r\n"), "a|cut");
    EXPECT_EQ(decode("1\r\na\r\n0\r\n" + padded.substr(0, 50 * 1004) + "\r\n"), "a|end");
    EXPECT_EQ(decode("3\r\nabcd\r\n0\r\n\r\n"), "abc|cut");  // more data than the size said
    EXPECT_EQ(decode("8\r\nabc"), "abc|cut");
    EXPECT_EQ(decode("3\r\nabc\r\n"), "abc|cut");
    EXPECT_EQ(decode("3\r\nabc\r\n0"), "abc|cut");
    EXPECT_EQ(decode(""), "|cut");
    EXPECT_EQ(decode(std::string(kMaxChunkLineBytes + 5, '1')), "|cut");
}

TEST(ChunkedSource, CrFloodEndsTheLineAtItsBound) {
    // A peer sending CRs without end must not hold the read: every byte counts toward the bound.
    const std::string flood(4 * kMaxChunkLineBytes, '\r');
    struct Case {
        const char* where;
        std::string before;
        const char* decoded;
    };
    const std::vector<Case> cases = {
        {"size line", "5\r\nhello\r\n", "hello|cut"},
        {"line closing a chunk", "5\r\nhello", "hello|cut"},
        {"first size line", "", "|cut"},
        {"trailer", "5\r\nhello\r\n0\r\n", "hello|end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        StringSource inner(c.before + flood + "\n0\r\n\r\n");
        ChunkedSource chunked(inner);
        std::string out;
        for (int b; (b = chunked.next()) >= 0;) out.push_back(static_cast<char>(b));
        EXPECT_EQ(out + (chunked.complete() ? "|end" : "|cut"), c.decoded);
        EXPECT_LE(inner.position(), c.before.size() + kMaxChunkLineBytes + 2);
    }
}
