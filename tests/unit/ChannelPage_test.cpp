// The channel set-up page reader over a default channel table, and the page's import.
#include <gtest/gtest.h>

#include <string>

#include "recorder/ChannelPage.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/ScriptedReplies.h"
#include "tests/support/ScriptedServer.h"

namespace {

const std::string kTohoSogo = "\x93\x8c\x93\x73\x91\x8d\x8d\x87\x83\x65\x83\x8c\x83\x72";  // 東都総合テレビ
const std::string kHyoujiTv = "\x95\x5c\x8e\xa6\x83\x65\x83\x8c\x83\x72";                // 表示テレビ (0x5C trail)

// A layout table whose third row has the shape of a channel row, as a trap for a miscounting reader.
const std::string kLayoutTable =
    "<table><tr><td>a</td></tr><tr><td>b</td></tr><tr><td>1</td><td>CH9</td><td>Layout</td><td>9</td><td>L</td></tr></table>\n";

std::string channelRow(const std::string& label, const std::string& name, const std::string& mail = "1",
                       const std::string& station = "S") {
    return "<tr><td>1</td><td>" + label + "</td><td>" + name + "</td><td>" + mail + "</td><td>" + station + "</td></tr>\n";
}

// A channel table: two heading rows (the second shaped like a channel row), then the rows.
std::string channelTable(const std::string& rows) {
    return "<table border=\"1\">\n<tr><td colspan=\"5\">band</td></tr>\n" + channelRow("CH9", "Heading") + rows + "</table>\n";
}

std::string page(const std::string& tables) {
    return "<html><body>\n" + kLayoutTable + kLayoutTable + kLayoutTable + kLayoutTable + tables + "</body></html>\n";
}

ChannelTable defaultTable() {
    ChannelTable table;
    table.load("");
    return table;
}

const ChannelEntry& entry(const ChannelTable& table, int code) { return *table.findByCode(code); }

ChannelTable read(const std::string& body, ChannelTable table = defaultTable()) {
    ChannelPageReader reader(table);
    EXPECT_TRUE(parseHtml(body, reader));
    return table;
}

}  // namespace

TEST(ChannelPageReader, RowsFromTheFifthTableOnUpdateTheEntryOfTheirLabel) {
    const ChannelTable table = read(page(channelTable(channelRow("CH1", kTohoSogo, "001", "TT01")) +
                                         channelTable(channelRow("BS3", "Second", "103", "BS03"))));
    EXPECT_EQ(entry(table, 1).name, kTohoSogo);
    EXPECT_EQ(entry(table, 1).mailCode, "001");
    EXPECT_EQ(entry(table, 1).stationCode, "TT01");
    EXPECT_EQ(entry(table, 103).code, 103);
    EXPECT_EQ(entry(table, 103).label, "BS3");
    EXPECT_EQ(entry(table, 103).name, "Second");
    EXPECT_EQ(entry(table, 103).stationCode, "BS03");
    EXPECT_TRUE(table.userDefined());
    // Neither the layout tables nor the heading rows were applied.
    EXPECT_EQ(entry(table, 9).name, "");
}

TEST(ChannelPageReader, UnusedAndUnknownRowsChangeNothing) {
    ChannelTable before = defaultTable();
    before.setEntry({2, "CH2", "Kept", "002", "K2"});
    before.setEntry({300, "", "NoLabel", "300", "K"});
    const ChannelTable table = read(page(channelTable(channelRow("CH2", "--", "--", "--") + channelRow("--", "Name") +
                                                      channelRow("CH99", "Nowhere") + channelRow("ch1", "Case") +
                                                      "<tr></tr><tr><td>1</td><td></td><td>Wiped</td></tr>")),
                                    before);
    for (const auto& [code, e] : before) {
        EXPECT_EQ(entry(table, code).name, e.name) << code;
        EXPECT_EQ(entry(table, code).mailCode, e.mailCode) << code;
    }
}

TEST(ChannelPageReader, CellTextsAreDecodedAndTheLastPieceCounts) {
    const ChannelTable table = read(page(channelTable(
        channelRow("CH10", "M&amp;K\n  TV") + channelRow("CH12", kHyoujiTv) +
        "<tr><td>1</td><td>CH8</td><td>Sakura<br>TV</td><td>008</td><td>SK<br>08</td><td>extra</td></tr>")));
    EXPECT_EQ(entry(table, 10).name, "M&K TV");
    EXPECT_EQ(entry(table, 12).name, kHyoujiTv);
    EXPECT_EQ(entry(table, 8).name, "TV");
    EXPECT_EQ(entry(table, 8).stationCode, "08");  // the sixth cell is ignored
}

TEST(ChannelPageReader, RowWithoutEndTagIsNotStoredAndItsTextsCarryOver) {
    const ChannelTable table = read(page(channelTable("<tr><td>1<td>CH3<td>Three<td>003<td>S3\n"
                                                      "<tr><td>2</td><td>CH4</td><td>Four</td></tr>\n")));
    EXPECT_EQ(entry(table, 3).name, "");
    EXPECT_EQ(entry(table, 4).name, "Four");
    EXPECT_EQ(entry(table, 4).mailCode, "003");
}

TEST(ChannelPageReader, EveryPrefixOfAPageAppliesWholeRowsOnly) {
    const std::string body = page(channelTable(channelRow("CH1", kTohoSogo, "001", "TT01") + channelRow("CH3", "Three")));
    const ChannelTable full = read(body);
    for (size_t n = 0; n <= body.size(); ++n) {
        const ChannelTable table = read(body.substr(0, n));
        for (const int code : {1, 3}) {
            const ChannelEntry& e = entry(table, code);
            EXPECT_TRUE(e.name.empty() || (e.name == entry(full, code).name &&
                                           e.stationCode == entry(full, code).stationCode)) << n;
        }
    }
}

TEST(ImportChannelList, ReadsTheSetUpPageIntoTheTable) {
    ScriptedServer server({httpReply(page(channelTable(channelRow("CH4", "Minato"))))});
    ASSERT_TRUE(server.listening());
    ChannelTable table = defaultTable();
    EXPECT_EQ(importChannelList(table, configFor(server), 3000), ChannelImport::Imported);
    EXPECT_EQ(entry(table, 4).name, "Minato");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "GET /setup/ch_set.htm HTTP/1.1");
}

TEST(ImportChannelList, FailuresAreToldApartAndLeaveTheTableAlone) {
    ChannelTable table = defaultTable();
    EXPECT_EQ(importChannelList(table, ConfigStore(), 3000), ChannelImport::NotConfigured);
    EXPECT_FALSE(fetchChannelList(table, ConfigStore()));
    {
        ScriptedServer server({std::string()});
        EXPECT_EQ(importChannelList(table, configFor(server), 3000), ChannelImport::ExchangeFailed);
    }
    {   // An error page shaped like the set-up page is still not applied.
        ScriptedServer server({httpReply(page(channelTable(channelRow("CH4", "Denied"))), 401)});
        EXPECT_EQ(importChannelList(table, configFor(server), 3000), ChannelImport::Refused);
    }
    EXPECT_EQ(entry(table, 4).name, "");
    EXPECT_FALSE(table.userDefined());
}
