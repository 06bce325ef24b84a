// A program folder that refuses the settings files: the first failed save says so in a message box
// naming the file, and no later one does.
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
    std::string acknowledge(HWND expectedOwner) {
        const HWND box = waitForMessageBox(app->pid());
        if (box == nullptr) return "(no message box)";
        EXPECT_EQ(owner(box), expectedOwner);
        EXPECT_EQ(messageBoxButtons(box), std::vector<int>{IDOK});
        const std::string text = u8(messageBoxText(box));
        click(box, IDOK);
        return text;
    }
};

TEST_F(UnsavedSettings, ExitReportsTheSettingsFile) {
    blockSaves();
    const HWND main = startMain();
    ASSERT_NE(main, nullptr);
    postCommand(main, IDCANCEL);
    EXPECT_EQ(acknowledge(nullptr), kNotSaved + u8(app->settingsPath()));
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

TEST_F(UnsavedSettings, ReportedOnceOverTheHttpSettingsAndNotAgainAtExit) {
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
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(channels); }, 5000)) << "a second box holds the dialog";
    // A box at exit would keep the program running.
    EXPECT_TRUE(quit(main));
}

}  // namespace
}  // namespace ui
