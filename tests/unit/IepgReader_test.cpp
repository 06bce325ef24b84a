// The iEPG reader: content-type line, header rules, field conversions, body, size limit and file paths;
// the station of a digital-broadcast file.
#include <gtest/gtest.h>

#include "core/IepgReader.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/MemoryStream.h"
#include "tests/support/ReservationData.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kContentType = "Content-type: application/x-tv-program-info; charset=Shift_JIS\r\n";
const std::string kStation = "\x83\x65\x83\x58\x83\x67\x8b\xc7";  // テスト局
const std::string kTitle = "\x94\xd4\x91\x67";                    // 番組
const std::string kDated = "year: 2004\nmonth: 1\ndate: 31\nstart: 21:30\nend: 22:45\n";
const std::string kHeaders = "version: 1\r\nstation: " + kStation + "\r\n" + kDated + "program-title: " + kTitle + "\r\n";
const std::string kFail = "fail";

std::string iepgFile(const std::string& headers, const std::string& body = "") {
    return kContentType + headers + "\r\n" + body;
}

// A reservation holding recognisable values everywhere, to see what a read changes.
Reservation sentinel() {
    Reservation r;
    r.date.year = 1999;
    r.date.dayOfWeek = 3;
    r.date.hour = 9;
    r.startHour = 7;
    r.title = "keep";
    r.detail = "keep";
    r.vrate = 3000;
    r.genre = 1;
    return r;
}

// Every field a read may set, in one comparable line.
std::string describe(const Reservation& r) {
    const LocalTime& d = r.date;
    return (r.channel ? r.channel->label : "-") + " " + std::to_string(d.year) + "/" + std::to_string(d.month) +
           "/" + std::to_string(d.day) + "+" + std::to_string(d.dayOfWeek + d.hour + d.minute + d.second +
                                                               d.milliseconds) +
           " " + std::to_string(r.startHour) + ":" + std::to_string(r.startMinute) + "-" +
           std::to_string(r.endHour) + ":" + std::to_string(r.endMinute) + " g" + std::to_string(r.genre) + " v" +
           std::to_string(r.vrate) + " [" + r.title + "] [" + r.detail + "]";
}

class IepgReader : public ::testing::Test {
protected:
    IepgReader() {
        channels.setEntry(channelEntry(1, ""));  // an unnamed position comes first
        channels.setEntry(channelEntry(2, kStation));
        channels.setEntry(channelEntry(4, "\tNHK"));
        channels.setEntry(channelEntry(6, kStation));  // a later duplicate name is never chosen
        config.setGenre(6);
    }

    // describe() of the result, or kFail after checking that nothing was changed.
    std::string readChunks(std::vector<std::string> chunks, int endResult = 0) {
        ChunkStream stream(std::move(chunks));
        stream.endResult = endResult;
        BufferedReader reader(stream);
        Reservation r = sentinel();
        if (readIepg(reader, r, channels, config)) return describe(r);
        EXPECT_EQ(describe(r), describe(sentinel()));
        return kFail;
    }

    // Reads the text whole and again byte by byte; both must agree.
    std::string read(const std::string& text) {
        std::vector<std::string> bytes;
        for (char c : text) bytes.emplace_back(1, c);
        const std::string whole = readChunks({text});
        EXPECT_EQ(readChunks(bytes), whole);
        return whole;
    }

    ChannelTable channels;
    ConfigStore config;
};

struct Case {
    const char* rule;
    std::string text;
    std::string expected;  // describe() or kFail
};

// What describe() gives for a successful read; the sentinel's vrate shows the options stay untouched.
std::string outcome(const std::string& channelLabel, const std::string& date, const std::string& times,
                    const std::string& title = "", const std::string& detail = "") {
    return channelLabel + " " + date + "+0 " + times + " g6 v3000 [" + title + "] [" + detail + "]";
}

const std::string kDate = "2004/1/31";
const std::string kTimes = "21:30-22:45";

}  // namespace

TEST_F(IepgReader, ReadsCompleteFileAndKeepsBodyBytes) {
    const std::string body = std::string("line 1\r\n\r\nline\x83\x5c 3\rx\n\0\xff", 21);  // ソ: trail byte 0x5C
    EXPECT_EQ(read(iepgFile(kHeaders, body)), outcome("CH2", kDate, kTimes, kTitle, body));
}

TEST_F(IepgReader, FollowsFileRules) {
    const std::string rest = kHeaders + "\r\n";
    const std::string ok = outcome("CH2", kDate, kTimes, kTitle);
    const std::string noChannel = outcome("-", kDate, kTimes);
    const std::vector<Case> cases = {
        {"content type in any letter case",
         "CONTENT-TYPE: Application/X-TV-Program-Info; CHARSET=shift_jis\n" + rest, ok},
        {"extra space in content type",
         "Content-type:  application/x-tv-program-info; charset=Shift_JIS\n" + rest, kFail},
        {"trailing space in content type",
         "Content-type: application/x-tv-program-info; charset=Shift_JIS \n" + rest, kFail},
        {"other charset", "Content-type: application/x-tv-program-info; charset=EUC-JP\n" + rest, kFail},
        {"byte-order mark", "\xef\xbb\xbf" + kContentType + rest, kFail},
        {"empty first line", "\r\n" + kContentType + rest, kFail},
        {"empty input", "", kFail},
        {"cut content type", kContentType.substr(0, kContentType.size() - 3), kFail},
        {"no space after colon", iepgFile(kDated + "station:" + kStation + "\n"), outcome("CH2", kDate, kTimes)},
        {"spaces after colon", iepgFile(kDated + "station:    " + kStation + "\n"), outcome("CH2", kDate, kTimes)},
        {"tab stays in value", iepgFile(kDated + "station: \tNHK\n"), outcome("CH4", kDate, kTimes)},
        {"trailing space stays in value", iepgFile(kDated + "station: " + kStation + " \n"), noChannel},
        {"unknown station", iepgFile(kDated + "station: NHK\n"), noChannel},
        {"missing station is no channel", iepgFile(kDated), noChannel},
        {"empty station is no channel", iepgFile(kDated + "station:  \n"), noChannel},
        {"line starting with colon", iepgFile(": value\r\n" + kHeaders), kFail},
        {"lone colon at end", iepgFile(kHeaders + ":\r\n"), kFail},
        {"line without colon", iepgFile("x\r\n" + kHeaders), kFail},
        {"anything after empty line", iepgFile(kHeaders, "no colon\n:x"),
         outcome("CH2", kDate, kTimes, kTitle, "no colon\n:x")},
        {"keys case-sensitive, file genre ignored", iepgFile(kHeaders + "Station: NHK\ngenre: 3\nYear: 1990\n"), ok},
        {"repeated key replaces", iepgFile(kHeaders + "start: 05:06\nstation: \tNHK\n"),
         outcome("CH4", kDate, "5:6-22:45", kTitle)},
        {"one-digit hour", iepgFile(kDated + "start: 9:30\n"), kFail},
        {"leading zero hour", iepgFile(kDated + "start: 09:30\n"), outcome("-", kDate, "9:30-22:45")},
        {"time with letter", iepgFile(kDated + "start: 09:3x\n"), kFail},
        {"time with dash", iepgFile(kDated + "end: 09-30\n"), kFail},
        {"time with trailing space", iepgFile(kDated + "end: 09:30 \n"), kFail},
        {"time without colon", iepgFile(kDated + "end: 0930\n"), kFail},
        {"empty time", iepgFile(kDated + "end:\n"), kFail},
        {"missing end", iepgFile("year: 2004\nmonth: 1\ndate: 31\nstart: 22:45\n"), kFail},
        {"times not range-checked", iepgFile(kDated + "start: 25:99\nend: 00:10\n"), outcome("-", kDate, "25:99-0:10")},
        {"octal year, decimal month and date", iepgFile(kDated + "year: 03724\nmonth: 09\ndate: 08\n"),
         outcome("-", "2004/9/8", kTimes)},
        {"hex year, trailing bytes", iepgFile(kDated + "year: 0x7d4\nmonth: 12th\ndate:  31 \n"),
         outcome("-", "2004/12/31", kTimes)},
        {"octal year 09 is zero", iepgFile(kDated + "year: 09\n"), kFail},
        {"missing year", iepgFile("month: 1\ndate: 31\nstart: 21:30\nend: 22:45\n"), kFail},
        {"missing month", iepgFile("year: 2004\ndate: 31\nstart: 21:30\nend: 22:45\n"), kFail},
        {"missing date", iepgFile("year: 2004\nmonth: 1\nstart: 21:30\nend: 22:45\n"), kFail},
        {"zero month", iepgFile(kDated + "month: 0\n"), kFail},
        {"year stored as 16 bits is zero", iepgFile(kDated + "year: 65536\n"), kFail},
        {"year and month wrap to 16 bits", iepgFile(kDated + "year: 67540\nmonth: -1\n"),
         outcome("-", "2004/65535/31", kTimes)},
        {"title and subtitle joined", iepgFile(kHeaders + "program-subtitle: \x83\x5c\n"),
         outcome("CH2", kDate, kTimes, kTitle + "\x83\x5c")},
        {"subtitle alone", iepgFile(kDated + "program-subtitle:  #2 \n"), outcome("-", kDate, kTimes, "#2 ")},
        {"no empty line", kContentType + kHeaders, ok},
        {"last line without LF", kContentType + kDated.substr(0, kDated.size() - 1), noChannel},
        {"line of CRs ends headers", kContentType + kHeaders + "\r\r\nstart: 01:02",
         outcome("CH2", kDate, kTimes, kTitle, "start: 01:02")},
    };
    for (const Case& c : cases) EXPECT_EQ(read(c.text), c.expected) << c.rule;
}

TEST_F(IepgReader, DigitalFilesNameTheChannelByServiceCodeThenByName) {
    channels.setEntry({3, "CH3", "", "", "DFS05C38"});  // a code without a name
    channels.setEntry({7, "CH7", "", "", "DFS05C38"});
    channels.setEntry({101, "BS1", "", "", "BSDT101"});
    channels.setEntry({201, "CS1", "", "", "CSDT333"});
    const std::string type = "Content-type: application/x-tv-program-digital-info; charset=shift_jis\r\n";
    const auto digital = [&](const std::string& station) {
        return type + "version: 2\r\n" + station + kDated + "program-title: " + kTitle + "\r\nprogram-id: 9\r\n\r\nx";
    };
    const std::string name = "station-name: " + kStation + "\r\n";  // CH2 and CH6
    const auto booked = [](const std::string& label) { return outcome(label, kDate, kTimes, kTitle, "x"); };
    const std::vector<Case> cases = {
        {"terrestrial code before name", digital("station: DFS05C38\r\n" + name), booked("CH3")},
        {"BS code", digital("station: BSDT101\r\n" + name), booked("BS1")},
        {"CS code", digital("station: CSDT333\r\n"), booked("CS1")},
        {"unknown code, name", digital("station: DFS00400\r\n" + name), booked("CH2")},
        {"code bytes differ, name", digital("station: dfs05c38\r\n" + name), booked("CH2")},
        {"name alone", digital(name), booked("CH2")},
        {"neither matches", digital("station: DFS00400\r\nstation-name: NHK\r\n"), booked("-")},
        {"both missing", digital(""), booked("-")},
        {"both empty", digital("station:\r\nstation-name:\r\n"), booked("-")},
        {"first line in any case",
         "CONTENT-TYPE: Application/X-TV-Program-Digital-Info; CHARSET=Shift_JIS\n" +
             digital("station: DFS05C38\r\n").substr(type.size()),
         booked("CH3")},
        {"several programmes", "Content-type: application/x-multi-tv-program-info; charset=Shift_JIS\n" + kHeaders,
         kFail},
        {"version 1 looks up names only", iepgFile(kDated + "station: DFS05C38\n" + name), outcome("-", kDate, kTimes)},
    };
    for (const Case& c : cases) EXPECT_EQ(read(c.text), c.expected) << c.rule;
}

TEST_F(IepgReader, FilesUpToTheLimitAreRead) {
    const std::string head = iepgFile(kHeaders);
    const std::string padding(kMaxIepgBytes - head.size(), 'x');
    EXPECT_EQ(readChunks({head + padding}), outcome("CH2", kDate, kTimes, kTitle, padding));
}

TEST_F(IepgReader, LargerFilesAreRefused) {
    const std::string head = iepgFile(kHeaders);
    EXPECT_EQ(readChunks({head + std::string(kMaxIepgBytes - head.size() + 1, 'x')}), kFail);
    EXPECT_EQ(readChunks({head, std::string(2 * kMaxIepgBytes, 'x')}), kFail);
    // One endless header line is cut at the limit and refused.
    EXPECT_EQ(readChunks({kContentType + "x-long: ", std::string(kMaxIepgBytes, 'y'), "\n" + kHeaders}), kFail);
}

TEST_F(IepgReader, ReadErrorIsNotTheEndOfTheFile) {
    // A file whose reading fails (a share or a stick gone) would book a cut title or detail.
    EXPECT_EQ(readChunks({iepgFile(kHeaders, "detail")}, -1), kFail);
}

TEST_F(IepgReader, FilePathIsRetriedWithoutLastExtension) {
    const TempDir folder("pelorane-iepg");
    ASSERT_TRUE(writeBytes(folder.file("a.iepg"), iepgFile(kHeaders, "short")));
    ASSERT_TRUE(writeBytes(folder.file("bad.iepg"), "Content-type: text/plain\r\n\r\n"));
    const std::string jp = "\xe7\x95\xaa\xe7\xb5\x84.iepg";  // UTF-8 番組.iepg
    ASSERT_TRUE(writeBytes(folder.file(jp), iepgFile(kHeaders, "jp")));
    const auto readPath = [&](const std::string& path) {
        Reservation r = sentinel();
        return readIepgFile(path, r, channels, config) ? r.detail : r.detail == "keep" ? kFail : "changed";
    };
    EXPECT_EQ(readPath(folder.file("a.iepg")), "short");
    EXPECT_EQ(readPath(folder.file("a.iepg.iepg")), "short");
    EXPECT_EQ(readPath(folder.file("a.iepg.x.y")), kFail);  // only one extension is removed
    EXPECT_EQ(readPath(folder.file("none")), kFail);
    EXPECT_EQ(readPath(folder.file("none.iepg")), kFail);
    EXPECT_EQ(readPath(""), kFail);
    EXPECT_EQ(readPath(folder.file("bad.iepg")), kFail);
    EXPECT_EQ(readPath(folder.file(jp)), "jp");
    EXPECT_EQ(readPath(folder.file(jp + ".iepg")), "jp");
    ASSERT_TRUE(writeBytes(folder.file("a.iepg.iepg"), iepgFile(kHeaders, "long")));
    EXPECT_EQ(readPath(folder.file("a.iepg.iepg")), "long");  // the full name wins when it exists
}
