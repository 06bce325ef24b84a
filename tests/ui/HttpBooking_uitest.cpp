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
    for (const char* step : {"1", "2", "3", "4"}) ASSERT_TRUE(recorder.delay(step, 300));
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
    const ULONGLONG successSeen = finalStatusSeenAt;

    EXPECT_TRUE(linesShownDuringJob) << "the message and status lines must replace the option row";
    EXPECT_TRUE(optionRowHiddenDuringJob);
    EXPECT_TRUE(inOrder(steps, {stepText(1), stepText(2), stepText(3), stepText(4)})) << joined(steps);
    ASSERT_EQ(status, kSucceeded) << "message lines: " << joined(steps);

    ASSERT_TRUE(app->process().waitForExit(5000)) << "the program must end by itself after a success";
    const ULONGLONG elapsed = GetTickCount64() - successSeen;
    EXPECT_GE(elapsed, 700u) << "\"成功。\" must stay for about one second";
    EXPECT_LE(elapsed, 3000u);
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

TEST_F(HttpBooking, SettingsFileIsRewrittenWithTheChosenOptionsAtTheEnd) {
    simulator();
    const std::wstring iepg = prepare(Iepg());
    const HWND dialog = startMain(iepg);
    ASSERT_NE(dialog, nullptr);
    std::string status;
    followJob(dialog, status);
    ASSERT_EQ(status, kSucceeded);
    ASSERT_TRUE(app->process().waitForExit(5000));

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
    followJob(dialog, status);
    EXPECT_EQ(status, kSucceeded);
    EXPECT_TRUE(app->process().waitForExit(5000));
    const auto posts = recorder.posts();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].at("end_minute"), "45");
}

TEST_F(HttpBooking, CancelDuringTheJobIsDisabledUntilTheJobEndsAsInterrupted) {
    Simulator& recorder = simulator();
    ASSERT_TRUE(recorder.delay("3", 2500));
    const std::wstring iepg = prepare(Iepg());

    const HWND dialog = startMain(iepg);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(waitUntil([&] { return textOf(dialog, IDC_MESSAGE) == stepText(3); }, 8000, 2))
        << "message line: " << textOf(dialog, IDC_MESSAGE);

    // Commands other than Cancel are ignored while the job runs.
    postCommand(dialog, IDM_HTTP_SETTINGS);
    click(dialog, IDOK);
    EXPECT_EQ(waitDialog(kHttpCaption, 400), nullptr) << "a menu command must be ignored during a job";

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

TEST_F(HttpBooking, WithoutRecorderAddressTheHttpSettingsOpenInstead) {
    Simulator& recorder = simulator();
    ASSERT_TRUE(app->writeSettings({{"bootexec", "3"}}));
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
    EXPECT_NE(textOf(dialog, IDC_STATUS), kRunning) << "no job may start";
    EXPECT_TRUE(quit(dialog));
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

}  // namespace
}  // namespace ui
