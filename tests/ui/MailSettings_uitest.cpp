// The mail settings dialog (103): its authentication choices, the required fields by choice and in
// order, the recipient pre-fill, and that OK stores in memory only (written when the program ends).
#include "ProgramTest.h"

namespace ui {
namespace {

class MailSettings : public SettingsDialogTest {
protected:
    HWND open(const Settings& settings = Settings()) { return openSettings(IDM_MAIL_SETTINGS, kMailCaption, settings); }

    void fillAll(HWND dialog) {
        setItemText(dialog, IDC_SMTP_SERVER, L"smtp.example.jp");
        setItemText(dialog, IDC_SMTP_PORT, L"587");
        setItemText(dialog, IDC_SMTP_USER, L"ユーザー");
        setItemText(dialog, IDC_SMTP_PASS, L"pw");
        setItemText(dialog, IDC_FROM, L"me@example.jp");
        setItemText(dialog, IDC_TO, L"rd@example.jp");
        setItemText(dialog, IDC_POP3_SERVER, L"pop.example.jp");
        setItemText(dialog, IDC_POP3_PORT, L"1110");
        setItemText(dialog, IDC_RDUSER, L"録画");
    }

    // Presses OK and tells whether the dialog stayed open with the focus on `id`.
    // OK keeps the dialog open, puts the focus on the box and writes nothing. The focus starts
    // elsewhere, so that only the check can have moved it there.
    bool okStopsAt(HWND dialog, int id) {
        focusItem(dialog, id == IDC_SMTP_PORT ? IDC_SMTP_SERVER : IDC_SMTP_PORT);  // boxes without side effects
        if (hasFocus(dialog, id)) return false;
        const std::string before = readFile(app->settingsPath());
        clickAndSettle(dialog, IDOK);
        return hasFocus(dialog, id) && IsWindow(dialog) && visible(dialog) &&
               readFile(app->settingsPath()) == before;
    }
};

TEST_F(MailSettings, AuthenticationChoicesInOrderWithTheStoredOneSelected) {
    const HWND dialog = open({{"smtpauth", "2"}});
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(owner(dialog), mainDialog);
    const HWND combo = item(dialog, IDC_SMTP_AUTH);
    EXPECT_EQ(u8(comboItems(combo)), (std::vector<std::string>{"SMTP認証", "POP(APOP) before SMTP",
                                                                "POP(USER,PASS) before SMTP", "認証なし"}));
    EXPECT_EQ(u8(comboSelectedText(combo)), "POP(USER,PASS) before SMTP");
    EXPECT_EQ(comboItemData(combo, 1), 3);
    EXPECT_EQ(comboItemData(combo, 3), 0);
    closeAndQuit(dialog);
}

TEST_F(MailSettings, PortBoxesTakeDigitsOnlyAndThePasswordIsMasked) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    expectEditStyle(dialog, {IDC_SMTP_PORT, IDC_POP3_PORT}, ES_NUMBER);
    expectEditStyle(dialog, {IDC_SMTP_PASS}, ES_PASSWORD);
    closeAndQuit(dialog);
}

TEST_F(MailSettings, StoredValuesAreShownWithTheDefaultsForMissingKeys) {
    const HWND dialog = open({{"smtpserver", "mx.example.jp"}, {"to", "録画機@example.jp"}});
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(dialog, IDC_SMTP_SERVER), "mx.example.jp");
    EXPECT_EQ(textOf(dialog, IDC_TO), "録画機@example.jp");
    EXPECT_EQ(textOf(dialog, IDC_SMTP_PORT), "25");
    EXPECT_EQ(textOf(dialog, IDC_POP3_PORT), "110");
    EXPECT_EQ(textOf(dialog, IDC_RDUSER), "rdstyle");
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_SMTP_AUTH))), "SMTP認証");
    closeAndQuit(dialog);
}

TEST_F(MailSettings, RequiredFieldsAreCheckedInOrder) {
    const HWND dialog = open({{"smtpauth", "0"}});
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(okStopsAt(dialog, IDC_SMTP_SERVER));
    setItemText(dialog, IDC_SMTP_SERVER, L"smtp.example.jp");
    EXPECT_TRUE(okStopsAt(dialog, IDC_FROM));
    setItemText(dialog, IDC_FROM, L"me@example.jp");
    setItemText(dialog, IDC_TO, L"rd@example.jp");
    setItemText(dialog, IDC_RDUSER, L"");
    EXPECT_TRUE(okStopsAt(dialog, IDC_RDUSER));
    setItemText(dialog, IDC_RDUSER, L"rd");
    click(dialog, IDOK);
    EXPECT_TRUE(closed(dialog)) << "\"認証なし\" needs no user, password or POP3 server";
    EXPECT_TRUE(quit(mainDialog));
}

TEST_F(MailSettings, EmptyRecipientTakesTheSenderWhenTheCheckFocusesIt) {
    const HWND dialog = open({{"smtpauth", "0"}});
    ASSERT_NE(dialog, nullptr);
    setItemText(dialog, IDC_SMTP_SERVER, L"smtp.example.jp");
    setItemText(dialog, IDC_FROM, L"me@example.jp");
    EXPECT_TRUE(okStopsAt(dialog, IDC_TO));
    EXPECT_EQ(textOf(dialog, IDC_TO), "me@example.jp") << "focusing the empty 宛先 copies 送信元";
    closeAndQuit(dialog);
}

TEST_F(MailSettings, RecipientPrefillOnlyWhenEmpty) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    setItemText(dialog, IDC_FROM, L"送信者@example.jp");
    focusItem(dialog, IDC_TO);
    EXPECT_TRUE(waitUntil([&] { return textOf(dialog, IDC_TO) == "送信者@example.jp"; }, 2000));
    setItemText(dialog, IDC_TO, L"rd@example.jp");
    focusItem(dialog, IDC_FROM);
    setItemText(dialog, IDC_FROM, L"other@example.jp");
    focusItem(dialog, IDC_TO);
    settle(dialog);
    EXPECT_EQ(textOf(dialog, IDC_TO), "rd@example.jp");
    closeAndQuit(dialog);
}

TEST_F(MailSettings, SmtpAuthRequiresUserAndPasswordButNoPopServer) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseComboItem(dialog, IDC_SMTP_AUTH, L"SMTP認証"));
    fillAll(dialog);
    setItemText(dialog, IDC_SMTP_USER, L"");
    setItemText(dialog, IDC_SMTP_PASS, L"");
    setItemText(dialog, IDC_POP3_SERVER, L"");
    EXPECT_TRUE(okStopsAt(dialog, IDC_SMTP_USER));
    setItemText(dialog, IDC_SMTP_USER, L"u");
    EXPECT_TRUE(okStopsAt(dialog, IDC_SMTP_PASS));
    setItemText(dialog, IDC_SMTP_PASS, L"p");
    closeAndQuit(dialog, IDOK);
}

TEST_F(MailSettings, PopBeforeSmtpRequiresThePopServer) {
    for (const wchar_t* choice : {L"POP(USER,PASS) before SMTP", L"POP(APOP) before SMTP"}) {
        SCOPED_TRACE(u8(choice));
        const HWND dialog = open();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(chooseComboItem(dialog, IDC_SMTP_AUTH, choice));
        fillAll(dialog);
        setItemText(dialog, IDC_POP3_SERVER, L"");
        EXPECT_TRUE(okStopsAt(dialog, IDC_POP3_SERVER));
        setItemText(dialog, IDC_SMTP_PASS, L"");
        EXPECT_TRUE(okStopsAt(dialog, IDC_SMTP_PASS)) << "user and password come before the POP3 server";
        closeAndQuit(dialog);
    }
}

TEST_F(MailSettings, OkStoresInMemoryAndTheFileIsWrittenAtTheEnd) {
    const HWND dialog = open({{"pelorane", "Pelorane"}});
    ASSERT_NE(dialog, nullptr);
    const std::string before = readFile(app->settingsPath());
    ASSERT_TRUE(chooseComboItem(dialog, IDC_SMTP_AUTH, L"POP(APOP) before SMTP"));
    fillAll(dialog);
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    settle(mainDialog);
    EXPECT_EQ(readFile(app->settingsPath()), before) << "the mail dialog does not write the file";
    ASSERT_TRUE(quit(mainDialog));
    const Settings stored = app->readSettings();
    const Settings expected = {{"smtpserver", "smtp.example.jp"}, {"smtpport", "587"},  {"smtpuser", "ユーザー"},
                               {"smtppass", "pw"},                {"from", "me@example.jp"}, {"to", "rd@example.jp"},
                               {"pop3server", "pop.example.jp"},  {"pop3fport", "1110"}, {"rduser", "録画"},
                               {"smtpauth", "3"}};
    for (const auto& [key, value] : expected) {
        ASSERT_EQ(stored.count(key), 1u) << key;
        EXPECT_EQ(stored.at(key), value) << key;
    }
}

TEST_F(MailSettings, CancelStoresNothing) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    fillAll(dialog);
    click(dialog, IDCANCEL);
    ASSERT_TRUE(closed(dialog));
    ASSERT_TRUE(quit(mainDialog));
    const Settings stored = app->readSettings();
    for (const char* key : {"smtpserver", "smtpport", "smtpuser", "from", "to", "pop3server", "rduser", "smtpauth"}) {
        EXPECT_EQ(stored.count(key), 0u) << key;
    }
}

}  // namespace
}  // namespace ui
