// MD5 digests, HMAC-MD5 and the APOP digest against published test vectors.
#include <gtest/gtest.h>

#include <utility>

#include "net/Md5.h"

namespace {

std::string md5Hex(const std::string& bytes) { return hexLower(md5Digest(bytes)); }

// Feeds the message one byte per update call, so every buffering path is taken.
std::string md5HexBytewise(const std::string& bytes) {
    Md5 md5;
    for (char c : bytes) md5.update(&c, 1);
    unsigned char digest[kMd5DigestSize];
    md5.final(digest);
    return hexLower(std::string(reinterpret_cast<const char*>(digest), kMd5DigestSize));
}

std::string hmacHex(const std::string& key, const std::string& message) { return hexLower(hmacMd5(key, message)); }

}  // namespace

TEST(Md5, Rfc1321TestSuite) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(md5Hex(c.first), c.second) << c.first;
        EXPECT_EQ(md5HexBytewise(c.first), c.second) << c.first;
    }
}

TEST(Md5, LengthsAroundTheBlockBoundary) {
    // The length field fits in the last block only up to 55 bytes; 56..63 need one more block.
    const std::pair<size_t, std::string> cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},  {56, "3b0c8ac703f828b04c6c197006d17218"},
        {63, "b06521f39153d618550606be297466d5"},  {64, "014842d480b571495a4a0363793f7367"},
        {65, "c743a45e0d2e6a95cb859adae0248435"},  {128, "e510683b3f5ffe4093d021808bc6ff70"},
        {1000, "cabe45dcc9ae5b66ba86600cca6b8ba8"},
    };
    for (const auto& c : cases) {
        const std::string message(c.first, 'a');
        EXPECT_EQ(md5Hex(message), c.second) << c.first;
        EXPECT_EQ(md5HexBytewise(message), c.second) << c.first;
    }
}

TEST(Md5, FinalStartsOver) {
    Md5 md5;
    md5.update(std::string("some earlier message"));
    unsigned char first[kMd5DigestSize];
    md5.final(first);
    md5.update(std::string("abc"));
    unsigned char second[kMd5DigestSize];
    md5.final(second);
    EXPECT_EQ(hexLower(std::string(reinterpret_cast<const char*>(second), kMd5DigestSize)),
              "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5, DigestHandlesZeroBytes) {
    // Plain MD5 takes every byte; only the keyed constructions stop at a zero byte.
    EXPECT_EQ(md5Hex(std::string("\0", 1)), "93b885adfe0da089cdf634904fd59f71");
}

TEST(HmacMd5, Rfc2202TestCases) {
    std::string key4;
    for (int i = 1; i <= 25; ++i) key4.push_back(static_cast<char>(i));
    EXPECT_EQ(hmacHex(std::string(16, '\x0b'), "Hi There"), "9294727a3638bb1c13f48ef8158bfc9d");
    EXPECT_EQ(hmacHex("Jefe", "what do ya want for nothing?"), "750c783e6ab0b503eaa86e310a5db738");
    EXPECT_EQ(hmacHex(std::string(16, '\xaa'), std::string(50, '\xdd')), "56be34521d144c88dbb8c733f0e8b3f6");
    EXPECT_EQ(hmacHex(key4, std::string(50, '\xcd')), "697eaf0aca3a3aea3a75164746ffaa79");
    EXPECT_EQ(hmacHex(std::string(16, '\x0c'), "Test With Truncation"), "56461ef2342edc00f9bab995690efd4c");
    EXPECT_EQ(hmacHex(std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First"),
              "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd");
    EXPECT_EQ(hmacHex(std::string(80, '\xaa'),
                      "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
              "6f630fad67cda0ee1fb1f562db3aa53e");
}

TEST(HmacMd5, KeyOfExactlyOneBlockIsNotHashed) {
    EXPECT_EQ(hmacHex(std::string(64, 'k'), "msg"), "7350d7e9ec9d1235174e9ded54edfa8c");
    EXPECT_EQ(hmacHex(std::string(65, 'k'), "msg"), "646873b97bb31948a476260501827daa");
}

TEST(HmacMd5, EmptyKeyUsesZeroBlock) {
    EXPECT_EQ(hmacHex("", ""), "74e6f7298a9c2d168935f58c001bad88");
    EXPECT_EQ(hmacHex("", "message"), "b32797ea4b4b90a5d6fe744b33b97632");
}

TEST(HmacMd5, KeyAndMessageEndAtFirstZeroByte) {
    const std::string key("Jefe\0ignored", 12);
    const std::string message("what do ya want for nothing?\0ignored", 36);
    EXPECT_EQ(hmacHex(key, message), "750c783e6ab0b503eaa86e310a5db738");
    EXPECT_EQ(hmacHex(std::string("\0Jefe", 5), ""), "74e6f7298a9c2d168935f58c001bad88");
}

TEST(ApopDigest, Rfc1939Example) {
    EXPECT_EQ(apopDigest("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>", "tanstaaf"),
              "c4c9334bac560ecc979e58001b3e22fb");
    EXPECT_EQ(apopDigest("<1896.697170952@dbc.mtview.ca.us>", "tanstaaf"), "c4c9334bac560ecc979e58001b3e22fb");
}

TEST(ApopDigest, TextAfterTimestampIsIncluded) {
    EXPECT_EQ(apopDigest("+OK <1896.697170952@dbc.mtview.ca.us> POP3 ready", "tanstaaf"),
              "daaba308547148234056a170e99cb7e2");
}

TEST(ApopDigest, StartsAtFirstAngleBracket) {
    EXPECT_EQ(apopDigest("+OK a<b <c>", "p"), hexLower(md5Digest("<b <c>p")));
}

TEST(ApopDigest, GreetingWithoutTimestampGivesEmpty) {
    EXPECT_EQ(apopDigest("+OK POP3 server ready", "tanstaaf"), "");
    EXPECT_EQ(apopDigest("", ""), "");
}

TEST(HexLower, TwoLowerCaseDigitsPerByteHighNibbleFirst) {
    EXPECT_EQ(hexLower(std::string("\x00\x0f\xa5\xff", 4)), "000fa5ff");
    EXPECT_EQ(hexLower(""), "");
}
