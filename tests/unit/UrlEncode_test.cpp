// Percent-encoding and form-body building.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "net/UrlEncode.h"

namespace {

const std::string kReservedBytes = ";/?:@&=+!*'(),\"#%<>";
const std::string kCopiedSymbols = "$-.[\\]^_`{|}~";

bool isAsciiAlphanumeric(int b) { return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

}  // namespace

TEST(UrlEncode, EveryByteIsCopiedOrEscapedByTheRules) {
    static const char kHex[] = "0123456789ABCDEF";
    int copied = 0;
    for (int b = 0; b < 256; ++b) {
        const bool copy = isAsciiAlphanumeric(b) || (b != 0 && kCopiedSymbols.find(static_cast<char>(b)) != std::string::npos);
        const std::string input(1, static_cast<char>(b));
        const std::string escaped = {'%', kHex[b >> 4], kHex[b & 15]};
        EXPECT_EQ(urlEncode(input), copy ? input : escaped) << "byte " << b;
        if (copy) ++copied;
    }
    // 62 letters and digits, 13 symbols; escaped: 32 controls, DEL, 128 high bytes, space and 19 reserved.
    EXPECT_EQ(copied, 75);
    EXPECT_EQ(kReservedBytes.size(), 19u);
    // The reserved list and the copied symbols together cover every printable non-alphanumeric byte.
    for (int b = 0x21; b < 0x7F; ++b) {
        if (isAsciiAlphanumeric(b)) continue;
        const char c = static_cast<char>(b);
        EXPECT_NE(kReservedBytes.find(c) == std::string::npos, kCopiedSymbols.find(c) == std::string::npos) << b;
    }
}

TEST(UrlEncode, SpaceIsPercentTwentyNeverPlus) {
    EXPECT_EQ(urlEncode("a b"), "a%20b");
    EXPECT_EQ(urlEncode("a+b"), "a%2Bb");
}

TEST(UrlEncode, UnreservedPassUnchanged) { EXPECT_EQ(urlEncode("~_.-"), "~_.-"); }

TEST(UrlEncode, ControlsDelAndZeroAreEscaped) {
    EXPECT_EQ(urlEncode("\x7f"), "%7F");
    EXPECT_EQ(urlEncode(std::string("a\0b", 3)), "a%00b");
    EXPECT_EQ(urlEncode("\r\n"), "%0D%0A");
}

TEST(UrlEncode, ShiftJisEncodedByteByByte) {
    EXPECT_EQ(urlEncode("\x83\x5c"), "%83\\");              // "ソ": trail byte 0x5C copied
    EXPECT_EQ(urlEncode("\x83\x40"), "%83%40");             // "ァ": trail byte "@" escaped
    EXPECT_EQ(urlEncode("\x83\x65\x83\x58\x83\x67"), "%83e%83X%83g");  // "テスト"
}

TEST(UrlEncode, EmptyInputGivesEmpty) { EXPECT_EQ(urlEncode(""), ""); }

TEST(AppendFormField, FirstFieldHasNoAmpersand) {
    std::string body;
    appendFormField(body, "name", "value");
    EXPECT_EQ(body, "name=value");
    appendFormField(body, "title_name", "a b&c");
    EXPECT_EQ(body, "name=value&title_name=a%20b%26c");
}

TEST(AppendFormField, NameIsEncodedToo) {
    std::string body;
    appendFormField(body, "a=b", "");
    EXPECT_EQ(body, "a%3Db=");
}

TEST(AppendFormField, IntegerValueIsDecimal) {
    std::string body = "x=1";
    appendFormField(body, "start_hour", 7);
    appendFormField(body, "n", -12);
    appendFormField(body, "max", INT32_MAX);
    appendFormField(body, "min", INT32_MIN);
    EXPECT_EQ(body, "x=1&start_hour=7&n=-12&max=2147483647&min=-2147483648");
}
