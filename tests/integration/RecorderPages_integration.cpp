// The recorder's pages against the simulator: the reservation list, the answer-page readings on a
// real booking, the channel import and the remote-control keys, with and without Basic authorization.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/HttpClient.h"
#include "net/UrlEncode.h"
#include "recorder/ChannelPage.h"
#include "recorder/PageAnalysis.h"
#include "recorder/RemoteKey.h"
#include "recorder/ReservationList.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/TestServers.h"

namespace {

constexpr int kTimeoutMs = 5000;

const std::string kMorningNews = "\x92\xa9\x82\xcc\x83\x6a\x83\x85\x81\x5b\x83\x58";          // 朝のニュース
const std::string kSundayCinema = "\x93\xfa\x97\x6a\x96\xbc\x89\xe6\x8d\xc0";                  // 日曜名画座
const std::string kMonToFri = "\x96\x88\x8c\x8e\x81\x60\x8b\xe0";                              // 毎月～金
const std::string kRecordingTest = "\x98\x5e\x89\xe6\x83\x65\x83\x58\x83\x67";                 // 録画テスト
const std::string kAccepted = "\x97\x5c\x96\xf1\x82\xf0\x93\x6f\x98\x5e\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";  // 予約を登録しました。
const std::string kOverlap = "\x91\xbc\x82\xcc\x97\x5c\x96\xf1\x82\xc6\x8e\x9e\x8a\xd4\x82\xaa\x8f\x64\x82\xc8"
                             "\x82\xc1\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81\x42";              // 他の予約と時間が重なっています。
const std::string kTohoSogo = "\x93\x8c\x93\x73\x91\x8d\x8d\x87\x83\x65\x83\x8c\x83\x72";      // 東都総合テレビ
const std::string kMkTv = "M&K\x83\x65\x83\x8c\x83\x72";                                      // M&Kテレビ
const std::string kSecondSatellite = "\x89\x71\x90\xaf\x91\xe6\x93\xf1\x95\xfa\x91\x97";       // 衛星第二放送
const std::string kVideoInput = "\x83\x72\x83\x66\x83\x49\x93\xfc\x97\xcd";                    // ビデオ入力

class CountingHost : public ListDialogHost {
public:
    void postCompletion() override { ++completions; }
    int completions = 0;  // read only after the job's thread has been joined
};

// The strings of a JSON array member written by the simulator, e.g. "remote_keys": ["00", "C0"].
class RecorderPages : public ::testing::Test {
protected:
    void SetUp() override {
        port = testServerPort("PELORANE_SIM_PORT");
        authPort = testServerPort("PELORANE_SIM_AUTH_PORT");
        ASSERT_NE(port, 0) << "servers not running: start them with scripts/test-servers.sh";
        ASSERT_EQ(control(port, "/_sim/reset"), "ok");
        ASSERT_EQ(control(authPort, "/_sim/reset"), "ok");
        config.setHttpserver("127.0.0.1");
        config.setHttpport(port);
    }

    // A simulator control request; "ok" when it answered 200 (simulatorControl reports the rest).
    static std::string control(int simPort, const std::string& path, const std::string& body = "") {
        bool answered = false;
        simulatorControl(simPort, path, body, &answered);
        return answered ? "ok" : "failed";
    }

    static std::vector<std::string> remoteKeys(int simPort) {
        return jsonStrings(simulatorControl(simPort, "/_sim/log"), "remote_keys");
    }

    ConfigStore authConfig(bool withCredentials) const {
        ConfigStore c;
        c.setHttpserver("127.0.0.1");
        c.setHttpport(authPort);
        if (withCredentials) {
            c.setHttpuser("rd");
            c.setHttppass("secret");
        }
        return c;
    }

    int port = 0;
    int authPort = 0;
    ConfigStore config;
};

}  // namespace

TEST_F(RecorderPages, ListShowsTheSeededWeeklyReservations) {
    ReservationEntries list;
    ASSERT_TRUE(fetchReservationList(config, list, kTimeoutMs));
    ASSERT_EQ(list.size(), 2u);

    EXPECT_EQ(list[0].number, 1);
    EXPECT_TRUE(list[0].enabled);
    EXPECT_EQ(list[0].title, kMorningNews);
    EXPECT_EQ(list[0].channelText, "CH1");
    EXPECT_EQ(list[0].dateText, kMonToFri);
    EXPECT_EQ(list[0].weekdayMask, 0x3E);
    EXPECT_EQ(list[0].year, 0);
    EXPECT_EQ(list[0].start, 5 * 60 + 45);
    EXPECT_EQ(list[0].end, 6 * 60);
    EXPECT_EQ(list[0].extraText1, "HDD");

    EXPECT_EQ(list[1].number, 2);
    EXPECT_FALSE(list[1].enabled);
    EXPECT_EQ(list[1].title, kSundayCinema);
    EXPECT_EQ(list[1].channelText, "BS3");
    EXPECT_EQ(list[1].weekdayMask, 0x01);
    EXPECT_EQ(list[1].start, 4 * 60);
    EXPECT_EQ(list[1].end, 4 * 60 + 55);
}

TEST_F(RecorderPages, ListAnswerWithoutItsLastChunkKeepsTheOldList) {
    // Cut inside the first reservation row, and after the whole table but before the last chunk.
    for (const char* bytes : {"1500", "1000000"}) {
        ReservationEntries list(1);
        list[0].title = "kept";
        ASSERT_EQ(control(port, std::string("/_sim/fail?step=list&mode=chunkcut&bytes=") + bytes), "ok");
        EXPECT_FALSE(fetchReservationList(config, list, kTimeoutMs)) << bytes;
        ASSERT_EQ(list.size(), 1u) << bytes;
        EXPECT_EQ(list[0].title, "kept") << bytes;
    }
}

TEST_F(RecorderPages, StoredReservationAppearsWithItsDate) {
    const std::string json =
        "{\"reservations\": [{\"title\": \"Late show\", \"channel\": 4, \"date\": \"2031/05/17\","
        " \"start\": \"23:30\", \"end\": \"00:30\"}]}";
    ASSERT_EQ(control(port, "/_sim/reservations", json), "ok");
    ReservationEntries list;
    ASSERT_TRUE(fetchReservationList(config, list, kTimeoutMs));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].title, "Late show");
    EXPECT_EQ(list[0].channelText, "CH4");
    EXPECT_EQ(list[0].weekdayMask, 0);
    EXPECT_EQ(list[0].year, 2031);
    EXPECT_EQ(list[0].month, 5);
    EXPECT_EQ(list[0].day, 17);
    EXPECT_EQ(list[0].weekday, 6);  // a Saturday
    EXPECT_EQ(list[0].start, 1410);
    EXPECT_EQ(list[0].end, 30);
    EXPECT_EQ(list[0].timeText, "23:30-00:30");
}

TEST_F(RecorderPages, BookingWalkPagesAndVerdictsAreRead) {
    auto get = [this](const std::string& path) {
        HttpClient client(kTimeoutMs);
        EXPECT_TRUE(client.configureFromSettings(config));
        std::string body;
        BodyReceiver receiver(body);
        EXPECT_TRUE(client.sendRequest(path, "", receiver)) << path;
        return body;
    };
    EXPECT_EQ(findMainFrame(get("/program/b_prgrm.htm")), "/program/rsv/menu.htm");
    EXPECT_EQ(findLastLink(get("/program/rsv/menu.htm")), "reserve.htm");
    EXPECT_EQ(findMainFrame(get("/program/rsv/reserve.htm")), "/program/rsv/input.htm");

    auto post = [this](int startHour) {
        std::string form;
        appendFormField(form, "bExec", "ON");
        appendFormField(form, "title_name", kRecordingTest);
        appendFormField(form, "channel", 8);
        appendFormField(form, "disc", 0);
        appendFormField(form, "dvdr", 1);
        appendFormField(form, "date", "2031/05/16");
        appendFormField(form, "vrate", 1);
        appendFormField(form, "start_hour", startHour);
        appendFormField(form, "start_minute", 0);
        appendFormField(form, "amode", 1);
        appendFormField(form, "bVPerform", 1);
        appendFormField(form, "bAutoChapter", 1);
        appendFormField(form, "end_hour", startHour + 1);
        appendFormField(form, "end_minute", 0);
        appendFormField(form, "genre", 10);
        appendFormField(form, "detail", "");
        appendFormField(form, "end_form", 0);
        HttpClient client(kTimeoutMs);
        EXPECT_TRUE(client.configureFromSettings(config));
        client.method = "POST";
        client.setHeader("Content-Type", "application/x-www-form-urlencoded");
        std::string body;
        BodyReceiver receiver(body);
        EXPECT_TRUE(client.sendRequest("/program/rsv/entry.htm", form, receiver));
        return readResultMessage(body);
    };
    const ResultMessage accepted = post(20);
    EXPECT_TRUE(accepted.success);
    EXPECT_EQ(accepted.message, kAccepted);
    const ResultMessage refused = post(20);  // the same hour again overlaps
    EXPECT_FALSE(refused.success);
    EXPECT_EQ(refused.message, kOverlap);

    ReservationEntries list;
    ASSERT_TRUE(fetchReservationList(config, list, kTimeoutMs));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2].title, kRecordingTest);
    EXPECT_TRUE(list[2].enabled);
    EXPECT_EQ(list[2].channelText, "CH8");
    EXPECT_EQ(list[2].year, 2031);
    EXPECT_EQ(list[2].month, 5);
    EXPECT_EQ(list[2].day, 16);
    EXPECT_EQ(list[2].weekday, 5);
    EXPECT_EQ(list[2].start, 20 * 60);
    EXPECT_EQ(list[2].end, 21 * 60);
}

TEST_F(RecorderPages, ListJobHandsOverTheFetchAndKeepsRowsWhenTheRecorderFails) {
    CountingHost host;
    ReservationListJob job(host, config, kTimeoutMs);
    ReservationEntries shown;
    ASSERT_TRUE(job.start());
    ASSERT_TRUE(job.wait());
    EXPECT_EQ(job.exitCode(), 1);
    EXPECT_EQ(host.completions, 1);
    ASSERT_TRUE(job.takeList(shown));
    EXPECT_EQ(shown.size(), 2u);

    for (const std::string failure : {"/_sim/fail?step=list&mode=close", "/_sim/fail?step=list&status=500",
                                      "/_sim/fail?step=frameset&status=404"}) {
        ASSERT_EQ(control(port, failure), "ok");
        ASSERT_TRUE(job.start());
        ASSERT_TRUE(job.wait());
        EXPECT_EQ(job.exitCode(), 1);
        EXPECT_FALSE(job.takeList(shown)) << failure;
        EXPECT_EQ(shown.size(), 2u) << failure;
    }
    EXPECT_EQ(host.completions, 4);
}

TEST_F(RecorderPages, ChannelImportUpdatesTheDefaultTable) {
    ChannelTable table;
    table.load("");
    table.setEntry({2, "CH2", "Kept", "002", "K2"});  // the page's CH2 row is unused ("--")
    ASSERT_EQ(importChannelList(table, config, kTimeoutMs), ChannelImport::Imported);

    const ChannelEntry* ch1 = table.findByCode(1);
    EXPECT_EQ(ch1->name, kTohoSogo);
    EXPECT_EQ(ch1->mailCode, "001");
    EXPECT_EQ(ch1->stationCode, "TT01");
    EXPECT_EQ(table.findByCode(2)->name, "Kept");
    EXPECT_EQ(table.findByCode(2)->mailCode, "002");
    EXPECT_EQ(table.findByCode(10)->name, kMkTv);
    EXPECT_EQ(table.findByCode(10)->stationCode, "MK10");
    EXPECT_EQ(table.findByCode(7)->name, "");  // not on the page
    const ChannelEntry* bs3 = table.findByCode(103);
    EXPECT_EQ(bs3->label, "BS3");
    EXPECT_EQ(bs3->name, kSecondSatellite);
    EXPECT_EQ(bs3->mailCode, "103");
    EXPECT_EQ(bs3->stationCode, "BS03");
    EXPECT_EQ(table.findByCode(107)->name, "");  // BS7 is unused
    EXPECT_EQ(table.findByCode(201)->name, kVideoInput);
    EXPECT_EQ(table.findByCode(201)->mailCode, "L1");
    EXPECT_EQ(table.findByCode(202)->name, "");
    EXPECT_TRUE(table.userDefined());
}

TEST_F(RecorderPages, RemoteKeysArriveAsTwoUpperCaseHexDigits) {
    EXPECT_EQ(sendRemoteKey(config, 10000, kTimeoutMs), RemoteKeyResult::Sent);
    EXPECT_EQ(sendRemoteKey(config, 10192, kTimeoutMs), RemoteKeyResult::Sent);
    EXPECT_EQ(sendRemoteKey(config, 10218, kTimeoutMs), RemoteKeyResult::Sent);
    EXPECT_EQ(remoteKeys(port), (std::vector<std::string>{"00", "C0", "DA"}));
}

TEST_F(RecorderPages, RemoteKeyOutsideThePanelOrWithoutAddressSendsNothing) {
    EXPECT_EQ(sendRemoteKey(config, 9999, kTimeoutMs), RemoteKeyResult::InvalidKey);
    EXPECT_EQ(sendRemoteKey(config, 10219, kTimeoutMs), RemoteKeyResult::InvalidKey);
    EXPECT_EQ(sendRemoteKey(config, 10000 + 0x100, kTimeoutMs), RemoteKeyResult::InvalidKey);
    EXPECT_EQ(sendRemoteKey(config, -2147483647 - 1, kTimeoutMs), RemoteKeyResult::InvalidKey);
    EXPECT_EQ(remoteKeyPath(10255), "");
    EXPECT_EQ(remoteKeyPath(10010), "/remote/remote.htm?key=0A");
    ConfigStore unset;
    EXPECT_EQ(sendRemoteKey(unset, 10001, kTimeoutMs), RemoteKeyResult::NotConfigured);
    EXPECT_TRUE(remoteKeys(port).empty());
}

TEST_F(RecorderPages, BasicAuthorizedRecorderWithCredentials) {
    const ConfigStore withCredentials = authConfig(true);
    ReservationEntries list;
    ASSERT_TRUE(fetchReservationList(withCredentials, list, kTimeoutMs));
    EXPECT_EQ(list.size(), 2u);

    ChannelTable table;
    table.load("");
    EXPECT_EQ(importChannelList(table, withCredentials, kTimeoutMs), ChannelImport::Imported);
    EXPECT_EQ(table.findByCode(1)->name, kTohoSogo);

    EXPECT_EQ(sendRemoteKey(withCredentials, 10192, kTimeoutMs), RemoteKeyResult::Sent);
    EXPECT_EQ(remoteKeys(authPort), (std::vector<std::string>{"C0"}));
}

TEST_F(RecorderPages, BasicAuthorizedRecorderWithoutCredentialsRefuses) {
    const ConfigStore anonymous = authConfig(false);
    ReservationEntries list(1);
    EXPECT_FALSE(fetchReservationList(anonymous, list, kTimeoutMs));
    EXPECT_EQ(list.size(), 1u);

    ChannelTable table;
    table.load("");
    EXPECT_EQ(importChannelList(table, anonymous, kTimeoutMs), ChannelImport::Refused);
    EXPECT_FALSE(fetchChannelList(table, anonymous));
    EXPECT_EQ(table.findByCode(1)->name, "");

    // The key request is made, but the recorder does not take the key.
    EXPECT_EQ(sendRemoteKey(anonymous, 10192, kTimeoutMs), RemoteKeyResult::Sent);
    EXPECT_TRUE(remoteKeys(authPort).empty());

    ConfigStore wrong = authConfig(true);
    wrong.setHttppass("wrong");
    EXPECT_FALSE(fetchReservationList(wrong, list, kTimeoutMs));
}
