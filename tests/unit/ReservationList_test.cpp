// The reservation table reader, its date and time cells, the list page lookup and the list job.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "recorder/PagePath.h"
#include "recorder/ReservationList.h"
#include "settings/ConfigStore.h"
#include "tests/support/ScriptedReplies.h"
#include "tests/support/ScriptedServer.h"

namespace {

const std::string kCheckOn = "/img/parts/check_on.gif";
const std::string kEveryDay = "\x96\x88\x93\xfa";                        // 毎日
const std::string kMonToFri = "\x96\x88\x8c\x8e\x81\x60\x8b\xe0";        // 毎月～金
const std::string kEverySaturday = "\x96\x88\x93\x79\x97\x6a\x93\xfa";  // 毎土曜日
const std::string kSaturday = "\x93\x79";                               // 土
const std::string kHyouji = "\x95\x5c\x8e\xa6";                        // 表示 (trail byte 0x5C)
const std::vector<std::string> kCells = {"CH1", kEveryDay, "01:00-02:00", "HDD", "SP", "D1"};

// One row as the recorder writes it: number, check image, title link, then the cells.
std::string row(const std::string& number, const std::string& image, const std::string& title,
                const std::vector<std::string>& cells = kCells) {
    std::string r = "<tr><td>" + number + "</td><td><img src=\"" + image + "\" width=\"14\"></td><td><a href=\"d.htm?no=" +
                    number + "\" target=\"main\">" + title + "</a></td>";
    for (const std::string& c : cells) r += "<td>" + c + "</td>";
    return r + "</tr>\n";
}

std::string freeRow() { return row("9", "/img/parts/check_off.gif", "---", {"---", "---", "---", "---", "---", "---"}); }

std::string listPage(const std::string& rows) {
    return "<html><body><table>\n<tr><th>No.</th><th>CH</th></tr>\n" + rows + "</table></body></html>\n";
}

std::string framesetPage(const std::string& listSrc) {
    return "<frameset><frame name=\"title\" src=\"/t.htm\"><frameset><frame name=\"main\" src=\"/m.htm\">"
           "<frame name=\"list\" src=\"" + listSrc + "\"></frameset></frameset>";
}

class CountingHost : public ListDialogHost {
public:
    void postCompletion() override { ++completions; }
    std::atomic<int> completions{0};
};

}  // namespace

TEST(ParseReservationList, ReadsRowsUpToTheFirstFreeSlotWhateverFollows) {
    const ReservationEntries list = parseReservationList(listPage(
        row("1", kCheckOn, "News", {"CH1", kMonToFri, "05:45-06:00", "HDD", "SP 4.4/4.6", "D1"}) +
        row("2", "/img/parts/check_off.gif", "Cinema", {"BS3", "2004/01/31(" + kSaturday + ")", "04:00-04:55", "DVD", "MN", "L-PCM"}) +
        freeRow() + row("4", kCheckOn, "Hidden")));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].number, 1);
    EXPECT_TRUE(list[0].enabled);
    EXPECT_EQ(list[0].title, "News");
    EXPECT_EQ(list[0].channelText, "CH1");
    EXPECT_EQ(list[0].weekdayMask, 0x3E);
    EXPECT_EQ(list[0].start, 5 * 60 + 45);
    EXPECT_EQ(list[0].end, 6 * 60);
    EXPECT_EQ(list[0].extraText1, "HDD");
    EXPECT_EQ(list[0].extraText2, "SP 4.4/4.6");
    EXPECT_EQ(list[0].extraText3, "D1");
    EXPECT_FALSE(list[1].enabled);
    EXPECT_EQ(list[1].year, 2004);
    EXPECT_EQ(list[1].weekday, 6);
    EXPECT_EQ(list[1].extraText3, "L-PCM");
}

TEST(ParseReservationList, CellValuesAreReadAsTheRecorderWritesThem) {
    const ReservationEntries list = parseReservationList(listPage(
        row("12th", kCheckOn, "  M&amp;K\n  " + kHyouji + "  ") + row("No", "/IMG/PARTS/CHECK_ON.GIF", "b") +
        row("99999999999", kCheckOn + "?x", "c") +
        "<tr><td>4</td><td><img alt=none></td><td><a>d</a></td><td>CH4</td><td>" + kEveryDay + "</td></tr>"));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].number, 12);
    EXPECT_EQ(list[1].number, 0);
    EXPECT_EQ(list[2].number, INT32_MAX);
    EXPECT_EQ(list[0].title, "M&K " + kHyouji);
    // Only the exact check image means enabled.
    EXPECT_TRUE(list[0].enabled);
    EXPECT_FALSE(list[1].enabled);
    EXPECT_FALSE(list[2].enabled);
    EXPECT_FALSE(list[3].enabled);
    // A row whose cells end early is kept with the rest empty.
    EXPECT_EQ(list[3].weekdayMask, 0xFF);
    EXPECT_EQ(list[3].timeText, "");
}

TEST(ParseReservationList, MarkupThatDoesNotFitStopsTheParse) {
    const std::string good = row("1", kCheckOn, "ok");
    EXPECT_EQ(parseReservationList(listPage(good + "<tr><td><b>2</b></td>" + good)).size(), 1u);
    EXPECT_EQ(parseReservationList(listPage(good + row("2", kCheckOn, "<b>t</b>"))).size(), 1u);
    EXPECT_EQ(parseReservationList(listPage(good + "<tr><td>2</td><td>x</td></tr>")).size(), 1u);
    EXPECT_TRUE(parseReservationList(listPage("<tr><td>1</td><td><img src=x></td><td><a>t</a></td><td></td></tr>")).empty());
    // The reader skips across row ends: a row of four cells takes the next row's number as its date
    // and meets a tag where the time should be, so the next row is never started.
    const ReservationEntries shortRow = parseReservationList(listPage(
        "<tr><td>1</td><td><img src=x></td><td><a>t</a></td><td>CH1</td></tr>" + good));
    ASSERT_EQ(shortRow.size(), 1u);
    EXPECT_EQ(shortRow[0].dateText, "1");
}

TEST(ParseReservationList, TruncatedPageKeepsTheRowsReadSoFar) {
    const std::string page = listPage(row("1", kCheckOn, "one") + row("2", kCheckOn, "two"));
    const size_t cut = page.find("<a href", page.find("<td>2</td>")) + 5;  // inside the second title's tag
    const ReservationEntries list = parseReservationList(page.substr(0, cut));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].title, "one");
    for (size_t n = 0; n <= page.size(); ++n) EXPECT_LE(parseReservationList(page.substr(0, n)).size(), 2u);
}

TEST(ParseDateCell, RecurrenceLabelsSetOnlyTheMask) {
    ReservationEntry e;
    parseDateCell(e, "2004/01/31(" + kSaturday + ")");
    parseDateCell(e, kMonToFri);  // a later label clears the earlier date
    EXPECT_EQ(e.weekdayMask, 0x3E);
    EXPECT_EQ(e.dateText, kMonToFri);
    EXPECT_EQ(e.year, 0);
    EXPECT_EQ(e.day, 0);
    parseDateCell(e, kEveryDay);
    EXPECT_EQ(e.weekdayMask, 0xFF);
    parseDateCell(e, kEverySaturday);
    EXPECT_EQ(e.weekdayMask, 0x40);
    parseDateCell(e, kEveryDay + " ");  // labels match whole
    EXPECT_EQ(e.weekdayMask, 0);
}

TEST(ParseDateCell, DatedReservationWithWeekdayCharacter) {
    ReservationEntry e;
    parseDateCell(e, "2004/01/31(" + kSaturday + ")");
    EXPECT_EQ(e.weekdayMask, 0);
    EXPECT_EQ(e.year, 2004);
    EXPECT_EQ(e.month, 1);
    EXPECT_EQ(e.day, 31);
    EXPECT_EQ(e.weekday, 6);
    parseDateCell(e, "2004/02/01(\x93\xfa)");  // 日
    EXPECT_EQ(e.weekday, 0);
    ReservationEntry unknown;
    parseDateCell(unknown, "2004/01/31(XY)");
    EXPECT_EQ(unknown.year, 2004);
    EXPECT_EQ(unknown.weekday, 0);
}

TEST(ParseDateCell, OtherShapesSetOnlyTheText) {
    for (const std::string& text : {"2004/1/31(" + kSaturday + ")", "2004-01-31(" + kSaturday + ")",
                                    std::string("2004/01/31"), std::string()}) {
        ReservationEntry e;
        parseDateCell(e, text);
        EXPECT_EQ(e.dateText, text);
        EXPECT_EQ(e.year + e.month + e.day + e.weekdayMask, 0) << text;
    }
}

TEST(ParseDateCell, NegativeNumbersWrapIntoTheNarrowFields) {
    ReservationEntry e;
    parseDateCell(e, "-001/-1/-3(" + kSaturday + ")");
    EXPECT_EQ(e.year, 65535);
    EXPECT_EQ(e.month, 255);
    EXPECT_EQ(e.day, 253);
}

TEST(ParseTimeCell, ElevenBytesGiveMinutesRunningPastMidnight) {
    ReservationEntry e;
    parseTimeCell(e, "23:30-00:30");
    EXPECT_EQ(e.start, 1410);
    EXPECT_EQ(e.end, 30);
    EXPECT_EQ(e.timeText, "23:30-00:30");
    for (const char* text : {"3:30-00:30", "23:30-00:300", ""}) {
        ReservationEntry other;
        parseTimeCell(other, text);
        EXPECT_EQ(other.start + other.end, 0) << text;
        EXPECT_EQ(other.timeText, "") << text;
    }
}

TEST(ParseTimeCell, ValuesOutOfRangeAreTruncatedNotOverflowed) {
    ReservationEntry e;
    parseTimeCell(e, "1100:0-0:00");  // 1100 h 0 min = 66000 minutes
    EXPECT_EQ(e.start, 66000 - 65536);
    EXPECT_EQ(e.end, 0);
    parseTimeCell(e, "99999999999");  // saturates in the reader, must not overflow when multiplied
    parseTimeCell(e, "-9999999999");
    EXPECT_EQ(e.timeText, "-9999999999");
}

TEST(ListPage, TheLastFrameInTheFramesetDirectory) {
    EXPECT_EQ(lastFrameSource(framesetPage("/program/b_list.htm")), "/program/b_list.htm");
    EXPECT_EQ(lastFrameSource("<frame src=/a.htm><frame name=last>"), "");
    EXPECT_EQ(lastFrameSource("<html>no frames</html>"), "");
    EXPECT_EQ(resolvePagePath("/program/b_prgrm.htm", "/program/b_list.htm", "rec", 80), "/program/b_list.htm");
    EXPECT_EQ(resolvePagePath("/program/b_prgrm.htm", "rsv/list.htm?t=12:00", "rec", 80), "/program/rsv/list.htm?t=12:00");
}

TEST(ListPage, OtherServersAndBytesThatBreakTheRequestLineAreRefused) {
    for (const std::string& src : {std::string(), std::string("http://elsewhere/l.htm"), std::string("//elsewhere/l.htm"),
                                   std::string("javascript:void(0)"), std::string("/b list.htm"),
                                   std::string("/l.htm\r\nX-Injected: 1"), std::string("/l\0.htm", 7)}) {
        EXPECT_EQ(resolvePagePath("/program/b_prgrm.htm", src, "rec", 80), "") << src;
    }
}

TEST(FetchReservationList, FollowsTheLastFrameAndReplacesTheList) {
    ScriptedServer server(
        {httpReply(framesetPage("b_list.htm")), httpReply(listPage(row("1", kCheckOn, "t") + freeRow()))});
    ASSERT_TRUE(server.listening());
    ReservationEntries rows(5);
    ASSERT_TRUE(fetchReservationList(configFor(server), rows, 3000));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].title, "t");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "GET /program/b_prgrm.htm HTTP/1.1");
    EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "GET /program/b_list.htm HTTP/1.1");
}

TEST(FetchReservationList, FailuresLeaveTheListUntouched) {
    ReservationEntries rows(1);
    rows[0].title = "previous";
    EXPECT_FALSE(fetchReservationList(ConfigStore(), rows, 3000));
    const std::vector<std::vector<std::string>> scripts = {
        {httpReply(framesetPage("/l.htm")), httpReply(listPage(""), 401)},  // an error page is not an empty list
        {httpReply("<html>busy</html>")},                                   // no frame
        {httpReply(framesetPage("/l.htm")), std::string()},                 // closed without an answer
        {httpReply(framesetPage("http://elsewhere/l.htm"))},                // not followed
    };
    for (const auto& script : scripts) {
        ScriptedServer server(script);
        EXPECT_FALSE(fetchReservationList(configFor(server), rows, 3000));
        EXPECT_LE(server.requests().size(), script.size());
    }
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].title, "previous");
}

TEST(ReservationListJob, HandsOverOnlyASuccessfulFetchAndAlwaysReportsTheEnd) {
    ScriptedServer server({httpReply(framesetPage("/l.htm")), httpReply(listPage(row("1", kCheckOn, "first")))});
    const ConfigStore config = configFor(server);
    CountingHost host;
    ReservationListJob job(host, config, 3000);
    ReservationEntries shown(2);
    EXPECT_FALSE(job.takeList(shown));  // nothing fetched yet
    EXPECT_EQ(shown.size(), 2u);

    ASSERT_TRUE(job.start());
    ASSERT_TRUE(job.wait());
    EXPECT_EQ(job.exitCode(), 1);
    EXPECT_EQ(host.completions.load(), 1);
    ASSERT_TRUE(job.takeList(shown));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "first");
    EXPECT_FALSE(job.takeList(shown));  // taken once only

    // The server has no more answers: the run fails and the dialog's rows stay.
    ASSERT_TRUE(job.start());
    ASSERT_TRUE(job.wait());
    EXPECT_EQ(job.exitCode(), 1);
    EXPECT_EQ(host.completions.load(), 2);
    EXPECT_FALSE(job.takeList(shown));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "first");
}
