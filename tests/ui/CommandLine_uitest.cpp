// What the command line opens: case-sensitive keywords, argument counts, unreadable iEPG files, and
// the settings file written at every end.
#include <cstdlib>

#include "ProgramTest.h"

namespace ui {
namespace {

class CommandLine : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(app->writeChannels(standardChannels()));
    }

    // The main dialog shows the default reservation: no channel, empty title, one hour from now.
    void expectDefaultReservation(HWND dialog) {
        EXPECT_EQ(comboSelection(item(dialog, IDC_CHANNEL)), CB_ERR);
        EXPECT_EQ(textOf(dialog, IDC_TITLE), "");
        const int startHour = std::atoi(textOf(dialog, IDC_START_HOUR).c_str());
        const int endHour = std::atoi(textOf(dialog, IDC_END_HOUR).c_str());
        EXPECT_EQ(endHour, (startHour + 1) % 24);
        EXPECT_EQ(textOf(dialog, IDC_START_MINUTE), textOf(dialog, IDC_END_MINUTE));
    }
};

TEST_F(CommandLine, LowerCaseKeywordIsTakenAsAFileAndGivesTheDefaultReservation) {
    const HWND dialog = startMain(L"?remote");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(findDialog(app->pid(), L"Pelorane - リモコン"), nullptr);
    expectDefaultReservation(dialog);
    EXPECT_TRUE(quit(dialog));
}

TEST_F(CommandLine, KeywordWithASecondArgumentGivesTheDefaultReservation) {
    const HWND dialog = startMain(L"?REMOTE extra");
    ASSERT_NE(dialog, nullptr);
    expectDefaultReservation(dialog);
    EXPECT_TRUE(quit(dialog));
}

TEST_F(CommandLine, UnreadableIepgFileGivesTheDefaultReservation) {
    const std::wstring broken = app->file(L"broken.iepg");
    ASSERT_TRUE(writeFile(broken, "Content-type: text/plain\r\n\r\n"));
    const HWND dialog = startMain(quoteArgument(broken));
    ASSERT_NE(dialog, nullptr);
    expectDefaultReservation(dialog);
    EXPECT_TRUE(quit(dialog));
}

TEST_F(CommandLine, RemoteRunWritesTheSettingsFileEvenWhenThereWasNone) {
    ASSERT_FALSE(fileExists(app->settingsPath()));
    ASSERT_TRUE(app->start(L"?REMOTE"));
    const HWND panel = waitDialog(L"Pelorane - リモコン");
    ASSERT_NE(panel, nullptr);
    pressKey(panel, VK_ESCAPE);
    ASSERT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
    EXPECT_EQ(app->process().exitCode(), 0u);
    EXPECT_TRUE(fileExists(app->settingsPath())) << "the (empty) store is written at the end";
}

TEST_F(CommandLine, PositionalFormFillsTheReservation) {
    ASSERT_TRUE(app->writeSettings({}));
    const HWND dialog = startMain(L"東都教育テレビ 20310614 0930 1015 - \"ソ表能 題名\" 詳細 4");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_CHANNEL))), "CH3:東都教育テレビ");
    EXPECT_EQ(textOf(dialog, IDC_START_HOUR), "9");
    EXPECT_EQ(textOf(dialog, IDC_START_MINUTE), "30");
    EXPECT_EQ(textOf(dialog, IDC_END_HOUR), "10");
    EXPECT_EQ(textOf(dialog, IDC_END_MINUTE), "15");
    EXPECT_EQ(textOf(dialog, IDC_TITLE), "ソ表能 題名");
    EXPECT_EQ(textOf(dialog, IDC_DETAIL), "詳細");
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_GENRE))), "スポーツ全般");
    EXPECT_TRUE(quit(dialog));
}

}  // namespace
}  // namespace ui
