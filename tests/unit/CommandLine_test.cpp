// The command-line splitter, the positional reservation form and the default reservation.
#include <gtest/gtest.h>

#include "core/CommandLine.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/ReservationData.h"

namespace {

using Args = std::vector<std::string>;

const std::string kStation = "\x83\x65\x83\x58\x83\x67\x8b\xc7";  // テスト局

// Every field the positional form and the default may set, in one comparable line.
std::string describe(const Reservation& r) {
    const LocalTime& d = r.date;
    return (r.channel ? r.channel->label : "-") + " " + std::to_string(d.year) + "/" + std::to_string(d.month) +
           "/" + std::to_string(d.day) + " w" + std::to_string(d.dayOfWeek) + " " + std::to_string(d.hour) + ":" +
           std::to_string(d.minute) + ":" + std::to_string(d.second) + "." + std::to_string(d.milliseconds) + " " +
           std::to_string(r.startHour) + ":" + std::to_string(r.startMinute) + "-" + std::to_string(r.endHour) +
           ":" + std::to_string(r.endMinute) + " g" + std::to_string(r.genre) + " v" + std::to_string(r.vrate) +
           " [" + r.title + "] [" + r.detail + "]";
}

class CommandLine : public ::testing::Test {
protected:
    CommandLine() {
        channels.setEntry(channelEntry(1, ""));  // an unnamed position comes first
        channels.setEntry(channelEntry(3, kStation));
        channels.setEntry(channelEntry(5, "NHK"));
        config.setGenre(5);
    }
    // A reservation with recognisable old values, filled from the arguments.
    std::string fill(const Args& args) {
        Reservation r;
        r.channel = channels.findByCode(1);
        r.date.dayOfWeek = 3;
        r.date.hour = 9;
        r.vrate = 3000;
        r.title = "old";
        fillFromArguments(args, r, channels, config);
        return describe(r);
    }
    ChannelTable channels;
    ConfigStore config;
};

struct SplitCase {
    const char* rule;
    std::string text;
    Args expected;
};

struct FillCase {
    const char* rule;
    Args args;
    std::string expected;
};

}  // namespace

TEST(SplitCommandLine, FollowsQuoteRules) {
    const std::vector<SplitCase> cases = {
        {"empty", "", {}},
        {"only spaces", "   ", {}},
        {"spaces separate", "  a  bc d ", {"a", "bc", "d"}},
        {"quoted path with spaces", "\"C:\\Program Files\\tv\\a b.iepg\"", {"C:\\Program Files\\tv\\a b.iepg"}},
        {"quoted then bare", "\"a b\" c", {"a b", "c"}},
        {"unterminated quote drops last", "a b \"c d", {"a", "b"}},
        {"lone quote", "\"", {}},
        {"doubled quote inside quotes", "\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"quote pair alone is empty arg", "\"\"", {""}},
        {"two empty args", "\"\" \"\"", {"", ""}},
        {"four quotes give one quote", "\"\"\"\"", {"\""}},
        {"byte after closing quote continues", "\"ab\"cd e\"", {"abcd e"}},
        {"space after reopened quote closes", "\"ab\"cd\" e", {"abcd", "e"}},
        {"continued argument left open is dropped", "x \"\"y", {"x"}},
        {"quote inside bare argument is literal", "a\"b c", {"a\"b", "c"}},
        {"tab is ordinary", "a\tb c\t", {"a\tb", "c\t"}},
        {"shift_jis kept", "\x83\x5c\x95\x5c \"\x94\xd4\x91\x67\"", {"\x83\x5c\x95\x5c", "\x94\xd4\x91\x67"}},  // ソ表 番組
        {"nul byte kept", std::string("a\0b", 3), {std::string("a\0b", 3)}},
    };
    for (const SplitCase& c : cases) EXPECT_EQ(splitCommandLine(c.text), c.expected) << c.rule;
}

TEST_F(CommandLine, PositionalFormFillsReservation) {
    const std::vector<FillCase> cases = {
        {"seven arguments, configured genre", {"NHK", "20040131", "2130", "2245", "x", "title", "a\r\nb"},
         "CH5 2004/1/31 w0 0:0:0.0 21:30-22:45 g5 v3000 [title] [a\r\nb]"},
        {"eighth argument is the genre", {"NHK", "20040131", "2130", "2245", "", "t", "", "8"},
         "CH5 2004/1/31 w0 0:0:0.0 21:30-22:45 g8 v3000 [t] []"},
        {"arguments after the eighth ignored", {"NHK", "20040131", "2130", "2245", "", "", "", "0", "7"},
         "CH5 2004/1/31 w0 0:0:0.0 21:30-22:45 g0 v3000 [] []"},
        {"past midnight kept", {kStation, "20041231", "2330", "0030", "", "", ""},
         "CH3 2004/12/31 w0 0:0:0.0 23:30-0:30 g5 v3000 [] []"},
        {"station match is exact", {"nhk", "1", "1", "1", "", "", ""}, "- 0/0/1 w0 0:0:0.0 0:1-0:1 g5 v3000 [] []"},
        {"empty station is no channel", {"", "20040131", "2130", "2245", "", "", ""},
         "- 2004/1/31 w0 0:0:0.0 21:30-22:45 g5 v3000 [] []"},
        {"numbers read like atoi", {"NHK", " 20040131x", "9", "abc", "", "", "", "x"},
         "CH5 2004/1/31 w0 0:0:0.0 0:9-0:0 g0 v3000 [] []"},
        {"negative numbers wrap into 16 bits", {"NHK", "-20040131", "-130", "0", "", "", ""},
         "CH5 63532/65535/65505 w0 0:0:0.0 -1:-30-0:0 g5 v3000 [] []"},
        {"huge numbers saturate first", {"NHK", "99999999999", "99999999999", "-2147483648", "", "", ""},
         "CH5 18140/36/47 w0 0:0:0.0 21474836:47--21474836:-48 g5 v3000 [] []"},
        {"missing arguments read as empty", {"NHK", "20040131"}, "CH5 2004/1/31 w0 0:0:0.0 0:0-0:0 g5 v3000 [] []"},
    };
    for (const FillCase& c : cases) EXPECT_EQ(fill(c.args), c.expected) << c.rule;
}

TEST_F(CommandLine, SevenArgumentsWithoutSettingGiveNoGenre) {
    ConfigStore empty;
    Reservation r;
    r.genre = 3;
    fillFromArguments({"NHK", "20040131", "2130", "2245", "", "", ""}, r, channels, empty);
    EXPECT_EQ(r.genre, kNoGenre);
}

TEST_F(CommandLine, DefaultEndsOneHourLaterAcrossMidnight) {
    LocalTime now;
    now.year = 2024;
    now.month = 3;
    now.dayOfWeek = 5;
    now.day = 15;
    now.hour = 23;
    now.minute = 40;
    now.second = 12;
    now.milliseconds = 345;
    Reservation r;
    r.channel = channels.findByCode(5);
    r.vrate = 3000;
    r.title = "old";
    r.detail = "old";
    fillDefault(r, config, now);
    EXPECT_EQ(describe(r), "- 2024/3/15 w5 23:40:12.345 23:40-0:40 g5 v3000 [] []");
    now.hour = 9;
    now.minute = 5;
    fillDefault(r, config, now);
    EXPECT_EQ(describe(r), "- 2024/3/15 w5 9:5:12.345 9:5-10:5 g5 v3000 [] []");
}

TEST(FillDefault, UsesCurrentLocalTime) {
    ConfigStore config;
    Reservation r;
    fillDefault(r, config);
    EXPECT_GE(r.date.year, 2020);
    EXPECT_EQ(r.startHour, r.date.hour);
    EXPECT_EQ(r.startMinute, r.date.minute);
    EXPECT_EQ(r.endHour, (r.date.hour + 1) % 24);
    EXPECT_EQ(r.genre, kNoGenre);
}
