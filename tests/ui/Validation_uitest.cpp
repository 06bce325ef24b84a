// The main dialog's checks before a booking: channel chosen, times in range (in order, focus on the
// offending box), the option row giving way to the message line and coming back on the next command,
// what is stored when a check fails, the OK button's setting, and settings dialogs for missing data.
#include "ProgramTest.h"

namespace ui {
namespace {

class Validation : public ProgramTest {
protected:
    // The main dialog with the standard channels, default reservation (no channel) and settings.
    HWND openDialog(const Settings& settings = Settings()) {
        EXPECT_TRUE(app->writeSettings(settings));
        EXPECT_TRUE(app->writeChannels(standardChannels()));
        return startMain();
    }

    // Chooses a channel and valid times 21:00–22:30.
    void fillValid(HWND dialog) {
        ASSERT_TRUE(chooseComboItem(dialog, IDC_CHANNEL, L"CH1:東都総合テレビ"));
        setItemText(dialog, IDC_START_HOUR, L"21");
        setItemText(dialog, IDC_START_MINUTE, L"0");
        setItemText(dialog, IDC_END_HOUR, L"22");
        setItemText(dialog, IDC_END_MINUTE, L"30");
    }

    // Presses OK (okbutton 3 or 2 validates first) and waits for the message line's text.
    bool okShows(HWND dialog, const std::string& message) {
        click(dialog, IDOK);
        return waitUntil([&] { return textOf(dialog, IDC_MESSAGE) == message && jobLinesShown(dialog); }, 5000);
    }
};

TEST_F(Validation, NoChannelShowsChooseChannelAndFocusesTheList) {
    const HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(comboSelection(item(dialog, IDC_CHANNEL)), CB_ERR);
    EXPECT_TRUE(optionRowRestored(dialog)) << "the option row shows at start";
    ASSERT_TRUE(okShows(dialog, kChooseChannel)) << "message: " << textOf(dialog, IDC_MESSAGE);
    EXPECT_TRUE(hasFocus(dialog, IDC_CHANNEL));
    EXPECT_FALSE(visible(item(dialog, IDC_VPERFORM)));
    EXPECT_FALSE(visible(item(dialog, IDC_AUTO_CHAPTER)));
    EXPECT_TRUE(quit(dialog));
}

TEST_F(Validation, FailedCheckStoresTheGenreButNoOtherOption) {
    const HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseComboItem(dialog, IDC_GENRE, L"ドラマ全般"));
    ASSERT_TRUE(chooseComboItem(dialog, IDC_DISC, L"DVD"));
    click(dialog, IDC_EXEC);  // unchecks "実行"
    ASSERT_TRUE(okShows(dialog, kChooseChannel));
    ASSERT_TRUE(quit(dialog));
    const Settings stored = app->readSettings();
    ASSERT_EQ(stored.count("genre"), 1u);
    EXPECT_EQ(stored.at("genre"), "2");
    for (const char* key : {"disc", "dvdr", "vrate", "amode", "bExec", "bAutoChapter", "bVPerform"}) {
        EXPECT_EQ(stored.count(key), 0u) << key << " must not be stored after a failed check";
    }
}

TEST_F(Validation, NextCommandHidesTheMessageAndRestoresTheOptionRow) {
    const HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(okShows(dialog, kChooseChannel));
    ASSERT_TRUE(chooseComboItem(dialog, IDC_CHANNEL, L"CH3:東都教育テレビ"));
    EXPECT_TRUE(waitUntil([&] { return optionRowRestored(dialog); }, 3000));
    ASSERT_TRUE(setItemText(dialog, IDC_START_MINUTE, L"60"));
    ASSERT_TRUE(okShows(dialog, kBadTime));
    ASSERT_TRUE(setItemText(dialog, IDC_TITLE, L"直した"));
    EXPECT_TRUE(waitUntil([&] { return optionRowRestored(dialog); }, 3000)) << "an edit change hides the message";
    EXPECT_TRUE(quit(dialog));
}

TEST_F(Validation, TimesAreCheckedInOrderWithFocusOnTheFirstBadBox) {
    const HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    fillValid(dialog);

    struct Case {
        const wchar_t* startHour;
        const wchar_t* startMinute;
        const wchar_t* endHour;
        const wchar_t* endMinute;
        int focused;
    };
    const Case cases[] = {
        {L"24", L"60", L"22", L"30", IDC_START_HOUR},  // both start boxes wrong: the hour first
        {L"21", L"60", L"22", L"30", IDC_START_MINUTE},
        {L"21", L"0", L"24", L"30", IDC_END_HOUR},
        {L"21", L"0", L"22", L"75", IDC_END_MINUTE},
        {L"-1", L"0", L"22", L"30", IDC_START_HOUR},  // negative numbers fail
    };
    for (const Case& c : cases) {
        setItemText(dialog, IDC_START_HOUR, c.startHour);
        setItemText(dialog, IDC_START_MINUTE, c.startMinute);
        setItemText(dialog, IDC_END_HOUR, c.endHour);
        setItemText(dialog, IDC_END_MINUTE, c.endMinute);
        const std::string times = u8(std::wstring(c.startHour) + L":" + c.startMinute + L"-" + c.endHour + L":" +
                                     c.endMinute);
        EXPECT_TRUE(okShows(dialog, kBadTime)) << times << " message: " << textOf(dialog, IDC_MESSAGE);
        EXPECT_TRUE(hasFocus(dialog, c.focused)) << times;
    }
    EXPECT_TRUE(quit(dialog));
}

TEST_F(Validation, EmptyTimeBoxReadsAsZeroAndPasses) {
    // okbutton 3 books over HTTP; without a recorder address the HTTP settings open, which shows
    // that every check passed.
    const HWND dialog = openDialog({{"okbutton", "3"}});
    ASSERT_NE(dialog, nullptr);
    fillValid(dialog);
    setItemText(dialog, IDC_START_MINUTE, L"");
    setItemText(dialog, IDC_END_HOUR, L"");
    click(dialog, IDOK);
    const HWND http = waitDialog(kHttpCaption);
    ASSERT_NE(http, nullptr) << "message: " << textOf(dialog, IDC_MESSAGE);
    EXPECT_EQ(owner(http), dialog);
    click(http, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return findDialog(app->pid(), kHttpCaption) == nullptr; }, 5000));
    ASSERT_TRUE(quit(dialog));
    // The passed check stored the options.
    const Settings stored = app->readSettings();
    for (const char* key : {"disc", "dvdr", "vrate", "amode", "bExec", "bAutoChapter", "bVPerform", "genre"}) {
        EXPECT_EQ(stored.count(key), 1u) << key;
    }
}

TEST_F(Validation, OkWithMailNotConfiguredOpensTheMailSettings) {
    const HWND dialog = openDialog();  // okbutton defaults to 2, mail
    ASSERT_NE(dialog, nullptr);
    fillValid(dialog);
    click(dialog, IDOK);
    const HWND mail = waitDialog(kMailCaption);
    ASSERT_NE(mail, nullptr) << "message: " << textOf(dialog, IDC_MESSAGE);
    EXPECT_EQ(owner(mail), dialog);
    click(mail, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return findDialog(app->pid(), kMailCaption) == nullptr; }, 5000));
    EXPECT_TRUE(quit(dialog));
}

TEST_F(Validation, OkButtonSettingZeroOnlyHidesAShownMessage) {
    const HWND dialog = openDialog({{"okbutton", "0"}});
    ASSERT_NE(dialog, nullptr);
    postCommand(dialog, IDM_SEND_HTTP);  // no channel: the message shows
    ASSERT_TRUE(waitUntil([&] { return textOf(dialog, IDC_MESSAGE) == kChooseChannel && jobLinesShown(dialog); },
                          5000));
    click(dialog, IDOK);
    EXPECT_TRUE(waitUntil([&] { return optionRowRestored(dialog); }, 3000));
    settle(dialog);  // a settings dialog the OK opened would exist by now
    EXPECT_EQ(waitDialog(kMailCaption, 0), nullptr);
    EXPECT_EQ(waitDialog(kHttpCaption, 0), nullptr);
    EXPECT_TRUE(app->process().running());
    EXPECT_TRUE(quit(dialog));
}

TEST_F(Validation, CancelButtonEndsTheProgramWithResultTwo) {
    const HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    click(dialog, IDCANCEL);
    ASSERT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
    EXPECT_EQ(app->process().exitCode(), 2u);
}

TEST_F(Validation, EscapeEndsTheProgramWithResultTwo) {
    const HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    pressKey(dialog, VK_ESCAPE);
    ASSERT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
    EXPECT_EQ(app->process().exitCode(), 2u);
}

}  // namespace
}  // namespace ui
