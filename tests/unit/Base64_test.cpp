// Base64 encoder and decoder filters and the whole-string helpers.
#include <gtest/gtest.h>

#include "net/Base64.h"

namespace {

// A sink that refuses every byte after the first `accept` ones and counts resets.
class LimitedSink : public ByteSink {
public:
    explicit LimitedSink(size_t accept) : accept_(accept) {}
    bool put(int byte) override {
        if (text.size() >= accept_) return false;
        text.push_back(static_cast<char>(byte));
        return true;
    }
    bool flush() override { return true; }
    bool reset() override {
        ++resets;
        return true;
    }
    std::string text;
    int resets = 0;

private:
    size_t accept_;
};

std::string decodeBytewise(const std::string& text) {
    Base64Decoder decoder;
    for (char c : text) decoder.put(static_cast<unsigned char>(c));
    decoder.flush();
    return decoder.output();
}

std::string allBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    return bytes;
}

}  // namespace

TEST(Base64, EncodePadsPartialGroups) {
    EXPECT_EQ(base64Encode("abc"), "YWJj");
    EXPECT_EQ(base64Encode("ab"), "YWI=");
    EXPECT_EQ(base64Encode("a"), "YQ==");
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode("foobar"), "Zm9vYmFy");  // RFC 4648 test vectors
    EXPECT_EQ(base64Encode("fooba"), "Zm9vYmE=");
}

TEST(Base64, EncodeUsesWholeAlphabetAndHighBytes) {
    EXPECT_EQ(base64Encode(std::string("\xfb\xff\xbf", 3)), "+/+/");
    EXPECT_EQ(base64Encode(std::string("\0\0\0", 3)), "AAAA");
    EXPECT_EQ(base64Encode(std::string("\x83\x65", 2)), "g2U=");  // Shift_JIS "テ"
}

TEST(Base64, EncodeNeverBreaksLines) {
    const std::string text = base64Encode(std::string(100, 'x'));
    EXPECT_EQ(text.size(), 136u);
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
}

TEST(Base64, EncoderWritesFullGroupsAtOnceAndPartialOnlyOnFlush) {
    std::string out;
    StringSink sink(out);
    Base64Encoder encoder(sink);
    EXPECT_TRUE(encoder.put('a'));
    EXPECT_TRUE(encoder.put('b'));
    EXPECT_EQ(out, "");
    EXPECT_TRUE(encoder.put('c'));
    EXPECT_EQ(out, "YWJj");
    EXPECT_TRUE(encoder.put('a'));
    EXPECT_EQ(out, "YWJj");
    EXPECT_TRUE(encoder.flush());
    EXPECT_EQ(out, "YWJjYQ==");
    EXPECT_TRUE(encoder.flush());  // empty group: nothing more
    EXPECT_EQ(out, "YWJjYQ==");
}

TEST(Base64, EncoderResetDropsGroupAndResetsDownstream) {
    LimitedSink sink(100);
    Base64Encoder encoder(sink);
    encoder.put('a');
    EXPECT_TRUE(encoder.reset());
    EXPECT_EQ(sink.resets, 1);
    encoder.write(std::string("abc"));
    EXPECT_EQ(sink.text, "YWJj");
}

TEST(Base64, EncoderReportsRefusingDownstream) {
    LimitedSink sink(2);
    Base64Encoder encoder(sink);
    EXPECT_EQ(encoder.write(std::string("abcdef")), 2);  // the third byte completes a group that fails
    EXPECT_EQ(sink.text, "YW");
    EXPECT_TRUE(encoder.flush());  // the failed group is not written again
    EXPECT_EQ(sink.text, "YW");
}

TEST(Base64, DecodeInvertsEncodeForEveryLength) {
    const std::string bytes = allBytes();
    for (size_t n = 0; n <= bytes.size(); ++n) {
        const std::string input = bytes.substr(bytes.size() - n);
        ASSERT_EQ(base64Decode(base64Encode(input)), input) << n;
    }
}

TEST(Base64, DecodeHandlesPadding) {
    EXPECT_EQ(base64Decode("YWJj"), "abc");
    EXPECT_EQ(base64Decode("YWI="), "ab");
    EXPECT_EQ(base64Decode("YQ=="), "a");
    EXPECT_EQ(base64Decode("YWJjYQ==YWI="), "abcaab");  // groups after padding still count
}

TEST(Base64, DecodeSkipsWhiteSpaceAndForeignBytes) {
    EXPECT_EQ(base64Decode("Y W\r\nI\t="), "ab");
    EXPECT_EQ(base64Decode("Y-W.I\x80="), "ab");
    EXPECT_EQ(decodeBytewise("Zm9v\r\nYmFy"), "foobar");
}

TEST(Base64, DecodeIgnoresIncompleteLastGroup) {
    EXPECT_EQ(base64Decode("YW"), "");
    EXPECT_EQ(base64Decode("YWJjYWI"), "abc");
}

TEST(Base64, DecodeDropsGroupWithPadInFirstOrSecondPlace) {
    EXPECT_EQ(base64Decode("=WJj"), "");
    EXPECT_EQ(base64Decode("Y=Jj"), "");
    EXPECT_EQ(base64Decode("Y=JjYWJj"), "abc");  // later groups are still decoded

    Base64Decoder decoder;
    for (char c : std::string("Y=J")) EXPECT_TRUE(decoder.put(c));
    EXPECT_FALSE(decoder.put('j'));
    EXPECT_EQ(decoder.output(), "");
    EXPECT_TRUE(decoder.put('Y'));
}

TEST(Base64, DecodePadInThirdPlaceEndsGroup) {
    EXPECT_EQ(base64Decode("YQ=A"), "a");  // the value after the pad is not used
}

TEST(Base64, DecoderFlushOfPartialGroupOutputsNothing) {
    Base64Decoder decoder;
    decoder.put('Y');
    decoder.put('W');
    EXPECT_TRUE(decoder.flush());
    EXPECT_EQ(decoder.output(), "");
    // The pending values stay: the group completes with later input.
    decoder.put('J');
    decoder.put('j');
    EXPECT_EQ(decoder.output(), "abc");
}

TEST(Base64, DecoderResetEmptiesGroupAndOutput) {
    Base64Decoder decoder;
    for (char c : std::string("YWJjYW")) decoder.put(c);
    EXPECT_EQ(decoder.output(), "abc");
    EXPECT_TRUE(decoder.reset());
    EXPECT_EQ(decoder.output(), "");
    for (char c : std::string("YQ==")) decoder.put(c);
    EXPECT_EQ(decoder.output(), "a");
}
