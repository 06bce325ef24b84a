// Japanese text through the dialogs whatever the ANSI code page of the run is (this group also runs
// with LANG=C.UTF-8, code page 1252): template texts, Shift_JIS texts from the files, text typed
// into the dialog reaching the recorder, a refusal's message box, Japanese folder and file names.
#include <cstdlib>

#include "ProgramTest.h"

namespace ui {
namespace {

class JapaneseText : public ProgramTest {};

TEST_F(JapaneseText, RunsWithTheExpectedAnsiCodePage) {
    const char* expected = std::getenv("PELORANE_UI_EXPECT_CODEPAGE");
    if (expected == nullptr || *expected == '\0') GTEST_SKIP() << "PELORANE_UI_EXPECT_CODEPAGE is not set";
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)))
        << "the locale of this run does not give the code page the test entry was meant for";
}

TEST_F(JapaneseText, TemplateAndFileTextsReadBackAsJapanese) {
    ASSERT_TRUE(app->writeSettings({}));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    Iepg programme;
    programme.title = "ソ表能・予約";
    programme.detail = "機種依存①～\r\n二行目";
    const HWND dialog = startMain(quoteArgument(app->writeIepg(L"p.iepg", programme)));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(dialog, IDCANCEL), "キャンセル");
    EXPECT_EQ(textOf(dialog, IDC_VPERFORM), "高レート節約");
    EXPECT_EQ(textOf(dialog, IDC_AUTO_CHAPTER), "無音部分チャプタ分割 ");
    EXPECT_EQ(textOf(dialog, IDC_TITLE), "ソ表能・予約");
    // Converted back with code page 932, the text is byte for byte what the file held.
    EXPECT_EQ(toSjis(itemText(dialog, IDC_TITLE)), "\x83\x5c\x95\x5c\x94\x5c\x81\x45\x97\x5c\x96\xf1");
    EXPECT_EQ(textOf(dialog, IDC_DETAIL), "機種依存①～\r\n二行目");
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_CHANNEL))), "CH1:東都総合テレビ");
    const std::vector<std::string> genres = u8(comboItems(item(dialog, IDC_GENRE)));
    ASSERT_FALSE(genres.empty());
    EXPECT_EQ(genres.front(), "ジャンルなし");
    EXPECT_EQ(u8(comboItems(item(dialog, IDC_DVDR))), (std::vector<std::string>{"切", "主音声", "副音声"}));

    postCommand(dialog, IDM_MAIL_SETTINGS);
    const HWND mail = waitDialog(kMailCaption);
    ASSERT_NE(mail, nullptr) << "the caption \"メール設定\" must read back as Japanese";
    EXPECT_EQ(u8(comboItems(item(mail, IDC_SMTP_AUTH))).back(), "認証なし");
    click(mail, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(mail); }, 5000));
    EXPECT_TRUE(quit(dialog));
}

TEST_F(JapaneseText, ValidationMessagesReadBackAsJapanese) {
    ASSERT_TRUE(app->writeSettings({}));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const HWND dialog = startMain();
    ASSERT_NE(dialog, nullptr);
    click(dialog, IDOK);
    EXPECT_TRUE(waitUntil([&] { return textOf(dialog, IDC_MESSAGE) == kChooseChannel; }, 5000))
        << textOf(dialog, IDC_MESSAGE);
    ASSERT_TRUE(chooseComboItem(dialog, IDC_CHANNEL, L"CH4:みなと放送"));
    setItemText(dialog, IDC_END_HOUR, L"99");
    click(dialog, IDOK);
    EXPECT_TRUE(waitUntil([&] { return textOf(dialog, IDC_MESSAGE) == kBadTime && jobLinesShown(dialog); }, 5000))
        << textOf(dialog, IDC_MESSAGE);
    EXPECT_TRUE(quit(dialog));
}

TEST_F(JapaneseText, TextTypedIntoTheDialogReachesTheRecorderAsShiftJis) {
    Simulator& recorder = simulator();
    ASSERT_TRUE(app->writeSettings(recorderSettings(simPort)));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const HWND dialog = startMain(quoteArgument(app->writeIepg(L"p.iepg", Iepg())));
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(setItemText(dialog, IDC_TITLE, L"ソ表能～①"));
    ASSERT_TRUE(setItemText(dialog, IDC_DETAIL, L"改行\r\nあり"));
    postCommand(dialog, IDM_SEND_HTTP);
    std::string status;
    followJob(dialog, status);
    ASSERT_EQ(status, kSucceeded);
    EXPECT_TRUE(app->process().waitForExit(5000));
    const auto posts = recorder.posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].at("title_name"), "ソ表能～①");
    EXPECT_EQ(posts[0].at("detail"), "改行\r\nあり");
}

TEST_F(JapaneseText, RefusalMessageBoxShowsTheRecordersJapaneseText) {
    simulator();
    ASSERT_TRUE(app->writeSettings(merged(recorderSettings(simPort), {{"bootexec", "3"}})));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    Iepg sameTimes;
    sameTimes.end = sameTimes.start;
    const HWND dialog = startMain(quoteArgument(app->writeIepg(L"p.iepg", sameTimes)));
    ASSERT_NE(dialog, nullptr);
    const HWND box = waitForMessageBox(app->pid());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(u8(messageBoxText(box)), "開始時刻と終了時刻が同じです。");
    click(box, IDOK);
    std::string status;
    followJob(dialog, status);
    EXPECT_EQ(status, kFailed);
    EXPECT_TRUE(quit(dialog));
}

class JapaneseFolder : public ProgramTest {
protected:
    std::wstring folderPrefix() const override { return L"予約テスト・ソ表能"; }
};

TEST_F(JapaneseFolder, BookingWorksFromAJapaneseFolderWithAJapaneseIepgName) {
    Simulator& recorder = simulator();
    ASSERT_NE(app->folder().find(L"予約テスト・ソ表能"), std::wstring::npos);
    ASSERT_TRUE(app->writeSettings(merged(recorderSettings(simPort), {{"bootexec", "3"}})));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const std::wstring iepg = app->writeIepg(L"番組表 ソ表能.iepg", Iepg());
    const HWND dialog = startMain(quoteArgument(iepg));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(dialog, IDC_TITLE), "世界の車窓から") << "the iEPG file must be read from its Japanese path";
    std::string status;
    followJob(dialog, status);
    ASSERT_EQ(status, kSucceeded);
    ASSERT_TRUE(app->process().waitForExit(5000));
    EXPECT_EQ(recorder.posts().size(), 1u);
    // The settings and channels were read from, and the settings written back to, the Japanese folder.
    const Settings stored = app->readSettings();
    EXPECT_EQ(stored.count("disc"), 1u);
    EXPECT_EQ(stored.at("httpserver"), "127.0.0.1");
}

}  // namespace
}  // namespace ui
