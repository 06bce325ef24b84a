// The whole booking walk against the recorder simulator: acceptance, refusal, the one retry of
// the frame page, failures at every step, the POST's answer in every shape and the list check that
// settles the unclear ones, cancellation between steps, Basic authorization and the paths the walk
// follows.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "net/HttpClient.h"
#include "recorder/Registration.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/RecordingDialogHost.h"
#include "tests/support/ReservationData.h"
#include "tests/support/TestServers.h"

namespace {

const std::string kStep1 = "step:" + registrationStepText(1);
const std::string kStep2 = "step:" + registrationStepText(2);
const std::string kStep3 = "step:" + registrationStepText(3);
const std::string kStep4 = "step:" + registrationStepText(4);
const std::string kRetry = std::string("step:") + kRetryWaitText;
const std::string kRunning = std::string("result:") + kJobRunningText;
const std::string kOk = std::string("result:") + kJobSucceededText;
const std::string kFailed = std::string("result:") + kJobFailedText;
const std::string kCancelled = std::string("result:") + kJobCancelledText;
// The simulator's own texts: 予約を登録しました。 and 他の予約と時間が重なっています。
const std::string kAcceptedText = "\x97\x5c\x96\xf1\x82\xf0\x93\x6f\x98\x5e\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";
const std::string kOverlapText =
    "\x91\xbc\x82\xcc\x97\x5c\x96\xf1\x82\xc6\x8e\x9e\x8a\xd4\x82\xaa\x8f\x64\x82\xc8\x82\xc1\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81\x42";

// The request targets of the simulator's log, in order, as JSON-escaped text.
std::vector<std::string> requestTargets(const std::string& log) {
    std::vector<std::string> targets;
    const std::string key = "\"target\": \"";
    for (size_t at = log.find(key); at != std::string::npos; at = log.find(key, at)) {
        at += key.size();
        size_t end = at;
        while (end < log.size() && log[end] != '"') end += log[end] == '\\' ? 2 : 1;
        targets.push_back(log.substr(at, end - at));
    }
    return targets;
}

class BookingWalk : public ::testing::Test {
protected:
    void SetUp() override {
        port = testServerPort("PELORANE_SIM_PORT");
        ASSERT_NE(port, 0) << "servers not running: start them with scripts/test-servers.sh";
        control("/_sim/reset?seed=0");
        config.setHttpserver("127.0.0.1");
        config.setHttpport(port);
        channels.load("");  // defaults
        setSampleBooking(reservation, channels);
    }

    std::string control(const std::string& path, int simPort = 0, const std::string& body = "") {
        return simulatorControl(simPort != 0 ? simPort : port, path, body);
    }

    int run(RecordingDialogHost& host, int retryDelayMs = 1000) {
        HttpRegistrationJob job(host, config, reservation, 5000, retryDelayMs);
        EXPECT_TRUE(job.start());
        EXPECT_TRUE(job.wait());
        return job.exitCode();
    }

    int port = 0;
    ConfigStore config;
    ChannelTable channels;
    Reservation reservation;
};

}  // namespace

TEST_F(BookingWalk, AcceptedBookingShowsTheRecordersMessageAndAppearsInTheList) {
    RecordingDialogHost host;
    ASSERT_EQ(run(host), 1);
    const std::vector<std::string> events = host.events();
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[0], kRunning);
    EXPECT_EQ(events[1], kStep1);
    EXPECT_EQ(events[2], kStep2);
    EXPECT_EQ(events[3], kStep3);
    EXPECT_EQ(events[4], kStep4);
    EXPECT_EQ(events[5], "step:" + kAcceptedText);
    EXPECT_EQ(events[6], kOk);
    EXPECT_EQ(events[7], "command:6");
    const std::string log = control("/_sim/log");
    EXPECT_NE(log.find("\"/program/rsv/entry.htm\""), std::string::npos);
    const std::string reservations = control("/_sim/reservations");
    EXPECT_NE(reservations.find("2027/03/03"), std::string::npos) << reservations;
    EXPECT_NE(reservations.find("21:00"), std::string::npos);
}

TEST_F(BookingWalk, RefusalShowsTheRecordersReasonInAMessageBox) {
    RecordingDialogHost first;
    ASSERT_EQ(run(first), 1);
    RecordingDialogHost second;  // the same time again overlaps
    EXPECT_EQ(run(second), 0);
    const std::vector<std::string> events = second.events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[events.size() - 3], "box:" + kOverlapText);
    EXPECT_EQ(events[events.size() - 2], kFailed);
}

TEST_F(BookingWalk, FramePageFailingOnceIsRetriedAfterAPause) {
    control("/_sim/fail?step=2&count=1&status=500");
    RecordingDialogHost host;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run(host), 1);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(950));
    const std::vector<std::string> events = host.events();
    ASSERT_GE(events.size(), 5u);
    EXPECT_EQ(events[2], kStep2);
    EXPECT_EQ(events[3], kRetry);
    EXPECT_EQ(events[4], kStep3);
}

TEST_F(BookingWalk, FramePageFailingTwiceFails) {
    control("/_sim/fail?step=2&count=2&mode=close");
    RecordingDialogHost host;
    EXPECT_EQ(run(host, 50), 0);
    const std::vector<std::string> expected = {kRunning, kStep1, kStep2, kRetry, kFailed, "command:6"};
    EXPECT_EQ(host.events(), expected);
}

TEST_F(BookingWalk, RedirectAtAnyStepFails) {
    for (int step = 1; step <= 4; ++step) {
        control("/_sim/reset?seed=0");
        // Step 2 is retried once, so it must fail twice.
        control("/_sim/fail?step=" + std::to_string(step) + "&count=" + (step == 2 ? "2" : "1") +
                "&status=302&location=/program/b_prgrm.htm");
        RecordingDialogHost host;
        EXPECT_EQ(run(host, 50), 0) << "step " << step;
        const std::vector<std::string> events = host.events();
        EXPECT_EQ(events.at(events.size() - 2), kFailed) << "step " << step;
        EXPECT_EQ(control("/_sim/reservations").find("2027/03/03"), std::string::npos) << "step " << step;
    }
}

// Each answer shape the POST can get, and what the walk makes of it. An unclear answer is settled by
// the reservation list (its frame set, then the list page); the form is never posted twice.
TEST_F(BookingWalk, PostAnswerShapesAndTheListCheckThatSettlesUnclearOnes) {
    enum Before { Nothing, Same, Overlapping };  // what the recorder holds before the booking
    struct Row {
        const char* what;
        std::string fault;  // the /_sim/fail query for the POST, then one for the list page
        Before before;
        int result;
        std::vector<std::string> ending;  // the events after step 4, before the completion command
        bool listRead;
        bool bookedAfter;
        std::string listFault;
    };
    const std::string cutBeforeBack = "&before=history.back%28%29%3B";
    const std::string check = std::string("step:") + kListCheckText;
    const std::string listed = std::string("step:") + kListedText;
    const std::string unread = std::string("step:") + kListUnreadText;
    const std::string accepted = "step:" + kAcceptedText;
    const Row rows[] = {
        {"acceptance", "", Nothing, 1, {accepted, kOk}, false, true},
        {"refusal", "", Same, 0, {"box:" + kOverlapText, kFailed}, false, true},
        {"acceptance without length, ended by the close", "mode=plain", Nothing, 1, {accepted, kOk}, false, true},
        {"interim 100 before the acceptance", "mode=interim", Nothing, 1, {accepted, kOk}, false, true},
        {"page with neither marker, booked", "mode=plain&before=msg%3D", Nothing, 1, {check, listed, kOk}, true, true},
        {"page with neither marker, not booked", "status=200", Nothing, 0, {check, "box:Unknown...", kFailed}, true,
         false},
        {"answer lost after the booking", "mode=lost", Nothing, 1, {check, listed, kOk}, true, true},
        {"closed before the booking", "mode=close", Nothing, 0, {check, kFailed}, true, false},
        {"gateway time-out after the booking", "mode=gateway&status=504", Nothing, 1, {check, listed, kOk}, true, true},
        {"answer lost, list unreadable", "mode=lost", Nothing, 0, {check, unread, kFailed}, true, true,
         "step=list&status=503"},
        {"acceptance cut short of its length", "mode=truncate&bytes=40", Nothing, 1, {check, listed, kOk}, true, true},
        {"refusal chunk-cut before history.back();", "mode=chunkcut" + cutBeforeBack, Overlapping, 0,
         {check, kFailed}, true, false},
        {"refusal without length reset before history.back();", "mode=plain&end=reset" + cutBeforeBack,
         Overlapping, 0, {check, kFailed}, true, false},
        {"refusal without length silent before history.back();", "mode=plain&end=silence" + cutBeforeBack,
         Overlapping, 0, {check, kFailed}, true, false},
        {"chunk size zz before history.back();", "mode=badchunk&size=zz" + cutBeforeBack, Overlapping, 0,
         {check, kFailed}, true, false},
        {"chunk size 0x10 before history.back();", "mode=badchunk&size=0x10" + cutBeforeBack, Overlapping, 0,
         {check, kFailed}, true, false},
    };
    const std::string overlapping =
        R"({"reservations": [{"title": "x", "channel": 1, "date": "2027/03/03", "start": "21:30", "end": "22:30"}]})";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        control("/_sim/reset?seed=0");
        if (row.before == Same) {
            RecordingDialogHost first;
            ASSERT_EQ(run(first), 1);
            control("/_sim/clearlog");
        } else if (row.before == Overlapping) {
            control("/_sim/reservations", 0, overlapping);
        }
        if (!row.fault.empty()) control("/_sim/fail?step=entry&" + row.fault);
        if (!row.listFault.empty()) control("/_sim/fail?" + row.listFault);
        RecordingDialogHost host;
        EXPECT_EQ(run(host), row.result);
        std::vector<std::string> expected = {kRunning, kStep1, kStep2, kStep3, kStep4};
        expected.insert(expected.end(), row.ending.begin(), row.ending.end());
        expected.push_back("command:6");
        EXPECT_EQ(host.events(), expected);

        std::vector<std::string> targets = {"/program/b_prgrm.htm", "/program/rsv/menu.htm",
                                            "/program/rsv/reserve.htm", "/program/rsv/entry.htm"};
        if (row.listRead) targets.insert(targets.end(), {"/program/b_prgrm.htm", "/program/b_list.htm"});
        EXPECT_EQ(requestTargets(control("/_sim/log")), targets) << "one POST, the list read only when unclear";
        const std::string reservations = control("/_sim/reservations");
        size_t booked = 0;
        for (size_t at = reservations.find("\"start\": \"21:00\""); at != std::string::npos;
             at = reservations.find("\"start\": \"21:00\"", at + 1)) {
            ++booked;
        }
        EXPECT_EQ(booked, row.bookedAfter ? 1u : 0u);
    }
}

TEST_F(BookingWalk, CancelBetweenStepsStopsBeforeTheNextRequest) {
    RecordingDialogHost host;
    host.cancelOnStep = registrationStepText(3);
    EXPECT_EQ(run(host), 0);
    const std::vector<std::string> expected = {kRunning, kStep1, kStep2, kStep3, kCancelled, "command:6"};
    EXPECT_EQ(host.events(), expected);
    const std::string log = control("/_sim/log");
    EXPECT_EQ(log.find("/program/rsv/reserve.htm\""), std::string::npos) << "step 3 was requested";
    EXPECT_EQ(control("/_sim/reservations").find("2027/03/03"), std::string::npos);
}

TEST_F(BookingWalk, BasicAuthorizationFromTheSettings) {
    const int authPort = testServerPort("PELORANE_SIM_AUTH_PORT");
    ASSERT_NE(authPort, 0);
    control("/_sim/reset?seed=0", authPort);
    config.setHttpport(authPort);
    RecordingDialogHost refused;
    EXPECT_EQ(run(refused, 50), 0);
    config.setHttpuser("rd");
    config.setHttppass("secret");
    RecordingDialogHost accepted;
    EXPECT_EQ(run(accepted), 1);
    EXPECT_NE(control("/_sim/reservations", authPort).find("2027/03/03"), std::string::npos);
}

TEST_F(BookingWalk, PathsOnThePagesAreResolvedAndFollowedOnlyOnTheRecorder) {
    const std::string frameset = "/program/b_prgrm.htm";
    const std::string menu = "/program/rsv/menu.htm";
    const std::string form = "/program/rsv/reserve.htm";
    const std::string entry = "/program/rsv/entry.htm";
    const std::string here = "http://127.0.0.1:" + std::to_string(port);
    struct Case {
        std::string frame;  // the /_sim/frame query: main frame src and/or the menu's last link
        int result;
        std::vector<std::string> targets;
    };
    const Case cases[] = {
        {"src=rsv/menu.htm", 1, {frameset, menu, form, entry}},
        {"src=./rsv/../rsv/menu.htm%23top&link=" + here + "/program/rsv/reserve.htm", 1, {frameset, menu, form, entry}},
        // A src holding CR LF would write header lines of its own into the request.
        {"src=/program/rsv/menu.htm%20HTTP/1.1%0D%0AX-Injected:%201%0D%0AX-Pad:%20x", 0, {frameset}},
        {"link=http://elsewhere.invalid/program/rsv/reserve.htm", 0, {frameset, menu}},
        {"link=http://127.0.0.1:1/program/rsv/reserve.htm", 0, {frameset, menu}},
    };
    for (const Case& c : cases) {
        control("/_sim/reset?seed=0");
        control("/_sim/frame?" + c.frame);
        RecordingDialogHost host;
        EXPECT_EQ(run(host, 50), c.result) << c.frame;
        const std::vector<std::string> events = host.events();
        EXPECT_EQ(events.at(events.size() - 2), c.result == 1 ? kOk : kFailed) << c.frame;
        const std::string log = control("/_sim/log");
        EXPECT_EQ(requestTargets(log), c.targets) << c.frame;
        EXPECT_EQ(log.find("X-Injected"), std::string::npos) << c.frame;
    }
}
