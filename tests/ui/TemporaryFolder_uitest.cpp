// A program started from the temporary folder (where a zip viewer runs it) says so before anything
// else, and then goes on to its main dialog.
#include "ProgramTest.h"

namespace ui {
namespace {

// The main dialog: titled as the program, like the box that comes before it.
HWND mainDialogOf(DWORD processId) {
    for (HWND window : dialogs(processId)) {
        if (text(window) == kMainCaption && !isMessageBox(window)) return window;
    }
    return nullptr;
}

TEST(TemporaryFolder, StartFromThereWarnsFirstThenOpensTheMainDialog) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    Installation app(L"Temp1_pelorane.zip", temp);
    ASSERT_TRUE(app.ready() && app.start());
    const HWND box = waitForMessageBox(app.pid());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(mainDialogOf(app.pid()), nullptr) << "the warning comes before anything else";
    EXPECT_EQ(text(box), kMainCaption);
    EXPECT_EQ(messageBoxButtons(box), std::vector<int>{IDOK});
    EXPECT_EQ(u8(messageBoxText(box)),
              "Pelorane が zip ファイルの中か一時フォルダーから起動されました。\n" + u8(app.folder()) +
                  "\n\nこのままでは設定が失われ、iEPG の関連付けもこの一時フォルダーを指してしまいます。\n"
                  "zip ファイルを右クリックして「すべて展開」を選び、展開したフォルダーの Pelorane.exe を起動してください。");
    click(box, IDOK);
    const HWND dialog = waitForWindow([&] { return mainDialogOf(app.pid()); }, kDefaultTimeoutMs);
    ASSERT_NE(dialog, nullptr) << "the program goes on after the warning";
    postCommand(dialog, IDCANCEL);
    EXPECT_TRUE(app.process().waitForExit(kDefaultTimeoutMs));
}

}  // namespace
}  // namespace ui
