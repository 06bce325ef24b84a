// The TCP client over loopback: connect, time-outs, full sends, end of data.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "io/Streams.h"
#include "platform/ListenSocket.h"
#include "platform/SocketStream.h"

namespace {

using Clock = std::chrono::steady_clock;

long long millisSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

TEST(SocketStream, ExchangesLinesWithLoopbackPeer) {
    ListenSocket server;
    ASSERT_TRUE(server.listen());
    std::thread peer([&] {
        auto conn = server.accept(5000);
        ASSERT_TRUE(conn);
        BufferedReader in(*conn);
        LineReader lines(in);
        std::string line;
        ASSERT_TRUE(lines.readLine(line));
        const std::string answer = "got " + line + "\r\n\x83\x5c\r\n";
        conn->write(answer.data(), static_cast<int>(answer.size()));
    });
    SocketStream client(5000);
    ASSERT_TRUE(client.open("127.0.0.1", server.port()));
    EXPECT_EQ(client.write("HELO\r\n", 6), 6);
    EXPECT_EQ(client.write("", 0), 0);
    BufferedReader in(client);
    LineReader lines(in);
    std::string line;
    ASSERT_TRUE(lines.readLine(line));
    EXPECT_EQ(line, "got HELO");
    ASSERT_TRUE(lines.readLine(line));
    EXPECT_EQ(line, "\x83\x5c");
    peer.join();
    EXPECT_FALSE(lines.readLine(line));  // peer closed: end of data
    EXPECT_TRUE(client.close());
    EXPECT_TRUE(client.close());
}

TEST(SocketStream, OpenTwiceIsRefused) {
    ListenSocket server;
    ASSERT_TRUE(server.listen());
    SocketStream client(2000);
    ASSERT_TRUE(client.open("127.0.0.1", server.port()));
    EXPECT_FALSE(client.open("127.0.0.1", server.port()));
}

TEST(SocketStream, RefusedConnectionFailsAndCloses) {
    int freePort = 0;
    {
        ListenSocket probe;
        ASSERT_TRUE(probe.listen());
        freePort = probe.port();
    }
    SocketStream client(2000);
    EXPECT_FALSE(client.open("127.0.0.1", freePort));
    EXPECT_TRUE(client.close());
    EXPECT_EQ(client.read(nullptr, 0), -1);
}

TEST(SocketStream, UnknownHostFails) {
    SocketStream client(2000);
    EXPECT_FALSE(client.open("", 80));
    client.close();
    EXPECT_FALSE(client.open("no-such-host.invalid", 80));
}

TEST(SocketStream, PortOutsideTheRangeIsRefusedNotWrappedAround) {
    ListenSocket server;
    ASSERT_TRUE(server.listen());
    for (const int port : {server.port() + 65536, server.port() - 65536}) {
        SocketStream client(2000);
        EXPECT_FALSE(client.open("127.0.0.1", port)) << port;
    }
}

TEST(SocketStream, SilentPeerEndsDataAfterTimeout) {
    ListenSocket server;
    ASSERT_TRUE(server.listen());
    SocketStream client(300);
    ASSERT_TRUE(client.open("127.0.0.1", server.port()));
    auto conn = server.accept(2000);
    ASSERT_TRUE(conn);
    BufferedReader in(client);
    const auto start = Clock::now();
    EXPECT_EQ(in.next(), -1);
    const long long waited = millisSince(start);
    EXPECT_GE(waited, 250);
    EXPECT_LT(waited, 5000);
}

TEST(SocketStream, SendToPeerThatStopsReadingEndsWithinTimeout) {
    ListenSocket server;
    ASSERT_TRUE(server.listen());
    SocketStream client(300);
    ASSERT_TRUE(client.open("127.0.0.1", server.port()));
    auto conn = server.accept(2000);  // accepted but never read
    ASSERT_TRUE(conn);
    const std::string block(1 << 20, 'x');
    const auto start = Clock::now();
    int result = 0;
    for (int i = 0; i < 256 && result >= 0; ++i) result = client.write(block.data(), static_cast<int>(block.size()));
    EXPECT_EQ(result, -1);
    EXPECT_LT(millisSince(start), 20000);
}

TEST(SocketStream, LargeWriteArrivesWhole) {
    ListenSocket server;
    ASSERT_TRUE(server.listen());
    const std::string block(300000, 'z');
    std::string received;
    std::thread peer([&] {
        auto conn = server.accept(5000);
        ASSERT_TRUE(conn);
        BufferedReader in(*conn);
        StringSink sink(received);
        sink.pump(in);
    });
    {
        SocketStream client(5000);
        ASSERT_TRUE(client.open("127.0.0.1", server.port()));
        EXPECT_EQ(client.write(block.data(), static_cast<int>(block.size())), static_cast<int>(block.size()));
    }
    peer.join();
    EXPECT_EQ(received.size(), block.size());
}

TEST(ResolveIpv4, DottedAddressNeedsNoLookup) {
    uint32_t address = 0;
    ASSERT_TRUE(resolveIpv4("127.0.0.1", address));
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&address);
    EXPECT_EQ(b[0], 127);
    EXPECT_EQ(b[3], 1);
    ASSERT_TRUE(resolveIpv4("localhost", address));
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&address)[0], 127);
}
