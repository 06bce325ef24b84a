// Every choice of the main dialog where it ends up: in the form the recorder receives and in the
// settings file the program writes, both compared with literal bytes.
#include "ProgramTest.h"

#include <commctrl.h>

namespace ui {
namespace {

class Choices : public ProgramTest {
protected:
    // Books with OK (okbutton 3) and waits for the program to end after the success.
    void bookWithOk(HWND dialog) {
        click(dialog, IDOK);
        std::string status;
        const std::vector<std::string> steps = followJob(dialog, status);
        EXPECT_EQ(status, kSucceeded) << joined(steps);
        EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
    }
};

TEST_F(Choices, EveryBoxAndTheDateReachTheFormAndTheSettingsFile) {
    Simulator& recorder = simulator();
    ASSERT_TRUE(app->writeSettings(merged(recorderSettings(simPort), {{"okbutton", "3"}})));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const HWND dialog = startMain(quoteArgument(app->writeIepg(L"p.iepg", Iepg())));
    ASSERT_NE(dialog, nullptr);

    // A value other than the one shown at opening in every box.
    ASSERT_TRUE(chooseComboItem(dialog, IDC_CHANNEL, L"CH4:みなと放送"));
    ASSERT_TRUE(chooseComboItem(dialog, IDC_DISC, L"AB面"));
    ASSERT_TRUE(chooseComboItem(dialog, IDC_DVDR, L"主音声"));
    ASSERT_TRUE(chooseComboItem(dialog, IDC_VRATE, L"MN 9.2"));
    ASSERT_TRUE(chooseComboItem(dialog, IDC_AMODE, L"L-PCM"));
    ASSERT_TRUE(chooseComboItem(dialog, IDC_GENRE, L"アニメ/特撮全般"));
    setCheck(dialog, IDC_EXEC, BST_UNCHECKED);
    setCheck(dialog, IDC_VPERFORM, BST_UNCHECKED);
    setCheck(dialog, IDC_AUTO_CHAPTER, BST_UNCHECKED);
    ASSERT_TRUE(setPickerDate(item(dialog, IDC_DATE), 2032, 2, 29));
    setItemText(dialog, IDC_START_HOUR, L"23");
    setItemText(dialog, IDC_START_MINUTE, L"5");
    setItemText(dialog, IDC_END_HOUR, L"0");
    setItemText(dialog, IDC_END_MINUTE, L"15");
    setItemText(dialog, IDC_TITLE, L"録画 テスト");
    bookWithOk(dialog);

    // 実行 off leaves out bExec; the title and detail in Shift_JIS, percent-encoded.
    EXPECT_EQ(recorder.rawPosts(),
              std::vector<std::string>{
                  "title_name=%98^%89%E6%20%83e%83X%83g&channel=4&disc=2&dvdr=4&date=2032%2F02%2F29&vrate=9200"
                  "&start_hour=23&start_minute=5&amode=3&bVPerform=0&bAutoChapter=0&end_hour=0&end_minute=15"
                  "&genre=3&detail=%91%E6%88%EA%8Ds%0D%0A%91%E6%93%F1%8Ds&end_form=0"});
    // The choices are the new defaults, in the file's byte order.
    EXPECT_EQ(readFile(app->settingsPath()),
              "[config]\r\n"
              "amode=3\r\n"
              "bAutoChapter=0\r\n"
              "bExec=0\r\n"
              "bVPerform=0\r\n"
              "disc=2\r\n"
              "dvdr=4\r\n"
              "genre=3\r\n"
              "httpport=" + std::to_string(simPort) + "\r\n"
              "httpserver=127.0.0.1\r\n"
              "okbutton=3\r\n"
              "vrate=9200\r\n");
}

TEST_F(Choices, FirstRunWithoutSettingsTicksTheBoxesAndPostsTheFirstEntries) {
    Simulator& recorder = simulator();
    ASSERT_TRUE(app->writeChannels(standardChannels()));  // no Pelorane.ini
    const HWND dialog = startMain(quoteArgument(app->writeIepg(L"p.iepg", Iepg())));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(checkState(dialog, IDC_EXEC), BST_CHECKED);
    EXPECT_EQ(checkState(dialog, IDC_VPERFORM), BST_CHECKED);
    EXPECT_EQ(checkState(dialog, IDC_AUTO_CHAPTER), BST_CHECKED);

    // The recorder's address through the HTTP settings, then the HTTP booking from the menu.
    postCommand(dialog, IDM_HTTP_SETTINGS);
    const HWND http = waitDialog(kHttpCaption);
    ASSERT_NE(http, nullptr);
    setItemText(http, IDC_HTTP_SERVER, L"127.0.0.1");
    setItemText(http, IDC_HTTP_PORT, fromUtf8(std::to_string(simPort)));
    click(http, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(http); }, 5000));
    postCommand(dialog, IDM_SEND_HTTP);
    std::string status;
    followJob(dialog, status);
    EXPECT_EQ(status, kSucceeded);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));

    const auto posts = recorder.posts();
    ASSERT_EQ(posts.size(), 1u);
    const std::map<std::string, std::string> expected = {
        {"bExec", "ON"}, {"bVPerform", "1"}, {"bAutoChapter", "1"}, {"dvdr", "1"}, {"vrate", "1"},
        {"disc", "0"},   {"amode", "1"},     {"genre", "10"}};
    for (const auto& [name, value] : expected) {
        ASSERT_EQ(posts[0].count(name), 1u) << name;
        EXPECT_EQ(posts[0].at(name), value) << name;
    }
}

}  // namespace
}  // namespace ui
