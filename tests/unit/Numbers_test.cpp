// strtol/atoi-style conversions that read the same on every build (32-bit long semantics).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "settings/Numbers.h"

namespace {

struct Case {
    const char* text;
    int32_t expected;
};

}  // namespace

TEST(Numbers, AutomaticBaseChoosesDecimalHexOrOctal) {
    const Case cases[] = {
        {"25", 25},    {"0x19", 25}, {"0X19", 25}, {"0x1f", 31}, {"0XaB", 171}, {"031", 25},
        {"0", 0},      {"00", 0},    {"010", 8},   {"7", 7},     {"1000000", 1000000},
    };
    for (const Case& c : cases) EXPECT_EQ(parseLong32(c.text), c.expected) << c.text;
}

TEST(Numbers, HexPrefixWithoutHexDigitIsJustZero) {
    const Case cases[] = {{"0x", 0}, {"0X", 0}, {"0xg", 0}, {"0x ", 0}, {"-0x", 0}, {"0x-1", 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(parseLong32(c.text), c.expected) << c.text;
        EXPECT_EQ(parseLong32(c.text, 16), c.expected) << c.text << " base 16";
    }
}

TEST(Numbers, OctalStopsAtEightAndNine) {
    EXPECT_EQ(parseLong32("08"), 0);
    EXPECT_EQ(parseLong32("0778"), 63);
    EXPECT_EQ(parseLong32("019"), 1);
    EXPECT_EQ(parseLong32("0"), 0);
}

TEST(Numbers, StopsAtFirstByteThatDoesNotFit) {
    EXPECT_EQ(parseLong32("12abc"), 12);
    EXPECT_EQ(parseLong32("0x1fz"), 31);
    EXPECT_EQ(parseLong32("3.9"), 3);
    EXPECT_EQ(parseLong32("42 43"), 42);
    EXPECT_EQ(parseLong32("5\x82\xa0"), 5);  // Shift_JIS after the digits
}

TEST(Numbers, NoDigitsGivesZero) {
    const char* const texts[] = {"", " ", "abc", "-", "+", "+-5", "- 5", "x19", "\x82\x4f"};
    for (const char* t : texts) {
        EXPECT_EQ(parseLong32(t), 0) << t;
        EXPECT_EQ(parseDecimal(t), 0) << t;
    }
}

TEST(Numbers, SignAndLeadingWhiteSpace) {
    EXPECT_EQ(parseLong32("-25"), -25);
    EXPECT_EQ(parseLong32("+25"), 25);
    EXPECT_EQ(parseLong32("-0x19"), -25);
    EXPECT_EQ(parseLong32("-031"), -25);
    EXPECT_EQ(parseLong32(" \t\n\v\f\r 7"), 7);
    EXPECT_EQ(parseLong32("  -0x10"), -16);
    EXPECT_EQ(parseLong32("- 1"), 0);  // no space between sign and digits
}

TEST(Numbers, SaturatesAt32BitLimits) {
    const Case cases[] = {
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"4294967296", 2147483647},
        {"99999999999999999999999999", 2147483647},
        {"0x7fffffff", 2147483647},
        {"0x80000000", 2147483647},
        {"0xffffffffffffffff", 2147483647},
        {"020000000000", 2147483647},
        {"-2147483647", -2147483647},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"-99999999999999999999999999", INT32_MIN},
        {"-0x80000000", INT32_MIN},
        {"-0x80000001", INT32_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(parseLong32(c.text), c.expected) << c.text;
}

TEST(Numbers, SaturationKeepsConsumingDigits) {
    // Digits after the overflow do not wrap the value back into range.
    EXPECT_EQ(parseLong32("21474836470000000000000000001"), 2147483647);
    EXPECT_EQ(parseDecimal("-9223372036854775808123"), INT32_MIN);
}

TEST(Numbers, ExplicitBases) {
    EXPECT_EQ(parseLong32("ff", 16), 255);
    EXPECT_EQ(parseLong32("0xff", 16), 255);
    EXPECT_EQ(parseLong32("101", 2), 5);
    EXPECT_EQ(parseLong32("z", 36), 35);
    EXPECT_EQ(parseLong32("0x19", 10), 0);
    EXPECT_EQ(parseLong32("031", 10), 31);
    EXPECT_EQ(parseLong32("12", 1), 0);   // invalid base
    EXPECT_EQ(parseLong32("12", 37), 0);  // invalid base
}

TEST(Numbers, DecimalFollowsAtoi) {
    const Case cases[] = {
        {"12", 12},       {"  12", 12},   {"-7", -7},     {"+7", 7},    {"031", 31},  {"0x19", 0},
        {"12abc", 12},    {"1e3", 1},     {"abc", 0},     {"", 0},      {"007", 7},   {"-0", 0},
        {"2147483648", 2147483647}, {"-2147483649", INT32_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(parseDecimal(c.text), c.expected) << c.text;
}

TEST(Numbers, EmbeddedNulEndsTheNumber) {
    EXPECT_EQ(parseLong32(std::string("12\0" "3", 4)), 12);
}

TEST(Numbers, FormatIsPlainSignedDecimal) {
    EXPECT_EQ(formatInt(0), "0");
    EXPECT_EQ(formatInt(25), "25");
    EXPECT_EQ(formatInt(-25), "-25");
    EXPECT_EQ(formatInt(2147483647), "2147483647");
    EXPECT_EQ(formatInt(INT32_MIN), "-2147483648");
}

TEST(Numbers, FormatThenParseRoundTrips) {
    const int32_t values[] = {0, 1, -1, 8, 10, 123456789, 2147483647, INT32_MIN};
    for (int32_t v : values) {
        EXPECT_EQ(parseLong32(formatInt(v)), v) << v;
        EXPECT_EQ(parseDecimal(formatInt(v)), v) << v;
    }
}
