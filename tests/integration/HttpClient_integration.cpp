// The HTTP client against real servers on 127.0.0.1: nginx as origin (lengths, chunked bodies,
// Range/ETag, Basic authorization), tinyproxy with proxy authorization, and a relay that cuts
// answers short to force resumption (and can change the ETag of the resumed part).
#include <gtest/gtest.h>

#include <string>

#include "net/HttpClient.h"
#include "tests/support/TestServers.h"

namespace {

class CountingReceiver : public BodyReceiver {
public:
    explicit CountingReceiver(std::string& body) : BodyReceiver(body) {}
    bool onRetry(int attempt) override {
        retries = attempt;
        return BodyReceiver::onRetry(attempt);
    }
    int retries = 0;
};

class HttpAgainstServers : public ::testing::Test {
protected:
    void SetUp() override {
        nginx = testServerPort("PELORANE_NGINX_PORT");
        proxy = testServerPort("PELORANE_PROXY_PORT");
        relay = testServerPort("PELORANE_RELAY_PORT");
        ASSERT_NE(nginx, 0) << "servers not running: start them with scripts/test-servers.sh";
        ASSERT_NE(relay, 0);
        HttpClient control = origin(relay);
        ASSERT_EQ(get(control, "/_relay/reset"), "reset");  // no cut left armed by an earlier test
    }

    HttpClient origin(int port) {
        HttpClient client(10000);
        client.host = "127.0.0.1";
        client.port = port;
        client.setHeader("Connection", "close");
        return client;
    }

    std::string get(HttpClient& client, const std::string& path, bool* ok = nullptr) {
        std::string body;
        BodyReceiver receiver(body);
        const bool done = client.sendRequest(path, "", receiver);
        if (ok != nullptr) *ok = done;
        return body;
    }

    int nginx = 0;
    int proxy = 0;
    int relay = 0;
};

}  // namespace

TEST_F(HttpAgainstServers, LengthDelimitedAndChunkedBodiesAgree) {
    HttpClient plain = origin(nginx);
    bool ok = false;
    const std::string page = get(plain, "/page.htm", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(plain.response().status(), 200);
    EXPECT_EQ(page.size(), 4096u);
    EXPECT_FALSE(plain.response().header("etag").empty());

    HttpClient ssi = origin(nginx);
    EXPECT_EQ(get(ssi, "/ssi/page.htm", &ok), page);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(ssi.response().isChunked());

    HttpClient chunky = origin(nginx);
    EXPECT_EQ(get(chunky, "/chunky/page.htm", &ok), page);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(chunky.response().isChunked());
}

TEST_F(HttpAgainstServers, BasicAuthorizationForTheServer) {
    HttpClient anonymous = origin(nginx);
    get(anonymous, "/secret/page.htm");
    EXPECT_EQ(anonymous.response().status(), 401);

    HttpClient wrong = origin(nginx);
    wrong.authorization = basicCredentials("user", "nope");
    get(wrong, "/secret/page.htm");
    EXPECT_EQ(wrong.response().status(), 401);

    HttpClient right = origin(nginx);
    right.authorization = basicCredentials("user", "pass");
    EXPECT_EQ(get(right, "/secret/page.htm").size(), 4096u);
    EXPECT_EQ(right.response().status(), 200);
}

TEST_F(HttpAgainstServers, ThroughTheProxyWithCredentials) {
    ASSERT_NE(proxy, 0);
    HttpClient direct = origin(nginx);
    const std::string page = get(direct, "/page.htm");

    HttpClient viaProxy = origin(nginx);
    viaProxy.proxyHost = "127.0.0.1";
    viaProxy.proxyPort = proxy;
    viaProxy.proxyAuthorization = basicCredentials("proxyuser", "proxypass");
    viaProxy.authorization = basicCredentials("user", "pass");
    bool ok = false;
    EXPECT_EQ(get(viaProxy, "/secret/page.htm", &ok), page);
    EXPECT_TRUE(ok);
    EXPECT_EQ(viaProxy.response().status(), 200);

    // A path without a leading slash still reaches the origin through the proxy.
    HttpClient relative = viaProxy;
    EXPECT_EQ(get(relative, "page.htm"), page);
    EXPECT_EQ(relative.response().status(), 200);

    HttpClient refused = origin(nginx);
    refused.proxyHost = "127.0.0.1";
    refused.proxyPort = proxy;
    refused.proxyAuthorization = basicCredentials("proxyuser", "wrong");
    get(refused, "/page.htm");
    // This tinyproxy answers wrong credentials with 401 instead of 407.
    EXPECT_TRUE(refused.response().status() == 401 || refused.response().status() == 407)
        << refused.response().status();

    HttpClient missing = origin(nginx);
    missing.proxyHost = "127.0.0.1";
    missing.proxyPort = proxy;
    get(missing, "/page.htm");
    EXPECT_EQ(missing.response().status(), 407);
}

TEST_F(HttpAgainstServers, ShortBodiesResumeWithRangeAndEtag) {
    ASSERT_NE(relay, 0);
    HttpClient direct = origin(nginx);
    const std::string whole = get(direct, "/big.bin");
    ASSERT_EQ(whole.size(), 100000u);

    HttpClient arm = origin(relay);
    ASSERT_EQ(get(arm, "/_relay/arm?cut=30000&times=2"), "armed");

    HttpClient client = origin(relay);
    std::string body;
    CountingReceiver receiver(body);
    ASSERT_TRUE(client.sendRequest("/big.bin", "", receiver));
    EXPECT_EQ(receiver.retries, 2);
    EXPECT_EQ(client.response().status(), 206);
    EXPECT_EQ(client.requestHeaders().at("range"), "bytes=60000-");
    EXPECT_EQ(client.requestHeaders().at("etag"), direct.response().header("etag"));
    EXPECT_TRUE(body == whole) << "resumed body differs";
}

TEST_F(HttpAgainstServers, ResumedPartOfAChangedPageIsNotSpliced) {
    ASSERT_NE(relay, 0);
    HttpClient arm = origin(relay);
    ASSERT_EQ(get(arm, "/_relay/arm?cut=30000"), "armed");
    ASSERT_EQ(get(arm, "/_relay/arm?etag=%22changed%22"), "armed");
    HttpClient client = origin(relay);
    std::string body;
    CountingReceiver receiver(body);
    EXPECT_FALSE(client.sendRequest("/big.bin", "", receiver));
    EXPECT_EQ(receiver.retries, 1);
    EXPECT_EQ(client.response().status(), 206);
    EXPECT_EQ(client.response().header("etag"), "\"changed\"");
    EXPECT_EQ(receiver.error(), kReceiveFailedText);
    EXPECT_EQ(body.size(), 30000u);
}

TEST_F(HttpAgainstServers, RelayThatNeverDeliversEndsTheRequest) {
    ASSERT_NE(relay, 0);
    HttpClient arm = origin(relay);
    ASSERT_EQ(get(arm, "/_relay/arm?cut=0&times=" + std::to_string(kMaxAttempts + 2)), "armed");
    HttpClient client = origin(relay);
    std::string body;
    CountingReceiver receiver(body);
    EXPECT_FALSE(client.sendRequest("/big.bin", "", receiver));
    EXPECT_EQ(receiver.retries, 1);  // the first resumption brought nothing new: give up
    // Leave no armed cuts behind for later tests.
    HttpClient drain = origin(relay);
    for (int i = 0; i < kMaxAttempts + 1; ++i) get(drain, "/page.htm");
}
