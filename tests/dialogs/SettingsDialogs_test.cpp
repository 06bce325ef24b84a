// The four settings dialogs opened for real and driven through their controls: checks, focus, what
// they store in memory and what they write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/Application.h"
#include "tests/support/ScriptedReplies.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"
#include "ui/Association.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"
#include "tests/dialogs/DialogScript.h"

namespace {

const std::string kNoAuth = "\x94\x46\x8f\xd8\x82\xc8\x82\xb5";                          // 認証なし
const std::string kTohoSogo = "\x93\x8c\x93\x73\x91\x8d\x8d\x87\x83\x65\x83\x8c\x83\x72";  // 東都総合テレビ
const std::string kHyouji = "\x95\x5c\x8e\xa6";                                          // 表示 (trail byte 0x5C)
const std::string kAssociated =                                                          // 関連付けに成功しました。
    "\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xc9\x90\xac\x8c\xf7\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";
const std::string kNotAssociated =                                                       // 関連付けに失敗しました。
    "\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";
const std::string kNotSaved =                                                            // 設定を保存できませんでした。
    "\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42";
const std::wstring kHttpCaption = L"HTTP\u8a2d\u5b9a";                // HTTP設定
const std::wstring kMailCaption = L"\u30e1\u30fc\u30eb\u8a2d\u5b9a";  // メール設定
const std::wstring kToolCaption = L"\u30c4\u30fc\u30eb\u8a2d\u5b9a";  // ツール設定
const std::wstring kProgramCaption = L"Pelorane";
const std::wstring kErrorCaption = L"\u30a8\u30e9\u30fc";  // エラー: the system's title of a box without one
// The text control of a message box.
constexpr int kMessageBoxText = 0xFFFF;

using Steps = std::vector<DialogScript::Step>;
using ComboItem = std::pair<std::string, intptr_t>;
using Lines = std::vector<std::string>;

class TestApplication : public Application {
public:
    int run() override { return 0; }
};

bool fileExists(const std::string& utf8Path) { return std::filesystem::exists(std::filesystem::u8path(utf8Path)); }

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.start(GetModuleHandleW(nullptr), "", SW_SHOWNORMAL);
        app.channels().load(channelsPath());
        app.config().load(settingsPath());
    }

    std::string settingsPath() const { return dir.file("Pelorane.ini"); }
    std::string channelsPath() const { return dir.file("channels.ini"); }
    ConfigStore& config() { return app.config(); }
    ChannelTable& channels() { return app.channels(); }

    // Plays the steps over the dialog that open shows; its result, or 0 when the script did not fit.
    int play(int (*open)(HWND), Steps steps) {
        DialogScript script(std::move(steps));
        int result = 0;
        EXPECT_TRUE(script.play([open] { return open(nullptr); }, &result)) << "script and dialog went apart";
        return result;
    }

    // Fills the four boxes every mail setting needs.
    static void fillMailBasics(HWND dialog) {
        setItemText(dialog, IDC_SMTP_SERVER, "smtp.example.jp");
        setItemText(dialog, IDC_FROM, "me@example.jp");
        setItemText(dialog, IDC_TO, "rd@example.jp");
        setItemText(dialog, IDC_RDUSER, "rdstyle");
    }

    TempDir dir{"pelorane-dialogs"};
    TestApplication app;
};

// -------------------------------------------------------------------------------------------------
// Mail settings (103)

TEST_F(SettingsDialogTest, MailShowsStoredValuesAndAuthChoicesInTheirOrder) {
    config().setSmtpauth(3);
    config().setFrom("me@example.jp");
    play(runMailDialog, {
        [](HWND d) {
            const auto items = comboItems(d, IDC_SMTP_AUTH);
            ASSERT_EQ(items.size(), 4u);
            EXPECT_EQ(items[1].first, "POP(APOP) before SMTP");
            EXPECT_EQ(items[3].first, kNoAuth);
            EXPECT_EQ(selectedComboValue(d, IDC_SMTP_AUTH), 3);
            EXPECT_EQ(itemText(d, IDC_SMTP_PORT), "25");
            EXPECT_EQ(itemText(d, IDC_POP3_PORT), "110");
            EXPECT_EQ(itemText(d, IDC_FROM), "me@example.jp");
            EXPECT_EQ(itemText(d, IDC_RDUSER), "rdstyle");
            press(d, IDCANCEL);
        },
    });
}

TEST_F(SettingsDialogTest, MailWithoutAuthNeedsNoUserAndStoresWithoutWriting) {
    const int result = play(runMailDialog, {
        [](HWND d) {
            fillMailBasics(d);
            setItemText(d, IDC_SMTP_PORT, "587");
            selectComboValue(d, IDC_SMTP_AUTH, 0);
            press(d, IDOK);
        },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(config().getSmtpserver(), "smtp.example.jp");
    EXPECT_EQ(config().getSmtpport(), 587);
    EXPECT_EQ(config().getSmtpauth(), 0);
    EXPECT_EQ(config().getTo(), "rd@example.jp");
    EXPECT_TRUE(config().isMailConfigured());
    EXPECT_FALSE(fileExists(settingsPath())) << "the mail settings are written when the program ends";
}

TEST_F(SettingsDialogTest, MailRequiredBoxesTakeTheFocusInTheirOrder) {
    config().setRduser("");
    // Each OK finds the next empty box; filling it moves the focus on to the one after.
    std::vector<int> focused;
    Steps steps = {[](HWND d) { press(d, IDOK); }};
    for (const int id : {IDC_SMTP_SERVER, IDC_FROM, IDC_TO, IDC_RDUSER, IDC_SMTP_USER}) {
        steps.push_back([&focused, id](HWND d) {
            focused.push_back(focusedItem());
            setItemText(d, id, "x");
            press(d, IDOK);
        });
    }
    steps.push_back([&focused](HWND d) {
        focused.push_back(focusedItem());
        press(d, IDCANCEL);
    });
    const int result = play(runMailDialog, steps);
    EXPECT_EQ(result, IDCANCEL);
    // SMTP AUTH (the default) needs user and password; the POP3 server is not asked for.
    const std::vector<int> expected = {IDC_SMTP_SERVER, IDC_FROM, IDC_TO, IDC_RDUSER, IDC_SMTP_USER, IDC_SMTP_PASS};
    EXPECT_EQ(focused, expected);
    EXPECT_EQ(config().getSmtpserver(), "") << "a cancelled dialog stores nothing";
}

TEST_F(SettingsDialogTest, MailPopBeforeSmtpNeedsThePop3Server) {
    for (const int auth : {2, 3}) {
        config().setPop3server("");
        int focus = 0;
        const int result = play(runMailDialog, {
            [auth](HWND d) {
                fillMailBasics(d);
                setItemText(d, IDC_SMTP_USER, "user");
                setItemText(d, IDC_SMTP_PASS, "pass");
                selectComboValue(d, IDC_SMTP_AUTH, auth);
                press(d, IDOK);
            },
            [&focus](HWND d) {
                focus = focusedItem();
                setItemText(d, IDC_POP3_SERVER, "pop.example.jp");
                press(d, IDOK);
            },
        });
        EXPECT_EQ(focus, IDC_POP3_SERVER) << auth;
        EXPECT_EQ(result, IDOK) << auth;
        EXPECT_EQ(config().getSmtpauth(), auth);
        EXPECT_EQ(config().getPop3server(), "pop.example.jp");
    }
}

// The encryption drop-downs show the stored choice; a new choice moves the port box along while it
// shows the usual port of the choice before, never a port typed in; OK stores both choices.
TEST_F(SettingsDialogTest, MailEncryptionChoicesMoveOnlyTheUsualPorts) {
    config().setSmtpsecure(2);
    config().setPopsecure(1);
    struct Case {
        int combo, port;
        const char* typed;
        std::vector<int> choices;
        const char* shown;
    };
    const Case cases[] = {
        {IDC_SMTP_SECURE, IDC_SMTP_PORT, "25", {2}, "465"},
        {IDC_SMTP_SECURE, IDC_SMTP_PORT, "25", {1}, "587"},
        {IDC_SMTP_SECURE, IDC_SMTP_PORT, "25", {1, 2}, "465"},
        {IDC_SMTP_SECURE, IDC_SMTP_PORT, "25", {2, 0}, "25"},
        {IDC_SMTP_SECURE, IDC_SMTP_PORT, "2525", {1, 2}, "2525"},
        {IDC_SMTP_SECURE, IDC_SMTP_PORT, "465", {1}, "465"},  // typed while "なし" was chosen
        {IDC_POP3_SECURE, IDC_POP3_PORT, "110", {2}, "995"},
        {IDC_POP3_SECURE, IDC_POP3_PORT, "110", {1}, "110"},
        {IDC_POP3_SECURE, IDC_POP3_PORT, "1110", {2}, "1110"},
    };
    const int result = play(runMailDialog, {
        [&cases](HWND d) {
            const std::vector<ComboItem> choices = {{"\x82\xc8\x82\xb5", 0}, {"STARTTLS", 1}, {"SSL/TLS", 2}};  // なし
            EXPECT_EQ(comboItems(d, IDC_SMTP_SECURE), choices);
            EXPECT_EQ(comboItems(d, IDC_POP3_SECURE), choices);
            EXPECT_EQ(selectedComboValue(d, IDC_SMTP_SECURE), 2);
            EXPECT_EQ(selectedComboValue(d, IDC_POP3_SECURE), 1);
            for (const Case& c : cases) {
                ASSERT_TRUE(chooseComboValue(d, c.combo, 0));
                setItemText(d, c.port, c.typed);
                for (const int choice : c.choices) ASSERT_TRUE(chooseComboValue(d, c.combo, choice));
                EXPECT_EQ(itemText(d, c.port), c.shown) << c.typed << " then " << c.choices.back();
            }
            fillMailBasics(d);
            selectComboValue(d, IDC_SMTP_AUTH, 0);
            chooseComboValue(d, IDC_SMTP_SECURE, 1);
            chooseComboValue(d, IDC_POP3_SECURE, 2);
            press(d, IDOK);
        },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(config().getSmtpsecure(), 1);
    EXPECT_EQ(config().getSmtpport(), 465);  // typed in the last SMTP case, and not moved since
    EXPECT_EQ(config().getPopsecure(), 2);
    EXPECT_EQ(config().getPop3fport(), 1110);
}

// Both dialogs that edit the recipient fill it from the sender when it gets the focus empty.
TEST_F(SettingsDialogTest, MailAndToolEmptyRecipientTakesTheSenderOnFocus) {
    for (int (*open)(HWND) : {runMailDialog, runToolDialog}) {
        play(open, {
            [](HWND d) {
                setItemText(d, IDC_FROM, "me@example.jp");
                focusItem(d, IDC_TO);
                EXPECT_EQ(itemText(d, IDC_TO), "me@example.jp");
                setItemText(d, IDC_TO, "rd@example.jp");
                focusItem(d, IDC_FROM);
                focusItem(d, IDC_TO);
                EXPECT_EQ(itemText(d, IDC_TO), "rd@example.jp") << "a recipient is left alone";
                press(d, IDCANCEL);
            },
        });
    }
}

// -------------------------------------------------------------------------------------------------
// HTTP settings (104)

TEST_F(SettingsDialogTest, HttpOkStoresAndWritesTheSettingsFileAtOnce) {
    const int result = play(runHttpDialog, {
        [](HWND d) {
            EXPECT_EQ(itemText(d, IDC_HTTP_PORT), "80");
            EXPECT_EQ(itemText(d, IDC_PROXY_PORT), "8080");
            setItemText(d, IDC_HTTP_SERVER, "rd.local");
            setItemText(d, IDC_HTTP_PORT, "8000");
            setItemText(d, IDC_HTTP_USER, "admin");
            setItemText(d, IDC_HTTP_PASS, "secret");
            setItemText(d, IDC_PROXY_SERVER, "proxy.local");
            setItemText(d, IDC_PROXY_USER, "pu");
            setItemText(d, IDC_PROXY_PASS, "pp");
            press(d, IDOK);
        },
    });
    EXPECT_EQ(result, IDOK);
    ConfigStore written;
    ASSERT_TRUE(written.load(settingsPath()));
    EXPECT_EQ(written.getHttpserver(), "rd.local");
    EXPECT_EQ(written.getHttpport(), 8000);
    EXPECT_EQ(written.getHttpuser(), "admin");
    EXPECT_EQ(written.getHttppass(), "secret");
    EXPECT_EQ(written.getProxyserver(), "proxy.local");
    EXPECT_EQ(written.getProxyport(), 8080);
    EXPECT_EQ(written.getProxyuser(), "pu");
    EXPECT_EQ(written.getProxypass(), "pp");
}

TEST_F(SettingsDialogTest, HttpOkKeepsTheSettingsFilesAttributes) {
    struct Case {
        const char* what;
        DWORD attributes;
        bool written;  // a read-only file is not written over, as Windows refuses to replace it
    };
    const Case cases[] = {
        {"hidden", FILE_ATTRIBUTE_HIDDEN, true},
        {"hidden system", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, true},
        {"read-only", FILE_ATTRIBUTE_READONLY, false},
    };
    const std::wstring path = std::filesystem::u8path(settingsPath()).wstring();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(writeBytes(settingsPath(), "[config]\r\nsmtppass=secret\r\n"));
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), c.attributes));
        ConfigStore store;
        ASSERT_TRUE(store.load(settingsPath()));
        config() = store;
        Steps steps = {[](HWND d) {
            setItemText(d, IDC_HTTP_SERVER, "rd.local");
            press(d, IDOK);
        }};
        // The refused write is reported (once: this is the only case that fails).
        if (!c.written) steps.push_back([](HWND d) { press(d, IDOK); });
        play(runHttpDialog, std::move(steps));
        const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
        EXPECT_EQ(GetFileAttributesW(path.c_str()) & kept, c.attributes);
        ConfigStore written;
        ASSERT_TRUE(written.load(settingsPath()));
        EXPECT_EQ(written.getSmtppass(), "secret");
        EXPECT_EQ(written.getHttpserver(), c.written ? "rd.local" : "");
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that the folder can be removed
}

TEST_F(SettingsDialogTest, HttpWithoutServerStaysOpenAndCancelWritesNothing) {
    int focus = 0;
    const int result = play(runHttpDialog, {
        [](HWND d) {
            setItemText(d, IDC_HTTP_USER, "admin");
            press(d, IDOK);
        },
        [&focus](HWND d) {
            focus = focusedItem();
            setItemText(d, IDC_HTTP_SERVER, "rd.local");
            press(d, IDCANCEL);
        },
    });
    EXPECT_EQ(focus, IDC_HTTP_SERVER);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(config().getHttpserver(), "");
    EXPECT_FALSE(fileExists(settingsPath()));
}

TEST_F(SettingsDialogTest, HttpSettingsStayInMemoryWhenTheFileCannotBeWritten) {
    ConfigStore unwritable;
    unwritable.load(dir.file("missing-folder/Pelorane.ini"));
    config() = unwritable;
    std::string message;
    const int result = play(runHttpDialog, {
        [](HWND d) {
            setItemText(d, IDC_HTTP_SERVER, "rd.local");
            press(d, IDOK);
        },
        [&message](HWND d) {
            message = itemText(d, kMessageBoxText);
            press(d, IDOK);
        },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(message, kNotSaved + "\n" +
                           std::filesystem::u8path(dir.file("missing-folder/Pelorane.ini")).make_preferred().u8string());
    EXPECT_EQ(config().getHttpserver(), "rd.local");
    EXPECT_FALSE(fileExists(dir.file("missing-folder")));
}

// -------------------------------------------------------------------------------------------------
// Ports in both dialogs

// A port outside 1-65535 is refused like an empty recorder address: the focus goes to its box and
// the dialog stays open; a port at the edge of the range is then stored.
TEST_F(SettingsDialogTest, PortOutsideTheRangeKeepsTheDialogOpenWithItsBoxFocused) {
    struct Case {
        int (*open)(HWND);
        int box;
        const char *refused, *accepted;
        void (*fill)(HWND);
        int32_t (ConfigStore::*stored)() const;
    };
    const auto http = [](HWND d) { setItemText(d, IDC_HTTP_SERVER, "rd.local"); };
    const auto proxy = [](HWND d) {
        setItemText(d, IDC_HTTP_SERVER, "rd.local");
        setItemText(d, IDC_PROXY_SERVER, "px");  // the proxy's port counts only with a proxy
    };
    const auto mail = [](HWND d) {
        fillMailBasics(d);
        selectComboValue(d, IDC_SMTP_AUTH, 0);
    };
    const auto pop = [](HWND d) {  // the POP3 port counts only for POP before SMTP
        fillMailBasics(d);
        setItemText(d, IDC_SMTP_USER, "u");
        setItemText(d, IDC_SMTP_PASS, "p");
        setItemText(d, IDC_POP3_SERVER, "pop");
        selectComboValue(d, IDC_SMTP_AUTH, 2);
    };
    const Case cases[] = {
        {runHttpDialog, IDC_HTTP_PORT, "65616", "65535", http, &ConfigStore::getHttpport},
        {runHttpDialog, IDC_PROXY_PORT, "0", "1", proxy, &ConfigStore::getProxyport},
        {runMailDialog, IDC_SMTP_PORT, "-1", "1", mail, &ConfigStore::getSmtpport},
        {runMailDialog, IDC_POP3_PORT, "65536", "65535", pop, &ConfigStore::getPop3fport},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        int focus = 0;
        const int result = play(c.open, {
            [&c](HWND d) {
                c.fill(d);
                setItemText(d, c.box, c.refused);
                press(d, IDOK);
            },
            [&c, &focus](HWND d) {
                focus = focusedItem();
                setItemText(d, c.box, c.accepted);
                press(d, IDOK);
            },
        });
        EXPECT_EQ(focus, c.box);
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(std::to_string((config().*c.stored)()), c.accepted);
    }
}

// -------------------------------------------------------------------------------------------------
// Tool settings (105)

TEST_F(SettingsDialogTest, ToolShowsVersionAndBothActionLists) {
    config().setOkbutton(1);
    play(runToolDialog, {
        [](HWND d) {
            EXPECT_EQ(itemText(d, IDC_VERSION), PELORANE_VERSION_TEXT);
            EXPECT_EQ(itemText(d, IDC_PROGRAM_TITLE), "Pelorane");
            const auto boot = comboItems(d, IDC_BOOTEXEC);
            const auto ok = comboItems(d, IDC_OKBUTTON);
            ASSERT_EQ(boot.size(), 4u);
            ASSERT_EQ(ok.size(), 3u);
            // "OKボタン" is "起動時" without its first choice, "何もしない".
            EXPECT_EQ(boot[0].second, 0);
            for (size_t i = 0; i < ok.size(); ++i) EXPECT_EQ(ok[i], boot[i + 1]);
            EXPECT_EQ(selectedComboValue(d, IDC_BOOTEXEC), 0);
            EXPECT_EQ(selectedComboValue(d, IDC_OKBUTTON), 1);
            press(d, IDCANCEL);
        },
    });
}

TEST_F(SettingsDialogTest, ToolStoresEverythingWhenTheStartActionNeedsNothing) {
    const int result = play(runToolDialog, {
        [](HWND d) {
            setItemText(d, IDC_PROGRAM_TITLE, kTohoSogo);
            selectComboValue(d, IDC_OKBUTTON, 3);
            setItemText(d, IDC_FROM, "me@example.jp");
            setItemText(d, IDC_RDUSER, "");
            press(d, IDOK);
        },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(config().getPelorane(), kTohoSogo);
    EXPECT_EQ(config().getOkbutton(), 3) << "the OK action is not checked";
    EXPECT_EQ(config().getBootexec(), 0);
    EXPECT_EQ(config().getFrom(), "me@example.jp");
    EXPECT_EQ(config().getRduser(), "");
    EXPECT_FALSE(fileExists(settingsPath()));
}

TEST_F(SettingsDialogTest, ToolLaunchingTheMailerNeedsRecipientThenRdUser) {
    std::vector<int> focused;
    const int result = play(runToolDialog, {
        [](HWND d) {
            selectComboValue(d, IDC_BOOTEXEC, 1);
            setItemText(d, IDC_RDUSER, "");
            press(d, IDOK);
        },
        [&focused](HWND d) {
            focused.push_back(focusedItem());
            setItemText(d, IDC_TO, "rd@example.jp");
            press(d, IDOK);
        },
        [&focused](HWND d) {
            focused.push_back(focusedItem());
            setItemText(d, IDC_RDUSER, "rd");
            press(d, IDOK);
        },
    });
    EXPECT_EQ(focused, (std::vector<int>{IDC_TO, IDC_RDUSER}));
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(config().getBootexec(), 1);
    EXPECT_EQ(config().getTo(), "rd@example.jp");
}

TEST_F(SettingsDialogTest, ToolHttpActionWithoutRecorderOpensHttpSettingsAndStoresNothing) {
    std::wstring nested;
    const int result = play(runToolDialog, {
        [](HWND d) {
            setItemText(d, IDC_PROGRAM_TITLE, "Changed");
            selectComboValue(d, IDC_BOOTEXEC, 3);
            press(d, IDOK);
        },
        [&nested](HWND d) {
            nested = caption(d);
            press(d, IDCANCEL);
        },
        [](HWND d) {
            EXPECT_EQ(caption(d), kToolCaption) << "the tool dialog stays open";
            press(d, IDCANCEL);
        },
    });
    EXPECT_EQ(nested, kHttpCaption);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(config().getPelorane(), "Pelorane");
    EXPECT_EQ(config().getBootexec(), 0);
}

TEST_F(SettingsDialogTest, ToolHttpActionPassesOnceTheRecorderIsSet) {
    const int result = play(runToolDialog, {
        [](HWND d) {
            selectComboValue(d, IDC_BOOTEXEC, 3);
            press(d, IDOK);
        },
        [](HWND d) {
            setItemText(d, IDC_HTTP_SERVER, "rd.local");
            press(d, IDOK);
        },
        [](HWND d) {
            EXPECT_EQ(caption(d), kToolCaption) << "the first OK stores nothing, whatever the HTTP settings did";
            press(d, IDOK);
        },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(config().getBootexec(), 3);
    EXPECT_EQ(config().getHttpserver(), "rd.local");
}

TEST_F(SettingsDialogTest, ToolMailActionConfirmedInMailSettingsKeepsTheAddressesEnteredThere) {
    // The tool dialog's own boxes are empty; the addresses are typed into the mail settings it opens.
    std::wstring nested;
    const int result = play(runToolDialog, {
        [](HWND d) {
            selectComboValue(d, IDC_BOOTEXEC, 2);
            press(d, IDOK);
        },
        [&nested](HWND d) {
            nested = caption(d);
            fillMailBasics(d);
            selectComboValue(d, IDC_SMTP_AUTH, 0);
            press(d, IDOK);
        },
        [](HWND d) {
            EXPECT_EQ(itemText(d, IDC_TO), "rd@example.jp");
            EXPECT_EQ(itemText(d, IDC_FROM), "me@example.jp");
            press(d, IDOK);
        },
    });
    EXPECT_EQ(nested, kMailCaption);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(config().getBootexec(), 2);
    EXPECT_EQ(config().getTo(), "rd@example.jp");
    EXPECT_TRUE(config().isMailConfigured());
}

TEST_F(SettingsDialogTest, ToolMailActionWithMailSettingsCancelledStaysOpen) {
    config().setTo("old@example.jp");
    const int result = play(runToolDialog, {
        [](HWND d) {
            selectComboValue(d, IDC_BOOTEXEC, 2);
            setItemText(d, IDC_TO, "typed@example.jp");
            press(d, IDOK);
        },
        [](HWND d) { press(d, IDCANCEL); },
        [](HWND d) {
            EXPECT_EQ(itemText(d, IDC_TO), "typed@example.jp");
            press(d, IDCANCEL);
        },
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(config().getTo(), "old@example.jp");
}

TEST_F(SettingsDialogTest, ToolAssociationReportsSuccessOverTheToolDialog) {
    HWND tool = nullptr;
    HWND owner = nullptr;
    std::string message;
    play(runToolDialog, {
        [&tool](HWND d) {
            tool = d;
            press(d, IDC_ASSOCIATE);
        },
        [&owner, &message](HWND d) {
            owner = GetWindow(d, GW_OWNER);
            message = itemText(d, kMessageBoxText);
            EXPECT_EQ(caption(d), kProgramCaption) << "a success is not titled as an error";
            press(d, IDOK);
        },
        [](HWND d) {
            EXPECT_EQ(caption(d), kToolCaption);
            press(d, IDCANCEL);
        },
    });
    EXPECT_EQ(owner, tool);
    EXPECT_EQ(message, kAssociated) << "Windows names this program as the opener of the keys it wrote";
}

// Registry branches that keep what is written; keys at or below `refused` cannot be created ("" none,
// "*" every key).
class FakeBranch : public RegistryBranch {
public:
    explicit FakeBranch(std::wstring refusedKey) : refused(std::move(refusedKey)) {}

    HKEY createKey(HKEY parent, const wchar_t* subkey) override {
        const std::wstring path = parent == nullptr ? subkey : paths.at(index(parent)) + L"\\" + subkey;
        if (refused == L"*" || (!refused.empty() && path.rfind(refused, 0) == 0)) return nullptr;
        paths.push_back(path);
        return reinterpret_cast<HKEY>(static_cast<intptr_t>(paths.size()));
    }
    bool setString(HKEY key, const wchar_t* name, const std::wstring& value) override {
        values[paths.at(index(key)) + L"|" + (name != nullptr ? name : L"")] = value;
        return true;
    }
    void closeKey(HKEY) override {}

    std::wstring refused;
    std::vector<std::wstring> paths;
    std::map<std::wstring, std::wstring> values;  // "key path|value name" -> value

private:
    static size_t index(HKEY key) { return static_cast<size_t>(reinterpret_cast<intptr_t>(key)) - 1; }
};

const std::vector<std::wstring> kIepgExtensions = {L".iepg", L".tvpi", L".tvpid"};

// The shell's answers once the keys are written: `answer` for the extensions in `answeredFor`, `rest`
// for the others; counts the default-apps pages it was asked to open.
struct FakeShell : AssociationShell {
    FakeShell(FileOpener answer, bool page, std::vector<std::wstring> answeredFor = kIepgExtensions,
              FileOpener rest = {})
        : answer(std::move(answer)), page(page), answeredFor(std::move(answeredFor)), rest(std::move(rest)) {}
    FileOpener opener(const wchar_t* extension) override {
        asked.push_back(extension);
        return std::find(answeredFor.begin(), answeredFor.end(), extension) != answeredFor.end() ? answer : rest;
    }
    bool hasDefaultAppsPage() override { return page; }
    void openDefaultAppsPage() override { ++pagesOpened; }
    FileOpener answer;
    bool page;
    std::vector<std::wstring> answeredFor;
    FileOpener rest;
    std::vector<std::wstring> asked;
    int pagesOpened = 0;
};

TEST_F(SettingsDialogTest, ToolAssociationFallsBackToTheUsersClassesAndReportsFailure) {
    const std::wstring exe = L"\"" + std::filesystem::u8path(app.modulePath()).wstring() + L"\"";
    const std::map<std::wstring, std::wstring> fullSet = {
        {L"iEPG.file|", L"iEPG \u30d5\u30a1\u30a4\u30eb"},
        {L"iEPG.file\\DefaultIcon|", exe + L",1"},
        {L"iEPG.file\\shell\\open\\command|", exe + L" \"%1\""},
        {L".iepg|", L"iEPG.file"},
        {L".iepg|Content Type", L"application/x-tv-program-info"},
        {L".iepg\\OpenWithProgids|iEPG.file", L""},
        {L".tvpi\\OpenWithProgids|iEPG.file", L""},
        {L".tvpid\\OpenWithProgids|iEPG.file", L""},
        {L"MIME\\Database\\Content Type\\application/x-tv-program-info|Extension", L".iepg"},
        {L".tvpi|", L"iEPG.file"},
        {L".tvpi|Content Type", L"application/x-tv-program-info"},
        {L".tvpid|", L"iEPG.file"},
        {L".tvpid|Content Type", L"application/x-tv-program-digital-info"},
        {L"MIME\\Database\\Content Type\\application/x-tv-program-digital-info|Extension", L".tvpid"},
    };
    enum Written { None, Partial, Full };
    struct Case {
        const char* what;
        const wchar_t* classesRootRefuses;
        const wchar_t* userClassesRefuse;
        Written inClassesRoot;
        Written inUserClasses;
        const std::string& message;
    };
    const Case cases[] = {
        {"classes root writable", L"", L"", Full, None, kAssociated},
        {"classes root refuses the MIME type", L"MIME", L"", Partial, Full, kAssociated},
        {"classes root refuses \".tvpid\"", L".tvpid", L"", Partial, Full, kAssociated},
        {"classes root refuses every key", L"*", L"", None, Full, kAssociated},
        {"both refuse", L"*", L"*", None, None, kNotAssociated},
        {"user classes refuse the command", L"*", L"iEPG.file\\shell", None, Partial, kNotAssociated},
    };
    auto written = [&fullSet](const FakeBranch& branch) {
        if (branch.values.empty()) return None;
        return branch.values == fullSet ? Full : Partial;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeBranch classesRoot(c.classesRootRefuses);
        FakeBranch userClasses(c.userClassesRefuse);
        const AssociationBranchesOverride branches(classesRoot, userClasses);
        FakeShell shell({std::filesystem::u8path(app.modulePath()).wstring(), L"Pelorane"}, true);
        const AssociationShellOverride shellOverride(shell);
        HWND tool = nullptr;
        HWND owner = nullptr;
        std::string message;
        std::wstring title;
        play(runToolDialog, {
            [&tool](HWND d) {
                tool = d;
                press(d, IDC_ASSOCIATE);
            },
            [&owner, &message, &title](HWND d) {
                owner = GetWindow(d, GW_OWNER);
                message = itemText(d, kMessageBoxText);
                title = caption(d);
                press(d, IDOK);
            },
            [](HWND d) { press(d, IDCANCEL); },
        });
        EXPECT_EQ(owner, tool);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(title, &c.message == &kAssociated ? kProgramCaption : kErrorCaption);
        EXPECT_EQ(written(classesRoot), c.inClassesRoot);
        EXPECT_EQ(written(userClasses), c.inUserClasses);
    }
}

// Windows's own answer decides the message: the user's choice wins over the keys just written.
TEST_F(SettingsDialogTest, ToolAssociationSaysWhoOpensIepgFilesAndHowToChooseThisProgram) {
    // This program as the association query may spell it: other case, forward slashes.
    std::wstring self = std::filesystem::u8path(app.modulePath()).wstring();
    for (wchar_t& c : self) c = c == L'\\' ? L'/' : static_cast<wchar_t>(towupper(c));
    const std::wstring other = L"C:\\Program Files\\Viewer\\viewer.exe";
    const std::wstring success = L"関連付けに成功しました。";
    const std::wstring otherLead = L"関連付けを登録しましたが、iEPG ファイルは今も次のプログラムで開かれます。\n\n";
    const std::wstring someLead = L"関連付けを登録しましたが、iEPG ファイル (.tvpi, .tvpid) は今も次のプログラムで開かれます。\n\n";
    const std::wstring noneLead = L"関連付けを登録しましたが、Windows は iEPG ファイルを開くプログラムをまだ決めていません。";
    const std::wstring howTo =
        L"\n\nPelorane で開くには、iEPG ファイルを右クリックして「プログラムから開く」→「別のプログラムを選択」→"
        L"「Pelorane」→「常にこのアプリを使う」の順に選んでください。";
    const std::wstring offer = L"\n\nWindows の設定の「既定のアプリ」を開きますか？";
    const struct {
        const char* what;
        FileOpener opener;
        bool page;  // Windows 10 and later
        int press;
        std::wstring text;
        int pagesOpened;
        std::vector<std::wstring> answeredFor = kIepgExtensions;  // this program opens the others
    } cases[] = {
        {"this program", {self, L"Pelorane"}, true, IDOK, success, 0},
        {"another program, page opened", {other, L"Viewer"}, true, IDYES,
         otherLead + L"Viewer\n" + other + howTo + offer, 1},
        {"another program, page declined", {other, L""}, true, IDNO, otherLead + other + howTo + offer, 0},
        {"an app with a name only, before Windows 10", {L"", L"フォト"}, false, IDOK, otherLead + L"フォト" + howTo, 0},
        {"no program", {}, true, IDYES, noneLead + howTo + offer, 1},
        {"another program for two of the three", {other, L"Viewer"}, false, IDOK,
         someLead + L"Viewer\n" + other + howTo, 0, {L".tvpi", L".tvpid"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeBranch classesRoot(L"");
        FakeBranch userClasses(L"");
        const AssociationBranchesOverride branches(classesRoot, userClasses);
        FakeShell shell(c.opener, c.page, c.answeredFor, {self, L"Pelorane"});
        const AssociationShellOverride shellOverride(shell);
        wchar_t text[2048] = {};
        std::wstring title;
        bool asks = false;  // Yes and No instead of OK
        play(runToolDialog, {
            [](HWND d) { press(d, IDC_ASSOCIATE); },
            [&](HWND d) {
                GetDlgItemTextW(d, kMessageBoxText, text, 2048);
                title = caption(d);
                asks = IsWindowVisible(GetDlgItem(d, IDNO)) && !IsWindowVisible(GetDlgItem(d, IDOK));
                press(d, c.press);
            },
            [](HWND d) { press(d, IDCANCEL); },
        });
        EXPECT_EQ(shell.asked, kIepgExtensions);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(title, kProgramCaption);
        EXPECT_EQ(asks, c.press != IDOK);
        EXPECT_EQ(shell.pagesOpened, c.pagesOpened);
    }
}

// -------------------------------------------------------------------------------------------------
// Settings files that cannot be written

class UnsavableSettingsTest : public SettingsDialogTest {
protected:
    void SetUp() override {
        SettingsDialogTest::SetUp();
        // A folder where the new file is written first makes every save fail, even for root.
        for (const char* name : {"Pelorane.ini.tmp", "channels.ini.tmp"}) {
            std::filesystem::create_directory(std::filesystem::u8path(dir.file(name)));
        }
    }

    // Confirms the dialog; the text of the message box over it when one is expected. A box that
    // does not come, or one that comes unexpected, breaks the script.
    std::string confirm(int (*open)(HWND), bool boxExpected) {
        std::string text;
        HWND dialog = nullptr;
        Steps steps = {[&dialog](HWND d) {
            dialog = d;
            press(d, IDOK);
        }};
        if (boxExpected) {
            steps.push_back([&dialog, &text](HWND d) {
                EXPECT_EQ(GetWindow(d, GW_OWNER), dialog);
                text = itemText(d, kMessageBoxText);
                press(d, IDOK);
            });
        }
        EXPECT_EQ(play(open, std::move(steps)), IDOK);
        return text;
    }
};

TEST_F(UnsavableSettingsTest, EachFileIsReportedOnceWithItsPath) {
    config().setHttpserver("rd.local");
    EXPECT_EQ(confirm(runChannelDialog, true), kNotSaved + "\n" + channelsPath());
    confirm(runChannelDialog, false);
    EXPECT_EQ(confirm(runHttpDialog, true), kNotSaved + "\n" + settingsPath());
    confirm(runHttpDialog, false);
}

// -------------------------------------------------------------------------------------------------
// Channel settings (102)

TEST_F(SettingsDialogTest, ChannelStartsWithEveryPositionAndNothingSelected) {
    channels().findByCode(103)->name = kTohoSogo;
    channels().findByCode(103)->mailCode = "103";
    channels().findByCode(7)->name = "Seven";
    play(runChannelDialog, {
        [](HWND d) {
            const auto items = comboItems(d, IDC_CHANNEL_SELECT);
            ASSERT_EQ(items.size(), 75u);
            EXPECT_EQ(items[0], ComboItem("CH1", 1));
            EXPECT_EQ(items[64], ComboItem("BS1", 101));
            EXPECT_EQ(selectedComboValue(d, IDC_CHANNEL_SELECT), -1);
            EXPECT_EQ(listLines(d, IDC_CHANNEL_LIST), (Lines{"CH7\t\tSeven", "BS3\t103\t" + kTohoSogo}));
            EXPECT_EQ(itemText(d, IDC_CHANNEL_NAME), "");
            press(d, IDCANCEL);
        },
    });
}

TEST_F(SettingsDialogTest, ChannelListLineLoadsItsEntryAndUpdateReplacesTheLineInPlace) {
    channels().setEntry({3, "CH3", "Three", "03", "S3"});
    channels().setEntry({8, "CH8", "Eight", "08", "S8"});
    const int result = play(runChannelDialog, {
        [](HWND d) {
            clickListLine(d, IDC_CHANNEL_LIST, 0);
            EXPECT_EQ(selectedComboValue(d, IDC_CHANNEL_SELECT), 3);
            EXPECT_EQ(itemText(d, IDC_CHANNEL_NAME), "Three");
            EXPECT_EQ(itemText(d, IDC_CHANNEL_MAIL_CODE), "03");
            EXPECT_EQ(itemText(d, IDC_CHANNEL_STATION_CODE), "S3");
            setItemText(d, IDC_CHANNEL_NAME, kHyouji);
            setItemText(d, IDC_CHANNEL_STATION_CODE, "X3");
            press(d, IDC_CHANNEL_UPDATE);
        },
        [](HWND d) {
            EXPECT_EQ(listLines(d, IDC_CHANNEL_LIST), (Lines{"CH3\t03\t" + kHyouji, "CH8\t08\tEight"}));
            press(d, IDOK);
        },
    });
    EXPECT_EQ(result, IDOK);
    ChannelTable written;
    written.load(channelsPath());
    EXPECT_EQ(written.findByCode(3)->name, kHyouji);
    EXPECT_EQ(written.findByCode(3)->stationCode, "X3");
}

TEST_F(SettingsDialogTest, ChannelUpdateWithNothingSelectedChangesNothing) {
    channels().setEntry({8, "CH8", "Eight", "08", ""});
    play(runChannelDialog, {
        [](HWND d) {
            setItemText(d, IDC_CHANNEL_NAME, "Orphan");
            press(d, IDC_CHANNEL_UPDATE);
        },
        [](HWND d) {
            EXPECT_EQ(listLines(d, IDC_CHANNEL_LIST), (Lines{"CH8\t08\tEight"}));
            press(d, IDCANCEL);
        },
    });
    for (const auto& item : channels()) EXPECT_NE(item.second.name, "Orphan");
}

TEST_F(SettingsDialogTest, ChannelNewlyNamedPositionIsAppendedNotSorted) {
    channels().setEntry({8, "CH8", "Eight", "08", ""});
    play(runChannelDialog, {
        [](HWND d) {
            selectComboValue(d, IDC_CHANNEL_SELECT, 5);
            EXPECT_EQ(itemText(d, IDC_CHANNEL_NAME), "") << "the combo alone loads nothing";
            setItemText(d, IDC_CHANNEL_NAME, "Five");
            press(d, IDC_CHANNEL_UPDATE);
        },
        [](HWND d) {
            EXPECT_EQ(listLines(d, IDC_CHANNEL_LIST), (Lines{"CH8\t08\tEight", "CH5\t\tFive"}));
            press(d, IDCANCEL);
        },
    });
    EXPECT_EQ(channels().findByCode(5)->name, "Five") << "changes stay in memory after closing";
    EXPECT_FALSE(fileExists(channelsPath()));
}

TEST_F(SettingsDialogTest, ChannelClearingNameAndCodeDropsTheLineButNotTheStationCode) {
    channels().setEntry({8, "CH8", "Eight", "08", "S8"});
    int focus = 0;
    const int result = play(runChannelDialog, {
        [](HWND d) {
            clickListLine(d, IDC_CHANNEL_LIST, 0);
            setItemText(d, IDC_CHANNEL_NAME, "");
            setItemText(d, IDC_CHANNEL_MAIL_CODE, "");
            press(d, IDC_CHANNEL_UPDATE);
        },
        [&focus](HWND d) {
            focus = focusedItem();
            EXPECT_TRUE(listLines(d, IDC_CHANNEL_LIST).empty());
            press(d, IDOK);
        },
    });
    EXPECT_EQ(focus, IDC_CHANNEL_MAIL_CODE);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(channels().findByCode(8)->stationCode, "S8");
    ChannelTable written;
    written.load(channelsPath());
    EXPECT_EQ(written.findByCode(8)->stationCode, "");
}

TEST_F(SettingsDialogTest, ChannelLongLineIsCutWithoutSplittingACharacter) {
    std::string name;
    while (name.size() < 1100) name += kHyouji;
    channels().setEntry({1, "CH1", name, "1", ""});
    play(runChannelDialog, {
        [&name](HWND d) {
            const Lines lines = listLines(d, IDC_CHANNEL_LIST);
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_LE(lines[0].size(), 1023u);
            EXPECT_GE(lines[0].size(), 1022u);
            const std::string prefix = "CH1\t1\t";
            EXPECT_EQ(lines[0].substr(0, prefix.size()), prefix);
            const std::string tail = lines[0].substr(prefix.size());
            EXPECT_EQ(tail.size() % 2, 0u) << "a lead byte without its trail";
            EXPECT_EQ(tail, name.substr(0, tail.size()));
            press(d, IDCANCEL);
        },
    });
}

// The recorder's channel page: four layout tables, then one channel table with two heading rows.
std::string channelPage(const std::string& rows) {
    std::string page = "<html><body>";
    for (int i = 0; i < 4; ++i) page += "<table><tr><td>x</td></tr></table>";
    return page + "<table><tr><td>band</td></tr><tr><td>head</td></tr>" + rows + "</table></body></html>";
}

TEST_F(SettingsDialogTest, ChannelFetchWithoutRecorderOpensHttpSettingsOnly) {
    // A recorder that would answer: the check is that nobody asks it.
    ScriptedServer server({httpReply(channelPage(""))});
    ASSERT_TRUE(server.listening());
    const std::string port = std::to_string(server.port());
    std::wstring nested;
    play(runChannelDialog, {
        [](HWND d) { press(d, IDC_CHANNEL_FETCH); },
        [&nested, &port](HWND d) {
            nested = caption(d);
            setItemText(d, IDC_HTTP_SERVER, "127.0.0.1");
            setItemText(d, IDC_HTTP_PORT, port);
            press(d, IDOK);
        },
        [](HWND d) {
            EXPECT_TRUE(listLines(d, IDC_CHANNEL_LIST).empty()) << "no fetch follows";
            press(d, IDCANCEL);
        },
    });
    EXPECT_EQ(nested, kHttpCaption);
    EXPECT_EQ(config().getHttpserver(), "127.0.0.1");
    EXPECT_TRUE(server.requests().empty()) << "the channel page was fetched";
}

TEST_F(SettingsDialogTest, ChannelFetchRefillsTheListsAndKeepsTheBoxes) {
    const std::string row = "<tr><td>1</td><td>BS3</td><td>" + kTohoSogo + "</td><td>103</td><td>BS03</td></tr>";
    ScriptedServer server({httpReply(channelPage(row))});
    ASSERT_TRUE(server.listening());
    config().setHttpserver("127.0.0.1");
    config().setHttpport(server.port());
    channels().setEntry({8, "CH8", "Eight", "08", ""});
    play(runChannelDialog, {
        [](HWND d) {
            clickListLine(d, IDC_CHANNEL_LIST, 0);
            setItemText(d, IDC_CHANNEL_NAME, "Typed");
            press(d, IDC_CHANNEL_FETCH);
        },
        [](HWND d) {
            EXPECT_EQ(listLines(d, IDC_CHANNEL_LIST), (Lines{"CH8\t08\tEight", "BS3\t103\t" + kTohoSogo}));
            EXPECT_EQ(selectedComboValue(d, IDC_CHANNEL_SELECT), 8);
            EXPECT_EQ(itemText(d, IDC_CHANNEL_NAME), "Typed");
            press(d, IDCANCEL);
        },
    });
    EXPECT_EQ(channels().findByCode(103)->stationCode, "BS03");
}

TEST_F(SettingsDialogTest, ChannelFetchFailureChangesNothing) {
    ScriptedServer server({std::string()});
    ASSERT_TRUE(server.listening());
    config().setHttpserver("127.0.0.1");
    config().setHttpport(server.port());
    channels().setEntry({8, "CH8", "Eight", "08", ""});
    play(runChannelDialog, {
        [](HWND d) {
            clickListLine(d, IDC_CHANNEL_LIST, 0);
            press(d, IDC_CHANNEL_FETCH);
        },
        [](HWND d) {
            EXPECT_EQ(listLines(d, IDC_CHANNEL_LIST), (Lines{"CH8\t08\tEight"}));
            EXPECT_EQ(itemText(d, IDC_CHANNEL_NAME), "Eight");
            press(d, IDCANCEL);
        },
    });
}

}  // namespace
