// The iEPG association from the tool settings' button: the keys and values under HKEY_CLASSES_ROOT
// of the Wine prefix and the success message box. The keys are removed before each test and put
// back as the prefix had them after it.
#include "ProgramTest.h"

namespace ui {
namespace {

// The Unix path of a Windows path, as a browser running on the Unix side would have it; empty when
// Wine cannot say.
std::string unixPath(const std::wstring& path) {
    using Convert = char*(CDECL*)(LPCWSTR);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) return std::string();
    char* converted = convert(path.c_str());
    if (converted == nullptr) return std::string();
    const std::string result(converted);
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

// Hands the file to the shell the way `wine start /unix FILE` does; false when start.exe did not run.
bool openThroughShell(const std::string& unixFile) {
    wchar_t system[MAX_PATH] = {};
    if (GetSystemDirectoryW(system, MAX_PATH) == 0) return false;
    Process start;
    // The Unix path is ASCII here (the test folder's name is).
    const std::wstring file(unixFile.begin(), unixFile.end());
    if (!start.start(std::wstring(system) + L"\\start.exe", L"/unix " + quoteArgument(file), std::wstring())) {
        return false;
    }
    return start.waitForExit(kDefaultTimeoutMs) && start.exitCode() == 0;
}

class Association : public ProgramTest {
protected:
    // A blank in the program's path: the command value quotes it.
    std::wstring folderPrefix() const override { return L"pelorane ui"; }

    void SetUp() override {
        ProgramTest::SetUp();
        // The prefix's own keys are set aside for the test and put back after it.
        aside = std::make_unique<ClassesKeysAside>(associationKeys());
        ASSERT_TRUE(aside->ready());
    }
    void TearDown() override {
        ProgramTest::TearDown();
        aside.reset();
    }

    HWND openTool(const Settings& settings = Settings(),
                  const std::vector<ChannelLine>& channels = standardChannels()) {
        EXPECT_TRUE(app->writeSettings(settings));
        EXPECT_TRUE(app->writeChannels(channels));
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
        EXPECT_EQ(text(box), kMainCaption) << "a success is titled as the program, not as an error";
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
    const std::wstring programInfo = L"application/x-tv-program-info";
    const std::wstring digitalInfo = L"application/x-tv-program-digital-info";
    const std::pair<std::wstring, std::wstring> extensions[] = {
        {L".iepg", programInfo}, {L".tvpi", programInfo}, {L".tvpid", digitalInfo}};
    for (const auto& [extension, contentType] : extensions) {
        EXPECT_EQ(value(extension), "iEPG.file") << u8(extension);
        EXPECT_EQ(value(extension, L"Content Type"), u8(contentType)) << u8(extension);
    }
    EXPECT_EQ(value(L"MIME\\Database\\Content Type\\" + programInfo, L"Extension"), ".iepg");
    EXPECT_EQ(value(L"MIME\\Database\\Content Type\\" + digitalInfo, L"Extension"), ".tvpid");

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

TEST_F(Association, FilesOpenedThroughTheShellStartTheProgramThatBooksThem) {
    Simulator& recorder = simulator();
    std::vector<ChannelLine> channels = standardChannels();
    channels.at(2).stationCode = "DFS05C38";  // CH4
    const HWND tool = openTool(merged(recorderSettings(simPort), {{"bootexec", "3"}}), channels);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(associate(tool), "関連付けに成功しました。");
    click(tool, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(tool); }, 5000));
    ASSERT_TRUE(quit(mainDialog));

    // One day each: the recorder refuses a booking that overlaps another. A digital-broadcast file's
    // service code picks the channel before the station name (CH1's).
    Iepg tvpi;
    tvpi.day = 15;
    Iepg tvpid;
    tvpid.day = 16;
    tvpid.serviceCode = "DFS05C38";
    const struct {
        const wchar_t* name;
        Iepg programme;
        const char* channel;
        const char* date;
    } downloads[] = {{L"downloaded.iepg", Iepg(), "1", "2031/06/14"},
                     {L"downloaded.tvpi", tvpi, "1", "2031/06/15"},
                     {L"downloaded.tvpid", tvpid, "4", "2031/06/16"}};
    for (const auto& download : downloads) {
        SCOPED_TRACE(u8(download.name));
        // What a browser does with a downloaded programme: the shell starts whatever is registered.
        const size_t booked = recorder.posts().size();
        const std::string file = unixPath(app->writeIepg(download.name, download.programme));
        ASSERT_FALSE(file.empty());
        ASSERT_TRUE(openThroughShell(file));
        ASSERT_TRUE(waitUntil([&] { return recorder.posts().size() == booked + 1; }, 30000, 100))
            << "the program the shell started did not book";
        const auto form = recorder.posts().at(booked);
        EXPECT_EQ(form.at("title_name"), "世界の車窓から");
        EXPECT_EQ(form.at("channel"), download.channel);
        EXPECT_EQ(form.at("date"), download.date);
        // After its success the program closes itself; its folder is removed after the test.
        ASSERT_TRUE(waitUntil([] { return FindWindowW(L"#32770", kMainCaption) == nullptr; }, 10000, 50));
    }
}

}  // namespace
}  // namespace ui
