// The option tables: sizes, exact texts and values, and the stored-value lookup.
#include <gtest/gtest.h>

#include "core/Reservation.h"

namespace {

std::vector<int32_t> valuesOf(const OptionTable& table) {
    std::vector<int32_t> values;
    for (const OptionItem& item : table.items()) values.push_back(item.value);
    return values;
}

std::vector<std::string> textsOf(const OptionTable& table) {
    std::vector<std::string> texts;
    for (const OptionItem& item : table.items()) texts.push_back(item.text);
    return texts;
}

std::string textOf(const OptionTable& table, int32_t value) { return table[table.indexOfValue(value)].text; }

}  // namespace

TEST(OptionTables, SizesAreFixed) {
    EXPECT_EQ(discOptions().size(), 3u);
    EXPECT_EQ(dvdrOptions().size(), 3u);
    EXPECT_EQ(vrateOptions().size(), 41u);
    EXPECT_EQ(amodeOptions().size(), 3u);
    EXPECT_EQ(genreOptions().size(), 11u);
    EXPECT_EQ(bookingActionOptions().size(), 4u);
    EXPECT_EQ(smtpauthOptions().size(), 4u);
}

TEST(OptionTables, TextsAndValuesInDisplayOrder) {
    EXPECT_EQ(textsOf(discOptions()), (std::vector<std::string>{"HDD", "DVD", "AB\x96\xca"}));  // AB面
    EXPECT_EQ(valuesOf(discOptions()), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(textsOf(dvdrOptions()), (std::vector<std::string>{"\x90\xd8",                   // 切
                                                                "\x8e\xe5\x89\xb9\x90\xba",   // 主音声
                                                                "\x95\x9b\x89\xb9\x90\xba"}));  // 副音声
    EXPECT_EQ(valuesOf(dvdrOptions()), (std::vector<int32_t>{1, 4, 5}));
    EXPECT_EQ(textsOf(amodeOptions()), (std::vector<std::string>{"D1", "D2", "L-PCM"}));
    EXPECT_EQ(valuesOf(amodeOptions()), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(textsOf(bookingActionOptions()),
              (std::vector<std::string>{"\x89\xbd\x82\xe0\x82\xb5\x82\xc8\x82\xa2",    // 何もしない
                                        "\x83\x81\x81\x5b\x83\x8b\x91\x97\x90\x4d",    // メール送信
                                        "HTTP\x91\x97\x90\x4d",                        // HTTP送信
                                        "\x83\x81\x81\x5b\x83\x89\x8b\x4e\x93\xae"}));  // メーラ起動
    EXPECT_EQ(valuesOf(bookingActionOptions()), (std::vector<int32_t>{0, 2, 3, 1}));
    EXPECT_EQ(textsOf(smtpauthOptions()),
              (std::vector<std::string>{"SMTP\x94\x46\x8f\xd8",  // SMTP認証
                                        "POP(APOP) before SMTP", "POP(USER,PASS) before SMTP",
                                        "\x94\x46\x8f\xd8\x82\xc8\x82\xb5"}));  // 認証なし
    EXPECT_EQ(valuesOf(smtpauthOptions()), (std::vector<int32_t>{1, 3, 2, 0}));
}

TEST(OptionTables, GenreListStartsWithNoGenreThenZeroToNine) {
    EXPECT_EQ(valuesOf(genreOptions()), (std::vector<int32_t>{kNoGenre, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(genreOptions()[0].text, "\x83\x57\x83\x83\x83\x93\x83\x8b\x82\xc8\x82\xb5");  // ジャンルなし
    EXPECT_EQ(genreOptions()[4].text, "\x83\x41\x83\x6a\x83\x81/\x93\xc1\x8e\x42\x91\x53\x94\xca");  // アニメ/特撮全般
    EXPECT_EQ(genreOptions()[10].text, "\x82\xbb\x82\xcc\x91\xbc");  // その他
}

TEST(OptionTables, VideoRatesSkipOnePointSixAndOnePointEight) {
    const OptionTable& rates = vrateOptions();
    EXPECT_EQ(textsOf(rates)[2], "\x83\x57\x83\x83\x83\x58\x83\x67");  // ジャスト
    std::vector<int32_t> expected = {1, 2, 4, 1400};
    for (int32_t kbits = 2000; kbits <= 9200; kbits += 200) expected.push_back(kbits);
    EXPECT_EQ(valuesOf(rates), expected);
    const std::vector<std::string> texts = textsOf(rates);
    EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 7),
              (std::vector<std::string>{"SP 4.4/4.6", "LP 2.0/2.2", texts[2], "MN 1.4", "MN 2.0", "MN 2.2", "MN 2.4"}));
    EXPECT_EQ(texts[9], "MN 3.0");
    EXPECT_EQ(texts[40], "MN 9.2");
}

TEST(OptionTables, StoredValueSelectsLastMatchElseFirstEntry) {
    EXPECT_EQ(textOf(vrateOptions(), 3000), "MN 3.0");
    EXPECT_EQ(vrateOptions().indexOfValue(3100), 0u);
    EXPECT_EQ(genreOptions().indexOfValue(kNoGenre), 0u);
    EXPECT_EQ(genreOptions().indexOfValue(9), 10u);
    const OptionTable table({{"a", 7}, {"b", 3}, {"c", 7}, {"d", 1}});
    EXPECT_EQ(table.indexOfValue(7), 2u);
    EXPECT_EQ(table.indexOfValue(1), 3u);
    EXPECT_EQ(table.indexOfValue(5), 0u);
    EXPECT_EQ(OptionTable({}).indexOfValue(5), 0u);
}

TEST(OptionTables, FirstRunDefaultsShowFirstEntries) {
    EXPECT_EQ(textOf(discOptions(), 0), "HDD");
    EXPECT_EQ(textOf(dvdrOptions(), 0), "\x90\xd8");  // 切
    EXPECT_EQ(textOf(vrateOptions(), 0), "SP 4.4/4.6");
    EXPECT_EQ(textOf(amodeOptions(), 0), "D1");
    EXPECT_EQ(textOf(genreOptions(), kNoGenre), genreOptions()[0].text);
}
