// The iEPG association from the tool settings' button: the keys and values under HKEY_CLASSES_ROOT
// of the Wine prefix and the success message box. The keys are removed before each test and put
// back as the prefix had them after it.
#include "ProgramTest.h"

namespace ui {
namespace {

class Association : public ProgramTest {
protected:
    // A blank in the program's path: the command value quotes it.
    std::wstring folderPrefix() const override { return L"pelorane ui"; }

    void SetUp() override {
        ProgramTest::SetUp();
        // The prefix's own keys are set aside for the test and put back after it.
        aside = std::make_unique<ClassesKeysAside>(std::vector<std::wstring>{
            L"iEPG.file", L".iepg", L"MIME\\Database\\Content Type\\application/x-tv-program-info"});
        ASSERT_TRUE(aside->ready());
    }
    void TearDown() override {
        ProgramTest::TearDown();
        aside.reset();
    }

    HWND openTool() {
        EXPECT_TRUE(app->writeSettings({}));
        EXPECT_TRUE(app->writeChannels(standardChannels()));
        mainDialog = startMain();
        if (mainDialog == nullptr) return nullptr;
        postCommand(mainDialog, IDM_TOOL_SETTINGS);
        const HWND dialog = waitDialog(kToolCaption);
        if (dialog == nullptr) ADD_FAILURE() << "the tool settings did not open";
        return dialog;
    }

    // Presses the button and acknowledges the success box; its text.
    std::string associate(HWND tool) {
        click(tool, IDC_ASSOCIATE);
        const HWND box = waitForMessageBox(app->pid());
        if (box == nullptr) return "(no message box)";
        EXPECT_EQ(owner(box), tool) << "the box is owned by the tool dialog";
        EXPECT_EQ(messageBoxButtons(box), std::vector<int>{IDOK});
        const std::string message = u8(messageBoxText(box));
        click(box, IDOK);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
        return message;
    }

    std::string value(const std::wstring& key, const std::wstring& name = std::wstring()) {
        bool found = false;
        const std::wstring v = classesValue(key, name, &found);
        return found ? u8(v) : "(missing)";
    }

    HWND mainDialog = nullptr;
    std::unique_ptr<ClassesKeysAside> aside;
};

TEST_F(Association, ButtonWritesTheFileTypeKeysAndReportsSuccess) {
    const HWND tool = openTool();
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(associate(tool), "関連付けに成功しました。");

    const std::string exe = u8(app->exe());
    EXPECT_EQ(value(L"iEPG.file"), "iEPG ファイル");
    EXPECT_EQ(value(L"iEPG.file\\DefaultIcon"), "\"" + exe + "\",1");
    EXPECT_EQ(value(L"iEPG.file\\shell\\open\\command"), "\"" + exe + "\" \"%1\"");
    EXPECT_EQ(value(L".iepg"), "iEPG.file");
    EXPECT_EQ(value(L".iepg", L"Content Type"), "application/x-tv-program-info");
    EXPECT_EQ(value(L"MIME\\Database\\Content Type\\application/x-tv-program-info", L"Extension"), ".iepg");

    EXPECT_TRUE(IsWindow(tool) && visible(tool)) << "the tool dialog stays open";
    click(tool, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(tool); }, 5000));
    EXPECT_TRUE(quit(mainDialog));
}

TEST_F(Association, PressingTwiceSucceedsBothTimes) {
    const HWND tool = openTool();
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(associate(tool), "関連付けに成功しました。");
    EXPECT_EQ(associate(tool), "関連付けに成功しました。");
    EXPECT_EQ(value(L".iepg"), "iEPG.file");
    click(tool, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(tool); }, 5000));
    EXPECT_TRUE(quit(mainDialog));
}

}  // namespace
}  // namespace ui
