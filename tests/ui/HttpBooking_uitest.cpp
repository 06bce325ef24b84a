// Booking over HTTP from the main dialog against the recorder simulator: the job's progress and
// result lines, the one-second close after success, a refusal's message box, cancel during a job.
#include "ProgramTest.h"

namespace ui {
namespace {

class HttpBooking : public ProgramTest {
protected:
    // An installation that books at the simulator as soon as the iEPG file has been read.
    std::wstring prepare(const Iepg& programme, const Settings& extra = Settings()) {
        EXPECT_TRUE(app->writeSettings(merged(merged(recorderSettings(simPort), {{"bootexec", "3"}}), extra)));
        EXPECT_TRUE(app->writeChannels(standardChannels()));
        return quoteArgument(app->writeIepg(L"programme.iepg", programme));
    }
};

TEST_F(HttpBooking, ShowsEachStepThenSuccessAndEndsAboutOneSecondLater) {
    Simulator& recorder = simulator();
    // Each step text stays at least as long as its page is delayed: long enough to be seen on a busy machine.
    for (const char* step : {"1", "2", "3", "4"}) ASSERT_TRUE(recorder.delay(step, 1000));
    const std::wstring iepg = prepare(Iepg());

    const HWND dialog = startMain(iepg);
    ASSERT_NE(dialog, nullptr);
    bool linesShownDuringJob = false;
    bool optionRowHiddenDuringJob = true;
    waitUntil(
        [&] {
            if (textOf(dialog, IDC_STATUS) != kRunning) return false;
            linesShownDuringJob = jobLinesShown(dialog);
            optionRowHiddenDuringJob = !readJobLines(dialog).optionRowVisible;
            return true;
        },
        5000, 2);
    std::string status;
    const std::vector<std::string> steps = followJob(dialog, status);
    const ULONGLONG runningSeen = runningLastSeenAt;

    EXPECT_TRUE(linesShownDuringJob) << "the message and status lines must replace the option row";
    EXPECT_TRUE(optionRowHiddenDuringJob);
    EXPECT_TRUE(inOrder(steps, {stepText(1), stepText(2), stepText(3), stepText(4)})) << joined(steps);
    ASSERT_EQ(status, kSucceeded) << "message lines: " << joined(steps);

    // The dialog closes one second after the result, which came after the job was last seen running;
    // the tick's granularity aside, nothing a busy machine does can make this shorter.
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, 5000, 2)) << "the program must end by itself";
    const ULONGLONG elapsed = GetTickCount64() - runningSeen;
    EXPECT_GE(elapsed, 980u) << "\"成功。\" must stay for about one second";
    EXPECT_LE(elapsed, 6000u);
    ASSERT_TRUE(app->process().waitForExit(5000));
    EXPECT_EQ(app->process().exitCode(), 2u);

    const auto posts = recorder.posts();
    ASSERT_EQ(posts.size(), 1u);
    const auto& form = posts[0];
    EXPECT_EQ(form.at("title_name"), "世界の車窓から");
    EXPECT_EQ(form.at("channel"), "1");
    EXPECT_EQ(form.at("date"), "2031/06/14");
    EXPECT_EQ(form.at("start_hour"), "21");
    EXPECT_EQ(form.at("start_minute"), "0");
    EXPECT_EQ(form.at("end_hour"), "22");
    EXPECT_EQ(form.at("end_minute"), "30");
    EXPECT_EQ(form.at("detail"), "第一行\r\n第二行");
    EXPECT_EQ(recorder.log()["reservations"].size(), 1u);
}

TEST_F(HttpBooking, AnswerLostAfterTheBookingIsSettledByTheListAsASuccess) {
    Simulator& recorder = simulator();
    ASSERT_EQ(httpRequest(simPort, "GET", "/_sim/fail?step=entry&mode=lost").status, 200);
    ASSERT_TRUE(recorder.delay("list", 1000));  // the check's message stays long enough to be seen
    const HWND dialog = startMain(prepare(Iepg()));
    ASSERT_NE(dialog, nullptr);
    std::string status;
    const std::vector<std::string> steps = followJob(dialog, status);
    const ULONGLONG runningSeen = runningLastSeenAt;
    // The message is set just before the result: read once the result shows, while the dialog stays.
    EXPECT_EQ(textOf(dialog, IDC_MESSAGE), "予約一覧に登録されています。");
    EXPECT_TRUE(inOrder(steps, {"予約一覧を確認中…"})) << joined(steps);
    ASSERT_EQ(status, kSucceeded);
    EXPECT_EQ(findMessageBox(app->pid()), nullptr);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, 5000, 2)) << "the program must end by itself";
    EXPECT_GE(GetTickCount64() - runningSeen, 980u);
    ASSERT_TRUE(app->process().waitForExit(5000));
    EXPECT_EQ(recorder.posts().size(), 1u);
    EXPECT_EQ(recorder.log()["reservations"].size(), 1u);
}

TEST_F(HttpBooking, SettingsFileIsRewrittenWithTheChosenOptionsAtTheEnd) {
    simulator();
    const std::wstring iepg = prepare(Iepg());
    const HWND dialog = startMain(iepg);
    ASSERT_NE(dialog, nullptr);
    std::string status;
    followJob(dialog, status);
    ASSERT_EQ(status, kSucceeded);
    // Until the dialog closes, commands are ignored.
    postCommand(dialog, IDM_HTTP_SETTINGS);
    ASSERT_TRUE(app->process().waitForExit(5000));
    EXPECT_EQ(app->process().exitCode(), 2u) << "no settings dialog may have opened";

    // The file held only the recorder's address and bootexec; the booking stored the options.
    const Settings stored = app->readSettings();
    EXPECT_EQ(stored.count("httpserver"), 1u);
    EXPECT_EQ(stored.count("bootexec"), 1u);
    for (const char* key : {"bExec", "bAutoChapter", "bVPerform", "disc", "dvdr", "vrate", "amode", "genre"}) {
        EXPECT_EQ(stored.count(key), 1u) << key << " should have been written back";
    }
    EXPECT_EQ(stored.at("bExec"), "1");
}

TEST_F(HttpBooking, RefusalShowsTheRecordersTextInAMessageBoxAndReturnsToIdle) {
    Simulator& recorder = simulator();
    Iepg sameStartAndEnd;
    sameStartAndEnd.end = sameStartAndEnd.start;
    const std::wstring iepg = prepare(sameStartAndEnd);

    const HWND dialog = startMain(iepg);
    ASSERT_NE(dialog, nullptr);
    const HWND box = waitForMessageBox(app->pid());
    ASSERT_NE(box, nullptr) << "the refusal must show a message box";
    EXPECT_EQ(u8(messageBoxText(box)), "開始時刻と終了時刻が同じです。");
    EXPECT_EQ(owner(box), nullptr) << "the refusal box has no owner";
    EXPECT_EQ(messageBoxButtons(box), std::vector<int>{IDOK});
    click(box, IDOK);

    std::string status;
    followJob(dialog, status);
    EXPECT_EQ(status, kFailed);
    EXPECT_TRUE(jobLinesShown(dialog)) << "the result stays visible until the next command";
    EXPECT_TRUE(enabled(item(dialog, IDCANCEL)));
    EXPECT_FALSE(app->process().waitForExit(1500)) << "a failed booking must not close the program";

    // Idle again: an edit hides the result, and a corrected booking goes through.
    ASSERT_TRUE(setItemText(dialog, IDC_END_MINUTE, L"45"));
    EXPECT_TRUE(waitUntil([&] { return optionRowRestored(dialog); }, 3000));
    postCommand(dialog, IDM_SEND_HTTP);
    followJob(dialog, status, 20000, kFailed);
    EXPECT_EQ(status, kSucceeded);
    EXPECT_TRUE(app->process().waitForExit(5000));
    const auto posts = recorder.posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].at("end_minute"), "45");
}

TEST_F(HttpBooking, CancelDuringTheJobIsDisabledUntilTheJobEndsAsInterrupted) {
    Simulator& recorder = simulator();
    // The slow page holds the job long enough for every check below, however busy the machine.
    ASSERT_TRUE(recorder.delay("3", 8000));
    const std::wstring iepg = prepare(Iepg());

    const HWND dialog = startMain(iepg);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(waitUntil([&] { return textOf(dialog, IDC_MESSAGE) == stepText(3); }, 8000, 2))
        << "message line: " << textOf(dialog, IDC_MESSAGE);

    // Commands other than Cancel are ignored while the job runs.
    // Sent, not posted: each returns once handled (a settings dialog opened by mistake makes it time out).
    sendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDM_HTTP_SETTINGS, 0), 0);
    clickAndSettle(dialog, IDOK);
    EXPECT_EQ(waitDialog(kHttpCaption, 0), nullptr) << "a menu command must be ignored during a job";

    click(dialog, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !enabled(item(dialog, IDCANCEL)); }, 2000)) << "Cancel must be disabled";
    EXPECT_EQ(textOf(dialog, IDC_STATUS), kRunning) << "the job is still waiting for the slow page";
    EXPECT_FALSE(app->process().waitForExit(300));
    EXPECT_FALSE(enabled(item(dialog, IDCANCEL)));

    std::string status;
    followJob(dialog, status);
    EXPECT_EQ(status, kCancelled);
    EXPECT_TRUE(waitUntil([&] { return enabled(item(dialog, IDCANCEL)); }, 2000))
        << "Cancel is enabled again once the job has ended";
    EXPECT_TRUE(recorder.posts().empty()) << "a cancelled job must not post the form";
    EXPECT_FALSE(app->process().waitForExit(1500)) << "a cancelled booking leaves the dialog open";

    click(dialog, IDCANCEL);
    ASSERT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
    EXPECT_EQ(app->process().exitCode(), 2u);
}

TEST_F(HttpBooking, RecorderErrorFailsWithoutAMessageBox) {
    Simulator& recorder = simulator();
    ASSERT_EQ(httpRequest(simPort, "GET", "/_sim/fail?step=1&status=500").status, 200);
    const HWND dialog = startMain(prepare(Iepg()));
    ASSERT_NE(dialog, nullptr);
    std::string status;
    followJob(dialog, status);
    EXPECT_EQ(status, kFailed);
    EXPECT_EQ(findMessageBox(app->pid()), nullptr) << "only a refusal shows a message box";
    EXPECT_TRUE(recorder.posts().empty());
    EXPECT_FALSE(app->process().waitForExit(1500));
    EXPECT_TRUE(quit(dialog));
}

TEST_F(HttpBooking, MenuPageFailingOnceIsRetriedAfterAPause) {
    Simulator& recorder = simulator();
    ASSERT_EQ(httpRequest(simPort, "GET", "/_sim/fail?step=2&status=503").status, 200);
    for (const char* step : {"1", "3", "4"}) ASSERT_TRUE(recorder.delay(step, 1000));  // to see their step texts
    const HWND dialog = startMain(prepare(Iepg()));
    ASSERT_NE(dialog, nullptr);
    std::string status;
    const std::vector<std::string> steps = followJob(dialog, status);
    EXPECT_TRUE(inOrder(steps, {stepText(1), "リトライ待ち…", stepText(3), stepText(4)})) << joined(steps);
    EXPECT_EQ(status, kSucceeded);
    EXPECT_EQ(recorder.posts().size(), 1u);
    EXPECT_TRUE(app->process().waitForExit(5000));
}

// Books at the simulator that requires Basic authorization, through the proxy with its own
// credentials, all from the settings; the proxy's password decides whether the booking arrives.
class HttpBookingThroughProxy : public HttpBooking {
protected:
    std::string book(const std::string& proxyPassword) {
        const int authPort = serverPort("PELORANE_SIM_AUTH_PORT");
        const int proxyPort = serverPort("PELORANE_PROXY_PORT");
        EXPECT_GT(authPort, 0) << "the loopback servers are not running (PELORANE_SERVERS_ENV)";
        EXPECT_GT(proxyPort, 0);
        EXPECT_TRUE(app->writeSettings({{"bootexec", "3"},
                                        {"httpserver", "127.0.0.1"},
                                        {"httpport", std::to_string(authPort)},
                                        {"httpuser", "rd"},
                                        {"httppass", "secret"},
                                        {"proxyserver", "127.0.0.1"},
                                        {"proxyport", std::to_string(proxyPort)},
                                        {"proxyuser", "proxyuser"},
                                        {"proxypass", proxyPassword}}));
        EXPECT_TRUE(app->writeChannels(standardChannels()));
        const HWND dialog = startMain(quoteArgument(app->writeIepg(L"programme.iepg", Iepg())));
        if (dialog == nullptr) return "(no dialog)";
        std::string status;
        followJob(dialog, status);
        if (status == kSucceeded) {
            EXPECT_TRUE(app->process().waitForExit(5000));
        } else {
            EXPECT_TRUE(quit(dialog));
        }
        return status;
    }
};

TEST_F(HttpBookingThroughProxy, RecorderPasswordAndProxyFromTheSettingsAreUsed) {
    Simulator guarded(serverPort("PELORANE_SIM_AUTH_PORT"));
    ASSERT_TRUE(guarded.reset(false));
    EXPECT_EQ(book("wrong"), kFailed) << "a wrong proxy password must stop the booking at the proxy";
    EXPECT_TRUE(guarded.log()["requests"].items().empty());

    EXPECT_EQ(book("proxypass"), kSucceeded);
    EXPECT_EQ(guarded.posts().size(), 1u);
    const Json log = guarded.log();
    ASSERT_GT(log["requests"].size(), 0u);
    for (const Json& request : log["requests"].items()) {
        EXPECT_NE(request["outcome"].string(), "unauthorized") << request["target"].string();
    }
}

// A port outside 1-65535 counts as no address: it would wrap around to the simulator's port.
TEST_F(HttpBooking, WithoutRecorderAddressTheHttpSettingsOpenInstead) {
    Simulator& recorder = simulator();
    // The simulator as proxy: a request made anyway would reach its log.
    const Settings noAddress = {
        {"bootexec", "3"}, {"proxyserver", "127.0.0.1"}, {"proxyport", std::to_string(recorder.port())}};
    const Settings portOutOfRange = {
        {"bootexec", "3"}, {"httpserver", "127.0.0.1"}, {"httpport", std::to_string(recorder.port() + 65536)}};
    for (const Settings& settings : {noAddress, portOutOfRange}) {
        ASSERT_TRUE(app->writeSettings(settings));
        ASSERT_TRUE(app->writeChannels(standardChannels()));
        ASSERT_TRUE(app->start(quoteArgument(app->writeIepg(L"programme.iepg", Iepg()))));

        // The booking command is handled before the main dialog first shows: the HTTP settings come first.
        const HWND http = waitDialog(kHttpCaption);
        ASSERT_NE(http, nullptr);
        const HWND dialog = owner(http);
        EXPECT_EQ(text(dialog), kMainCaption) << "owned by the main dialog";
        click(http, IDCANCEL);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(http); }, 5000));
        ASSERT_EQ(waitDialog(kMainCaption), dialog);
        EXPECT_TRUE(recorder.log()["requests"].items().empty());
        EXPECT_EQ(textOf(dialog, IDC_STATUS), "") << "no job may start";
        EXPECT_TRUE(optionRowRestored(dialog));
        EXPECT_TRUE(quit(dialog));
    }
}

TEST_F(HttpBooking, StationMissingFromTheChannelTableStartsNothing) {
    Simulator& recorder = simulator();
    Iepg unknown;
    unknown.station = "どこにもない局";
    const std::wstring iepg = prepare(unknown);

    const HWND dialog = startMain(iepg);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(waitUntil([&] { return !textOf(dialog, IDC_STATUS).empty(); }, 1500)) << "no job may start";
    EXPECT_EQ(comboSelection(item(dialog, IDC_CHANNEL)), CB_ERR) << "no channel is selected";
    EXPECT_TRUE(recorder.log()["requests"].items().empty());
    EXPECT_TRUE(quit(dialog));
}

// The automatic booking checks the date itself: a day the calendar lacks, from the file or the
// positional form, opens the dialog with the reservation and books nothing.
TEST_F(HttpBooking, DayTheCalendarLacksIsNotBookedAtStart) {
    Simulator& recorder = simulator();
    struct Case {
        const char* name;
        int month;
        int day;
        bool positional;
    };
    const Case cases[] = {
        {"iEPG 2031/2/30", 2, 30, false},
        {"iEPG 2031/2/29, a common year", 2, 29, false},
        {"positional 2031/4/31", 4, 31, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Iepg programme;
        programme.month = c.month;
        programme.day = c.day;
        std::wstring arguments = prepare(programme);
        if (c.positional) {
            wchar_t date[16] = {};
            swprintf(date, 16, L"2031%02d%02d", c.month, c.day);
            arguments = L"東都総合テレビ " + std::wstring(date) + L" 2100 2230 - 世界の車窓から 詳細";
        }
        const HWND dialog = startMain(arguments);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(textOf(dialog, IDC_TITLE), "世界の車窓から") << "the reservation is shown";
        EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_CHANNEL))), "CH1:東都総合テレビ");
        // Posted after the booking command would have been: once the tool settings are open, that
        // command has been handled. A running job would ignore this one.
        postCommand(dialog, IDM_TOOL_SETTINGS);
        const HWND tool = waitDialog(kToolCaption);
        ASSERT_NE(tool, nullptr) << "status: " << textOf(dialog, IDC_STATUS);
        click(tool, IDCANCEL);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(tool); }, kDefaultTimeoutMs));
        EXPECT_EQ(textOf(dialog, IDC_STATUS), "") << "no job may start";
        bool answered = false;
        const Json log = recorder.log(&answered);
        ASSERT_TRUE(answered) << "the simulator's log could not be read";
        ASSERT_TRUE(log.has("requests"));
        EXPECT_EQ(log["requests"].size(), 0u) << "no request may reach the recorder";
        EXPECT_TRUE(recorder.posts().empty());
        ASSERT_TRUE(quit(dialog));
    }
}

}  // namespace
}  // namespace ui
