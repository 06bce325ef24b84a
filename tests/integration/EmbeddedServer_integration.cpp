// The booking walk against busybox httpd, the web server of many small devices: the frame set and
// the list come as files with Content-Length, the menu, the form page and the form's answer from a
// CGI script, "HTTP/1.1 200 OK" without Content-Length, the end of the page marked by the close.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "recorder/Registration.h"
#include "recorder/ReservationList.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/RecordingDialogHost.h"
#include "tests/support/ReservationData.h"
#include "tests/support/TestServers.h"

namespace {

// The lines the CGI appended to its log, one per POST: "accepted BODY" or "refused BODY".
std::vector<std::string> postedLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(EmbeddedServer, BookingAgainstBusyboxHttpdAndItsCgi) {
    const int port = testServerPort("PELORANE_BUSYBOX_PORT");
    ASSERT_NE(port, 0) << "servers not running: start them with scripts/test-servers.sh";
    const std::string postsLog = testServerSettings()["PELORANE_BUSYBOX_POSTS"];
    simulatorControl(port, "/_sim/reset.htm");
    ConfigStore config;
    config.setHttpserver("127.0.0.1");
    config.setHttpport(port);
    ChannelTable channels;
    channels.load("");  // defaults
    Reservation reservation;
    setSampleBooking(reservation, channels);
    const std::string form = buildRegistrationForm(reservation);

    // The recorder's texts: 予約を登録しました。 and 他の予約と時間が重なっています。
    const std::string accepted = "\x97\x5c\x96\xf1\x82\xf0\x93\x6f\x98\x5e\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";
    const std::string overlap =
        "\x91\xbc\x82\xcc\x97\x5c\x96\xf1\x82\xc6\x8e\x9e\x8a\xd4\x82\xaa\x8f\x64\x82\xc8\x82\xc1\x82\xc4\x82\xa2"
        "\x82\xdc\x82\xb7\x81\x42";
    struct Case {
        const char* what;
        int result;
        std::vector<std::string> ending;  // the recorder's answer as the job shows it, and the result
        std::string logged;  // the CGI's log line for the one POST
    };
    const Case cases[] = {
        {"first booking", 1, {"step:" + accepted, std::string("result:") + kJobSucceededText}, "accepted " + form},
        {"the same slot again", 0, {"box:" + overlap, std::string("result:") + kJobFailedText}, "refused " + form},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const Case& c = cases[i];
        RecordingDialogHost host;
        HttpRegistrationJob job(host, config, reservation, 5000, 50);
        ASSERT_TRUE(job.start());
        ASSERT_TRUE(job.wait());
        EXPECT_EQ(job.exitCode(), c.result) << c.what;
        std::vector<std::string> expected = {std::string("result:") + kJobRunningText};
        for (int step = 1; step <= 4; ++step) expected.push_back("step:" + registrationStepText(step));
        expected.insert(expected.end(), c.ending.begin(), c.ending.end());
        expected.push_back("command:6");
        EXPECT_EQ(host.events(), expected) << c.what;

        const std::vector<std::string> posted = postedLines(postsLog);
        ASSERT_EQ(posted.size(), i + 1) << c.what << ": one POST per booking";
        EXPECT_EQ(posted.back(), c.logged) << c.what;

        // The list page busybox serves holds the booking once, whatever happened to the second.
        ReservationEntries list;
        ASSERT_TRUE(fetchReservationList(config, list, 5000)) << c.what;
        int rows = 0;
        for (const ReservationEntry& e : list) {
            rows += e.year == 2027 && e.month == 3 && e.day == 3 && e.start == 21 * 60 && e.end == 22 * 60 + 54 &&
                    e.channelText == "CH4" && e.title == reservation.title;
        }
        EXPECT_EQ(rows, 1) << c.what;
        EXPECT_EQ(list.size(), 3u) << c.what << ": the two weekly reservations and the new one";
    }
}
