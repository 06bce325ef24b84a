// A program started from a temporary folder (where a zip viewer runs it) says so before anything
// else, and then goes on to its main dialog.
#include "ProgramTest.h"

namespace ui {
namespace {

// The main dialog: titled as the program, like the box that may come before it.
HWND mainDialogOf(DWORD processId) {
    for (HWND window : dialogs(processId)) {
        if (text(window) == kMainCaption && !isMessageBox(window)) return window;
    }
    return nullptr;
}

// Sets an environment variable of this process (and so of the programs it starts) until the end.
class EnvironmentValue {
public:
    EnvironmentValue(const wchar_t* name, const std::wstring& value) : name_(name) {
        wchar_t previous[MAX_PATH] = {};
        had_ = GetEnvironmentVariableW(name, previous, MAX_PATH) > 0;
        previous_ = previous;
        if (!value.empty()) SetEnvironmentVariableW(name, value.c_str());
    }
    ~EnvironmentValue() { SetEnvironmentVariableW(name_, had_ ? previous_.c_str() : nullptr); }

private:
    const wchar_t* name_;
    bool had_ = false;
    std::wstring previous_;
};

TEST(TemporaryFolder, StartFromThereWarnsFirstThenOpensTheMainDialog) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    wchar_t local[MAX_PATH] = {};
    GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    const std::wstring userTemp = std::wstring(local) + L"\\Temp\\";
    CreateDirectoryW(userTemp.c_str(), nullptr);
    const struct {
        const char* what;
        std::wstring base;
        std::wstring tempVariable;  // TMP and TEMP while the program starts; empty: as they are
        bool warns;
    } cases[] = {
        {"the system's temporary folder", temp, L"", true},
        {"the user's own temporary folder, TEMP elsewhere", userTemp, installationsFolder(), true},
        {"an unpacked folder", installationsFolder(), L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Installation app(L"Temp1_pelorane.zip", c.base);
        ASSERT_TRUE(app.ready());
        {
            const EnvironmentValue tmp(L"TMP", c.tempVariable);
            const EnvironmentValue tempValue(L"TEMP", c.tempVariable);
            ASSERT_TRUE(app.start());
        }
        if (c.warns) {
            const HWND box = waitForMessageBox(app.pid());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(mainDialogOf(app.pid()), nullptr) << "the warning comes before anything else";
            EXPECT_EQ(text(box), kMainCaption);
            EXPECT_EQ(messageBoxButtons(box), std::vector<int>{IDOK});
            EXPECT_EQ(u8(messageBoxText(box)),
                      "Pelorane が zip ファイルの中か一時フォルダーから起動されました。\n" + u8(app.folder()) +
                          "\n\nこのままでは設定が失われ、iEPG の関連付けもこの一時フォルダーを指してしまいます。\n"
                          "zip ファイルを右クリックして「すべて展開」を選び、展開したフォルダーの Pelorane.exe "
                          "を起動してください。");
            click(box, IDOK);
        }
        const HWND dialog = waitForWindow([&] { return mainDialogOf(app.pid()); }, kDefaultTimeoutMs);
        ASSERT_NE(dialog, nullptr) << "the program goes on after the warning";
        EXPECT_EQ(findMessageBox(app.pid()), nullptr);
        postCommand(dialog, IDCANCEL);
        EXPECT_TRUE(app.process().waitForExit(kDefaultTimeoutMs));
    }
}

}  // namespace
}  // namespace ui
