// ISO-2022-JP encoder: escapes, widening of half-width katakana, held bytes, 7-bit output.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "net/JisEncoder.h"

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

const std::string kToDoubleByte = "\x1b$B";
const std::string kToSingleByte = "\x1b(J";

std::string bytes(std::initializer_list<int> values) {
    std::string text;
    for (const int v : values) text.push_back(static_cast<char>(v));
    return text;
}

// The two bytes of a JIS X 0208 code.
std::string jis(int code) { return bytes({code >> 8, code & 0xFF}); }

// One double-byte stretch with its escapes.
std::string stretch(std::initializer_list<int> codes) {
    std::string text = kToDoubleByte;
    for (const int code : codes) text += jis(code);
    return text + kToSingleByte;
}

// True when text is 7-bit ISO-2022-JP as this encoder writes it: only its two escapes, an even
// run of 0x21-0x7E bytes between them, no SO or SI, and single-byte mode at the end.
bool wellFormed(const std::string& text) {
    bool doubleByte = false;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80 || c == 0x0E || c == 0x0F) return false;
        if (c == 0x1B) {
            const std::string escape = text.substr(i, 3);
            if (escape == kToDoubleByte && !doubleByte) {
                doubleByte = true;
            } else if (escape == kToSingleByte && doubleByte) {
                doubleByte = false;
            } else {
                return false;
            }
            i += 3;
        } else if (doubleByte) {
            if (i + 1 >= text.size()) return false;
            const unsigned char d = static_cast<unsigned char>(text[i + 1]);
            if (c < 0x21 || c > 0x7E || d < 0x21 || d > 0x7E) return false;
            i += 2;
        } else {
            ++i;
        }
    }
    return !doubleByte;
}

// A string sink that forgets its text on reset, as an encoder's own output would.
class ResettableSink : public ByteSink {
public:
    bool put(int byte) override {
        text.push_back(static_cast<char>(byte));
        return true;
    }
    bool flush() override { return true; }
    bool reset() override {
        text.clear();
        return true;
    }
    std::string text;
};

// Refuses every byte after the first `accept` ones.
class LimitedSink : public ByteSink {
public:
    explicit LimitedSink(size_t accept) : accept_(accept) {}
    bool put(int byte) override {
        if (text.size() >= accept_) return false;
        text.push_back(static_cast<char>(byte));
        return true;
    }
    bool flush() override { return true; }
    std::string text;

private:
    size_t accept_;
};

std::string encodeBytewise(const std::string& line) {
    std::string out;
    StringSink sink(out);
    JisEncoder encoder(sink);
    for (const char c : line) encoder.put(static_cast<unsigned char>(c));
    encoder.flush();
    return out;
}

// Half-width katakana and their JIS X 0208 codes alone, merged with ﾞ and merged with ﾟ (0: not
// merged). Produced with Python when the test was written: NFKC of the half-width character (of the
// character followed by ﾞ or ﾟ), encoded with Python's own iso2022_jp codec; a merge counts only
// when NFKC gives one character that codec accepts (so ﾜﾞ and ｦﾞ, whose letters JIS X 0208 lacks,
// stay two characters). NFKC turns ﾞ and ﾟ into the combining marks U+3099 and U+309A; their
// spacing forms U+309B and U+309C were taken instead, as ISO-2022-JP only has those.
struct KanaRow {
    int halfWidth;
    int plain;
    int voiced;
    int semiVoiced;
};
constexpr KanaRow kKanaRows[] = {
    {0xA1, 0x2123, 0, 0},      {0xA2, 0x2156, 0, 0},      {0xA3, 0x2157, 0, 0},
    {0xA4, 0x2122, 0, 0},      {0xA5, 0x2126, 0, 0},      {0xA6, 0x2572, 0, 0},
    {0xA7, 0x2521, 0, 0},      {0xA8, 0x2523, 0, 0},      {0xA9, 0x2525, 0, 0},
    {0xAA, 0x2527, 0, 0},      {0xAB, 0x2529, 0, 0},      {0xAC, 0x2563, 0, 0},
    {0xAD, 0x2565, 0, 0},      {0xAE, 0x2567, 0, 0},      {0xAF, 0x2543, 0, 0},
    {0xB0, 0x213C, 0, 0},      {0xB1, 0x2522, 0, 0},      {0xB2, 0x2524, 0, 0},
    {0xB3, 0x2526, 0x2574, 0}, {0xB4, 0x2528, 0, 0},      {0xB5, 0x252A, 0, 0},
    {0xB6, 0x252B, 0x252C, 0}, {0xB7, 0x252D, 0x252E, 0}, {0xB8, 0x252F, 0x2530, 0},
    {0xB9, 0x2531, 0x2532, 0}, {0xBA, 0x2533, 0x2534, 0}, {0xBB, 0x2535, 0x2536, 0},
    {0xBC, 0x2537, 0x2538, 0}, {0xBD, 0x2539, 0x253A, 0}, {0xBE, 0x253B, 0x253C, 0},
    {0xBF, 0x253D, 0x253E, 0}, {0xC0, 0x253F, 0x2540, 0}, {0xC1, 0x2541, 0x2542, 0},
    {0xC2, 0x2544, 0x2545, 0}, {0xC3, 0x2546, 0x2547, 0}, {0xC4, 0x2548, 0x2549, 0},
    {0xC5, 0x254A, 0, 0},      {0xC6, 0x254B, 0, 0},      {0xC7, 0x254C, 0, 0},
    {0xC8, 0x254D, 0, 0},      {0xC9, 0x254E, 0, 0},      {0xCA, 0x254F, 0x2550, 0x2551},
    {0xCB, 0x2552, 0x2553, 0x2554}, {0xCC, 0x2555, 0x2556, 0x2557}, {0xCD, 0x2558, 0x2559, 0x255A},
    {0xCE, 0x255B, 0x255C, 0x255D}, {0xCF, 0x255E, 0, 0},   {0xD0, 0x255F, 0, 0},
    {0xD1, 0x2560, 0, 0},      {0xD2, 0x2561, 0, 0},      {0xD3, 0x2562, 0, 0},
    {0xD4, 0x2564, 0, 0},      {0xD5, 0x2566, 0, 0},      {0xD6, 0x2568, 0, 0},
    {0xD7, 0x2569, 0, 0},      {0xD8, 0x256A, 0, 0},      {0xD9, 0x256B, 0, 0},
    {0xDA, 0x256C, 0, 0},      {0xDB, 0x256D, 0, 0},      {0xDC, 0x256F, 0, 0},
    {0xDD, 0x2573, 0, 0},      {0xDE, 0x212B, 0, 0},      {0xDF, 0x212C, 0, 0},
};
constexpr int kVoicedMarkJis = 0x212B;      // ゛
constexpr int kSemiVoicedMarkJis = 0x212C;  // ゜

// Mixed text: 漢字 ｶﾞ abc ﾊﾟ 1 カナ ｱﾞ ﾜﾞ ｶ
const std::string kMixed =
    "\x8a\xbf\x8e\x9a\xb6\xde"
    "abc\xca\xdf"
    "1\x83\x4a\x83\x69\xb1\xde\xdc\xde\xb6";

}  // namespace

TEST(JisEncoder, AsciiLineComesOutUnchangedWithoutEscapes) {
    EXPECT_EQ(toIso2022Jp(""), "");
    std::string ascii;
    for (int b = 0x01; b < 0x80; ++b) {
        if (b != 0x0E && b != 0x0F && b != 0x1B) ascii.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(toIso2022Jp(ascii), ascii);
    EXPECT_EQ(toIso2022Jp(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(JisEncoder, EscShiftOutAndShiftInFromTheTextAreLeftOut) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"\x1b$B" "abc", "$Babc"},                                      // a title that opens a stretch
        {"a\x1b(Bb\x0e" "c\x0f" "d", "a(Bbcd"},
        {"\x8a\xbf\x1b(J\x8e\x9a", stretch({0x3441}) + "(J" + stretch({0x3B7A})},
        {"\x8a\xbf\x0e\x8e\x9a\x0f", stretch({0x3441, 0x3B7A})},     // the mode is not touched
        {"\x8e\x1b$B", "$B"},                                          // after a lead byte
        {"\xb6\x1b\xde", stretch({0x252B, kVoicedMarkJis})},            // after a held kana
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toIso2022Jp(c.in), c.out) << c.in;
        EXPECT_EQ(encodeBytewise(c.in), c.out) << c.in;
    }
}

TEST(JisEncoder, DoubleByteTextIsWrappedInEscBAndEscJ) {
    EXPECT_EQ(toIso2022Jp("\x8a\xbf\x8e\x9a" "abc"), stretch({0x3441, 0x3B7A}) + "abc");  // 漢字abc
    EXPECT_EQ(toIso2022Jp("\x8a\xbf"), stretch({0x3441}));
}

TEST(JisEncoder, ModeSwitchesOnlyAtBoundaries) {
    // a漢b字c: each single-byte run closes the stretch before it.
    EXPECT_EQ(toIso2022Jp("a\x8a\xbf" "b\x8e\x9a" "c"), "a" + stretch({0x3441}) + "b" + stretch({0x3B7A}) + "c");
    // 漢ｶ字: kanji and widened kana share one stretch.
    EXPECT_EQ(toIso2022Jp("\x8a\xbf\xb6\x8e\x9a"), stretch({0x3441, 0x252B, 0x3B7A}));
}

TEST(JisEncoder, PairArithmeticCoversBothTrailHalvesAndBothLeadRanges) {
    EXPECT_EQ(toIso2022Jp("\x81\x40"), stretch({0x2121}));  // first cell, trail below 0x7F
    EXPECT_EQ(toIso2022Jp("\x81\x80"), stretch({0x2160}));  // trail above the 0x7F gap
    EXPECT_EQ(toIso2022Jp("\x81\x9f"), stretch({0x2221}));  // second row of the lead byte
    EXPECT_EQ(toIso2022Jp("\x9f\xfc"), stretch({0x5E7E}));
    EXPECT_EQ(toIso2022Jp("\xe0\x40"), stretch({0x5F21}));
    EXPECT_EQ(toIso2022Jp("\xef\xfc"), stretch({0x7E7E}));  // last cell of the grid
}

TEST(JisEncoder, HalfWidthKatakanaAreWidened) {
    for (const KanaRow& row : kKanaRows) {
        SCOPED_TRACE(row.halfWidth);
        EXPECT_EQ(toIso2022Jp(bytes({row.halfWidth})), stretch({row.plain}));
    }
}

TEST(JisEncoder, SoundMarkMergesOnlyWhereJisHasTheLetter) {
    int voiced = 0, semiVoiced = 0;
    for (const KanaRow& row : kKanaRows) {
        SCOPED_TRACE(row.halfWidth);
        const std::string withVoiced = toIso2022Jp(bytes({row.halfWidth, 0xDE}));
        const std::string withSemiVoiced = toIso2022Jp(bytes({row.halfWidth, 0xDF}));
        if (row.voiced != 0) {
            ++voiced;
            EXPECT_EQ(withVoiced, stretch({row.voiced}));
        } else {
            EXPECT_EQ(withVoiced, stretch({row.plain, kVoicedMarkJis}));
        }
        if (row.semiVoiced != 0) {
            ++semiVoiced;
            EXPECT_EQ(withSemiVoiced, stretch({row.semiVoiced}));
        } else {
            EXPECT_EQ(withSemiVoiced, stretch({row.plain, kSemiVoicedMarkJis}));
        }
    }
    EXPECT_EQ(voiced, 21);
    EXPECT_EQ(semiVoiced, 5);
}

TEST(JisEncoder, SoundMarkMergesOnceAndOnlyWithTheKanaBeforeIt) {
    EXPECT_EQ(toIso2022Jp("\xb6\xde\xde"), stretch({0x252C, kVoicedMarkJis}));  // ｶﾞﾞ: ガ゛
    EXPECT_EQ(toIso2022Jp("\xb6\xb6\xde"), stretch({0x252B, 0x252C}));           // ｶｶﾞ: カガ
    EXPECT_EQ(toIso2022Jp("\xde\xb6"), stretch({kVoicedMarkJis, 0x252B}));       // ﾞｶ: ゛カ
    EXPECT_EQ(toIso2022Jp("\xca\xdf\xdf"), stretch({0x2551, kSemiVoicedMarkJis}));
    // A double-byte ゛ after a half-width kana is a character of its own, not a sound mark.
    EXPECT_EQ(toIso2022Jp("\xb6\x81\x4a"), stretch({0x252B, kVoicedMarkJis}));
}

TEST(JisEncoder, HeldKanaIsSettledByTheNextByte) {
    EXPECT_EQ(toIso2022Jp("\xb6" "1"), stretch({0x252B}) + "1");           // ｶ1: カ, ESC ( J, 1
    EXPECT_EQ(toIso2022Jp("\xb6\x8a\xbf"), stretch({0x252B, 0x3441}));  // ｶ漢
}

TEST(JisEncoder, LineEndsInSingleByteModeWhateverIsHeld) {
    EXPECT_EQ(toIso2022Jp("\xb6"), stretch({0x252B}));                 // held kana: widened plain
    EXPECT_EQ(toIso2022Jp("a\xb6"), "a" + stretch({0x252B}));
    EXPECT_EQ(toIso2022Jp("\x8a\xbf\x8e"), stretch({0x3441}));         // lone lead byte dropped
    EXPECT_EQ(toIso2022Jp("a\x8e"), "a");                              // ... without any escape
    EXPECT_EQ(toIso2022Jp("\x8e"), "");
}

TEST(JisEncoder, LeadByteBeforeANonTrailByteIsDroppedAndTheByteKept) {
    // 0x00-0x3F and 0x7F cannot follow a lead byte; arithmetic on them would give control bytes
    // (even ESC) or 8-bit bytes inside the stretch.
    EXPECT_EQ(toIso2022Jp("\x8a\xbf\x8e" "1"), stretch({0x3441}) + "1");
    EXPECT_EQ(toIso2022Jp("\x8e\x3a"), ":");  // 0x3A would have become 0x1B
    EXPECT_EQ(toIso2022Jp("\x8e "), " ");
    EXPECT_EQ(toIso2022Jp("\x8e\x7f"), "\x7f");
    EXPECT_EQ(toIso2022Jp("\x8e\x0d\x0a"), "\r\n");
    EXPECT_EQ(toIso2022Jp("\x8e\xb6"), stretch({0x3C38}));  // a kana byte is a trail byte: one pair
}

TEST(JisEncoder, BytesWithoutCharacterAreLeftOutAndKeepTheMode) {
    for (const int b : {0x80, 0xA0, 0xFD, 0xFE, 0xFF}) {
        SCOPED_TRACE(b);
        EXPECT_EQ(toIso2022Jp(bytes({b})), "");
        EXPECT_EQ(toIso2022Jp(bytes({'a', b, 'b'})), "ab");
        EXPECT_EQ(toIso2022Jp(bytes({0x8A, 0xBF, b, 0x8E, 0x9A})), stretch({0x3441, 0x3B7A}));
        EXPECT_EQ(toIso2022Jp(bytes({0xB6, b, 0xDE})), stretch({0x252B, kVoicedMarkJis}));
        EXPECT_EQ(toIso2022Jp(bytes({b, 0xDE})), stretch({kVoicedMarkJis}));
    }
    for (const int b : {0xFD, 0xFE, 0xFF}) {  // not trail bytes either: the lead byte goes too
        EXPECT_EQ(toIso2022Jp(bytes({0x8E, b})), "");
        EXPECT_EQ(toIso2022Jp(bytes({0x8E, b, 'x'})), "x");
    }
}

TEST(JisEncoder, PairsOutsideTheJisGridAreLeftOut) {
    EXPECT_EQ(toIso2022Jp("\xf0\x40"), "");  // user-defined area
    EXPECT_EQ(toIso2022Jp("\xfc\x4c" "a"), "a");  // first code after the IBM extension
    EXPECT_EQ(toIso2022Jp("\x8a\xbf\xfc\xfc\x8e\x9a"), stretch({0x3441, 0x3B7A}));
}

TEST(JisEncoder, IbmExtensionGoesOutAsTheSameCharactersPreferredCode) {
    struct Case {
        const char* in;
        std::string out;
    };
    const Case cases[] = {
        {"\xfb\xfc\x8b\xb4", stretch({0x7C62, 0x3636})},  // 髙橋: 髙 as its NEC-selected EEE0
        {"\xfa\xb1", stretch({0x7975})},                  // 﨑 as ED95
        {"\xfa\x40", stretch({0x7C71})},                  // ⅰ as EEEF
        {"\xfa\x4a", stretch({0x2D35})},                  // Ⅰ as NEC row 13, 8754
        {"\xfa\x54", stretch({0x224C})},                  // ¬ as JIS X 0208, 81CA
        {"\xfa\x5b" "a", stretch({0x2268}) + "a"},        // ∵ as JIS X 0208, 81E6
        {"\xfc\x4b", stretch({0x7C6E})},                  // 黑, the last code, as EEEC
    };
    for (const Case& c : cases) EXPECT_EQ(toIso2022Jp(c.in), c.out) << c.in;
}

TEST(JisEncoder, NoTwoByteInputGivesAnEightBitOrMalformedOutput) {
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const std::string out = toIso2022Jp(bytes({a, b}));
            ASSERT_TRUE(wellFormed(out)) << a << " " << b;
        }
    }
}

TEST(JisEncoder, SuccessiveLinesAreIndependent) {
    EXPECT_EQ(toIso2022Jp("\x8a\xbf\xb6"), stretch({0x3441, 0x252B}));
    EXPECT_EQ(toIso2022Jp("abc"), "abc");

    // One encoder flushed between lines: the second line starts in single-byte mode.
    std::string out;
    StringSink sink(out);
    JisEncoder encoder(sink);
    encoder.write("\x8a\xbf\x8e");
    EXPECT_TRUE(encoder.flush());
    encoder.write("@a");
    EXPECT_TRUE(encoder.flush());
    EXPECT_EQ(out, stretch({0x3441}) + "@a");  // the dropped lead byte does not pair across lines
}

TEST(JisEncoder, ResetDropsHeldBytesModeAndDownstreamText) {
    ResettableSink sink;
    JisEncoder encoder(sink);
    encoder.write("\x8a\xbf\xb6");  // stretch open, ｶ held
    EXPECT_EQ(sink.text, kToDoubleByte + jis(0x3441));
    EXPECT_TRUE(encoder.reset());
    EXPECT_EQ(sink.text, "");
    encoder.write("\xde" "a");
    encoder.flush();
    EXPECT_EQ(sink.text, stretch({kVoicedMarkJis}) + "a");  // no ガ, and ゛ opens a new stretch
}

TEST(JisEncoder, WholeLineEqualsByteByByteAndSplitFeeding) {
    const std::string whole = toIso2022Jp(kMixed);
    EXPECT_EQ(whole, stretch({0x3441, 0x3B7A, 0x252C}) + "abc" + stretch({0x2551}) + "1" +
                         stretch({0x252B, 0x254A, 0x2522, kVoicedMarkJis, 0x256F, kVoicedMarkJis, 0x252B}));
    EXPECT_EQ(encodeBytewise(kMixed), whole);
    for (size_t split = 0; split <= kMixed.size(); ++split) {
        std::string out;
        StringSink sink(out);
        JisEncoder encoder(sink);
        encoder.write(kMixed.substr(0, split));
        encoder.write(kMixed.substr(split));
        encoder.flush();
        EXPECT_EQ(out, whole) << split;
    }
}

TEST(JisEncoder, DownstreamRefusalIsReported) {
    LimitedSink sink(4);
    JisEncoder encoder(sink);
    EXPECT_TRUE(encoder.put(0x8A));  // held: nothing written yet
    EXPECT_FALSE(encoder.put(0xBF));
    EXPECT_EQ(sink.text, kToDoubleByte + "\x34");
    EXPECT_FALSE(encoder.flush());
}

#ifndef _WIN32

namespace {

// Converts with iconv in one call and returns the state to the initial one; false when iconv refuses.
bool convert(iconv_t cd, const std::string& in, std::string& out) {
    char buffer[64];
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && inLeft == 0 &&
                    iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.assign(buffer, static_cast<size_t>(outPtr - buffer));
    return ok;
}

}  // namespace

// Every code page 932 pair that iconv writes as a JIS X 0208 character of rows 1-84 and reads back
// to the same pair (which leaves out the NEC and IBM duplicates of standard characters).
TEST(JisEncoder, DoubleByteCharactersMatchIconvForJisRows1To84) {
    const iconv_t toJis = iconv_open("ISO-2022-JP", "CP932");
    const iconv_t toSjis = iconv_open("CP932", "ISO-2022-JP");
    ASSERT_NE(toJis, reinterpret_cast<iconv_t>(-1));
    ASSERT_NE(toSjis, reinterpret_cast<iconv_t>(-1));
    int compared = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const std::string pair = bytes({lead, trail});
            std::string expected, back;
            if (!convert(toJis, pair, expected)) continue;
            if (expected.size() != 8 || expected.compare(0, 3, kToDoubleByte) != 0 ||
                expected.compare(5, 3, "\x1b(B") != 0) {
                continue;
            }
            const int row = static_cast<unsigned char>(expected[3]) - 0x20;
            if (row < 1 || row > 84 || !convert(toSjis, expected, back) || back != pair) continue;
            ++compared;
            EXPECT_EQ(toIso2022Jp(pair), expected.substr(0, 5) + kToSingleByte) << std::hex << lead << " " << trail;
        }
    }
    iconv_close(toJis);
    iconv_close(toSjis);
    std::printf("compared %d characters with iconv\n", compared);
    EXPECT_GT(compared, 6800);  // JIS X 0208 has 6879; a few code page 932 mappings differ
}


namespace {

// The character of a code page 932 pair as UCS-4 (empty when iconv has none).
std::string characterOf(iconv_t toUcs, int code) {
    std::string ucs;
    if (!convert(toUcs, bytes({code >> 8, code & 0xFF}), ucs)) return "";
    return ucs;
}

}  // namespace

// Each IBM-extension code goes out as the first code of the same character (as iconv decodes both)
// in the order JIS X 0208, NEC row 13, NEC-selected IBM extension.
TEST(JisEncoder, IbmExtensionMatchesIconvsCharacters) {
    const iconv_t toUcs = iconv_open("UCS-4BE", "CP932");
    ASSERT_NE(toUcs, reinterpret_cast<iconv_t>(-1));
    const std::vector<std::vector<std::pair<int, int>>> preference = {
        {{0x81, 0x84}, {0x88, 0x9F}, {0xE0, 0xEA}}, {{0x87, 0x87}}, {{0xED, 0xEE}}};
    std::vector<std::map<std::string, int>> firstCode(preference.size());
    for (size_t rank = 0; rank < preference.size(); ++rank) {
        for (const auto& [firstLead, lastLead] : preference[rank]) {
            for (int code = firstLead << 8 | 0x40; code <= (lastLead << 8 | 0xFC); ++code) {
                const std::string ucs = characterOf(toUcs, code);
                if (!ucs.empty()) firstCode[rank].emplace(ucs, code);  // keeps the lowest code
            }
        }
    }
    int compared = 0;
    for (int code = 0xFA40; code <= 0xFC4B; ++code) {
        const std::string ucs = characterOf(toUcs, code);
        if (ucs.empty()) continue;
        int equivalent = 0;
        for (const auto& codes : firstCode) {
            const auto found = codes.find(ucs);
            if (found != codes.end()) {
                equivalent = found->second;
                break;
            }
        }
        ASSERT_NE(equivalent, 0) << std::hex << code;
        ++compared;
        const std::string out = toIso2022Jp(bytes({code >> 8, code & 0xFF}));
        EXPECT_EQ(out, toIso2022Jp(bytes({equivalent >> 8, equivalent & 0xFF}))) << std::hex << code;
        EXPECT_EQ(out.size(), 8u) << std::hex << code;
    }
    iconv_close(toUcs);
    EXPECT_EQ(compared, 388);
}

#endif
