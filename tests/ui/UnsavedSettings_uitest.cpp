// A program folder that refuses the settings files: the end writes only changed settings, the first
// failed save of each file says so in a box naming it. A file that could not be read is named in a
// box before anything else opens.
#include "ProgramTest.h"

namespace ui {
namespace {

const std::string kNotSaved = "設定を保存できませんでした。\n";

class UnsavedSettings : public ProgramTest {
protected:
    // Folders where the new files are written first make every save fail, even for root.
    void blockSaves() {
        ASSERT_TRUE(app->writeSettings(recorderSettings(simPort)));
        ASSERT_TRUE(app->writeChannels(standardChannels()));
        for (const wchar_t* name : {L"Pelorane.ini.tmp", L"channels.ini.tmp"}) {
            ASSERT_TRUE(CreateDirectoryW(app->file(name).c_str(), nullptr));
        }
    }

    // The box the program shows now: its text, after checking owner and button and pressing OK.
    std::string acknowledge(HWND expectedOwner, const std::wstring& caption = L"エラー") {
        const HWND box = waitForMessageBox(app->pid());
        if (box == nullptr) return "(no message box)";
        EXPECT_EQ(owner(box), expectedOwner);
        EXPECT_EQ(text(box), caption);
        EXPECT_EQ(messageBoxButtons(box), std::vector<int>{IDOK});
        const std::string text = u8(messageBoxText(box));
        click(box, IDOK);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
        return text;
    }
};

TEST_F(UnsavedSettings, ExitReportsTheSettingsFileOnlyWhenTheyChanged) {
    blockSaves();
    for (const bool changed : {false, true}) {
        SCOPED_TRACE(changed);
        const HWND main = startMain();
        ASSERT_NE(main, nullptr);
        if (changed) {  // the tool settings are kept in memory until the end
            postCommand(main, IDM_TOOL_SETTINGS);
            const HWND tool = waitDialog(kToolCaption);
            ASSERT_NE(tool, nullptr);
            setItemText(tool, IDC_FROM, L"me@example.jp");
            click(tool, IDOK);
            ASSERT_TRUE(waitUntil([&] { return !IsWindow(tool); }, 5000));
        }
        postCommand(main, IDCANCEL);
        if (changed) {
            EXPECT_EQ(acknowledge(nullptr), kNotSaved + u8(app->settingsPath()));
        }
        EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs)) << "a box holds the end";
    }
}

TEST_F(UnsavedSettings, ReportedOncePerFileAndNotAgainAtExit) {
    blockSaves();
    const HWND main = startMain();
    ASSERT_NE(main, nullptr);
    postCommand(main, IDM_HTTP_SETTINGS);
    const HWND http = waitDialog(kHttpCaption);
    ASSERT_NE(http, nullptr);
    click(http, IDOK);
    EXPECT_EQ(acknowledge(http), kNotSaved + u8(app->settingsPath()));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(http); }, 5000));
    postCommand(main, IDM_CHANNEL_SETTINGS);
    const HWND channels = waitDialog(kChannelCaption);
    ASSERT_NE(channels, nullptr);
    click(channels, IDOK);
    EXPECT_EQ(acknowledge(channels), kNotSaved + u8(app->channelsPath()));
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(channels); }, 5000)) << "a second box holds the dialog";
    // A box at exit would keep the program running.
    EXPECT_TRUE(quit(main));
}

TEST_F(UnsavedSettings, FilesThatCannotBeReadAreNamedBeforeAnythingOpens) {
    const std::string oversized((1 << 20) + 1, '\n');  // more than the program reads
    ASSERT_TRUE(writeFile(app->settingsPath(), oversized));
    ASSERT_TRUE(writeFile(app->channelsPath(), oversized));
    ASSERT_TRUE(app->start());
    ASSERT_NE(waitForMessageBox(app->pid()), nullptr);
    EXPECT_EQ(dialogs(app->pid()).size(), 1u) << "the box comes first, alone";
    EXPECT_EQ(acknowledge(nullptr, L"Pelorane"), "設定ファイルを読み込めませんでした。\n" + u8(app->channelsPath()) + "\n" +
                                                     u8(app->settingsPath()) +
                                                     "\n既定の設定で起動します。元のファイルは .bak として残します。");
    const HWND main = waitDialog(kMainCaption);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(findMessageBox(app->pid()), nullptr) << "one box only";
    EXPECT_TRUE(quit(main));
    EXPECT_EQ(readFile(app->file(L"Pelorane.ini.bak")).size(), oversized.size());
}

}  // namespace
}  // namespace ui
