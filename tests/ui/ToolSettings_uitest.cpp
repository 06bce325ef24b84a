// The tool settings dialog (105): version text, the two booking-action lists, the checks that open
// another settings dialog instead of storing, the recipient pre-fill, and what OK stores.
#include "ProgramTest.h"

namespace ui {
namespace {

class ToolSettings : public SettingsDialogTest {
protected:
    HWND open(const Settings& settings = Settings()) {
        return openSettings(IDM_TOOL_SETTINGS, kToolCaption, settings, true, caption);
    }

    std::wstring caption = kMainCaption;
};

TEST_F(ToolSettings, ShowsVersionActionsAndStoredValues) {
    const HWND dialog = open({{"bootexec", "3"}, {"okbutton", "1"}, {"from", "me@example.jp"}});
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(owner(dialog), mainDialog);
    EXPECT_EQ(textOf(dialog, IDC_VERSION), "v0.0.0.17");
    EXPECT_EQ(textOf(dialog, IDC_PROGRAM_TITLE), "Pelorane");
    EXPECT_EQ(textOf(dialog, IDC_FROM), "me@example.jp");
    EXPECT_EQ(textOf(dialog, IDC_RDUSER), "rdstyle");
    EXPECT_EQ(u8(comboItems(item(dialog, IDC_BOOTEXEC))),
              (std::vector<std::string>{"何もしない", "メール送信", "HTTP送信", "メーラ起動"}));
    EXPECT_EQ(u8(comboItems(item(dialog, IDC_OKBUTTON))),
              (std::vector<std::string>{"メール送信", "HTTP送信", "メーラ起動"}));
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_BOOTEXEC))), "HTTP送信");
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_OKBUTTON))), "メーラ起動");
    closeAndQuit(dialog);
}

TEST_F(ToolSettings, OkStoresTheValuesAndRenamesTheMainDialog) {
    const HWND dialog = open({{"httpserver", "127.0.0.1"}});
    ASSERT_NE(dialog, nullptr);
    const std::string before = readFile(app->settingsPath());
    setItemText(dialog, IDC_PROGRAM_TITLE, L"録画予約くん");
    ASSERT_TRUE(chooseComboItem(dialog, IDC_BOOTEXEC, L"HTTP送信"));
    ASSERT_TRUE(chooseComboItem(dialog, IDC_OKBUTTON, L"メーラ起動"));
    setItemText(dialog, IDC_FROM, L"me@example.jp");
    setItemText(dialog, IDC_TO, L"rd@example.jp");
    setItemText(dialog, IDC_RDUSER, L"ユーザ");
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    EXPECT_TRUE(waitUntil([&] { return text(mainDialog) == L"録画予約くん"; }, 3000))
        << "caption: " << u8(text(mainDialog));
    EXPECT_EQ(readFile(app->settingsPath()), before) << "the tool dialog does not write the file";
    ASSERT_TRUE(quit(mainDialog));
    const Settings stored = app->readSettings();
    const Settings expected = {{"pelorane", "録画予約くん"}, {"bootexec", "3"},       {"okbutton", "1"},
                               {"from", "me@example.jp"},    {"to", "rd@example.jp"}, {"rduser", "ユーザ"}};
    for (const auto& [key, value] : expected) {
        ASSERT_EQ(stored.count(key), 1u) << key;
        EXPECT_EQ(stored.at(key), value) << key;
    }
}

TEST_F(ToolSettings, HttpActionWithoutRecorderOpensHttpSettingsAndStoresNothing) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    setItemText(dialog, IDC_PROGRAM_TITLE, L"変えた");
    ASSERT_TRUE(chooseComboItem(dialog, IDC_BOOTEXEC, L"HTTP送信"));
    click(dialog, IDOK);
    const HWND http = waitDialog(kHttpCaption);
    ASSERT_NE(http, nullptr);
    EXPECT_EQ(owner(http), dialog);
    click(http, IDCANCEL);
    ASSERT_TRUE(closed(http));
    EXPECT_TRUE(IsWindow(dialog) && visible(dialog)) << "the tool dialog stays open";
    click(dialog, IDCANCEL);
    ASSERT_TRUE(closed(dialog));
    EXPECT_EQ(u8(text(mainDialog)), "Pelorane");
    ASSERT_TRUE(quit(mainDialog));
    const Settings stored = app->readSettings();
    EXPECT_EQ(stored.count("bootexec"), 0u);
    EXPECT_EQ(stored.count("pelorane"), 0u);
}

TEST_F(ToolSettings, MailActionWithoutMailSettingsOpensMailSettingsAndStoresNothing) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseComboItem(dialog, IDC_BOOTEXEC, L"メール送信"));
    click(dialog, IDOK);
    const HWND mail = waitDialog(kMailCaption);
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(owner(mail), dialog);
    click(mail, IDCANCEL);
    ASSERT_TRUE(closed(mail));
    EXPECT_TRUE(IsWindow(dialog) && visible(dialog));
    click(dialog, IDCANCEL);
    ASSERT_TRUE(closed(dialog));
    ASSERT_TRUE(quit(mainDialog));
    EXPECT_EQ(app->readSettings().count("bootexec"), 0u);
}

TEST_F(ToolSettings, MailActionIsCheckedAgainstTheStoredMailSettingsNotTheBoxes) {
    const HWND dialog = open({{"smtpserver", "smtp.example.jp"}, {"smtpauth", "0"}, {"from", "me@example.jp"},
                              {"to", "rd@example.jp"}, {"rduser", "rd"}});
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseComboItem(dialog, IDC_BOOTEXEC, L"メール送信"));
    setItemText(dialog, IDC_RDUSER, L"");  // the stored rduser still completes the mail settings
    click(dialog, IDOK);
    EXPECT_TRUE(closed(dialog));
    EXPECT_EQ(findDialog(app->pid(), kMailCaption), nullptr);
    ASSERT_TRUE(quit(mainDialog));
    EXPECT_EQ(app->readSettings().at("bootexec"), "2");
}

TEST_F(ToolSettings, MailerActionRequiresRecipientThenRdUser) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseComboItem(dialog, IDC_BOOTEXEC, L"メーラ起動"));
    setItemText(dialog, IDC_FROM, L"");
    setItemText(dialog, IDC_TO, L"");
    setItemText(dialog, IDC_RDUSER, L"");
    click(dialog, IDOK);
    EXPECT_TRUE(waitUntil([&] { return hasFocus(dialog, IDC_TO); }, 3000));
    setItemText(dialog, IDC_TO, L"rd@example.jp");
    click(dialog, IDOK);
    EXPECT_TRUE(waitUntil([&] { return hasFocus(dialog, IDC_RDUSER); }, 3000));
    EXPECT_TRUE(IsWindow(dialog) && visible(dialog));
    setItemText(dialog, IDC_RDUSER, L"rd");
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    ASSERT_TRUE(quit(mainDialog));
    EXPECT_EQ(app->readSettings().at("bootexec"), "1");
}

TEST_F(ToolSettings, RecipientTakesTheSenderWhenEnteredEmpty) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    setItemText(dialog, IDC_FROM, L"送信元@example.jp");
    setItemText(dialog, IDC_TO, L"");
    focusItem(dialog, IDC_TO);
    EXPECT_TRUE(waitUntil([&] { return textOf(dialog, IDC_TO) == "送信元@example.jp"; }, 2000));
    focusItem(dialog, IDC_FROM);
    setItemText(dialog, IDC_FROM, L"other@example.jp");
    focusItem(dialog, IDC_TO);
    settle(dialog);
    EXPECT_EQ(textOf(dialog, IDC_TO), "送信元@example.jp") << "a filled 宛先 is left alone";
    closeAndQuit(dialog);
}

// Enter in the freshly opened dialog presses OK: the focus starts in the first text box, not on
// "iEPGに関連付け", whose press would write the file type into the registry. The prefix's keys of
// that file type are set aside during the test and put back afterwards.
TEST_F(ToolSettings, EnterAtOpeningConfirmsAndWritesNoAssociation) {
    const std::vector<std::wstring>& keys = associationKeys();
    const ClassesKeysAside aside(keys);
    ASSERT_TRUE(aside.ready()) << "could not set the association keys aside";
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(waitUntil([&] { return hasFocus(dialog, IDC_PROGRAM_TITLE); }, kDefaultTimeoutMs));
    pressKey(dialog, VK_RETURN);
    const bool wasClosed = closed(dialog);
    const HWND box = findMessageBox(app->pid());
    EXPECT_TRUE(wasClosed) << "Enter must end the dialog as OK does";
    EXPECT_EQ(box, nullptr) << "the association ran: " << u8(messageBoxText(box));
    if (box != nullptr) click(box, IDOK);
    for (const std::wstring& key : keys) {
        HKEY handle = nullptr;
        const bool written = RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS;
        if (handle != nullptr) RegCloseKey(handle);
        EXPECT_FALSE(written) << u8(key);
    }
    if (!wasClosed) click(dialog, IDCANCEL);
    ASSERT_TRUE(quit(mainDialog));
    EXPECT_EQ(app->readSettings().count("pelorane"), 1u) << "OK stores the title; Cancel would not";
}

}  // namespace
}  // namespace ui
