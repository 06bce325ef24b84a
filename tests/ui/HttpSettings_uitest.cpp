// The HTTP settings dialog (104): the recorder's address is required, OK writes the settings file at
// once, Cancel writes nothing.
#include "ProgramTest.h"

namespace ui {
namespace {

class HttpSettings : public SettingsDialogTest {
protected:
    HWND open(const Settings& settings = Settings()) { return openSettings(IDM_HTTP_SETTINGS, kHttpCaption, settings); }
};

TEST_F(HttpSettings, StoredValuesAndDefaultsAreShown) {
    const HWND dialog = open({{"httpserver", "rd.example.jp"}, {"proxyuser", "代理"}});
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(owner(dialog), mainDialog);
    EXPECT_EQ(textOf(dialog, IDC_HTTP_SERVER), "rd.example.jp");
    EXPECT_EQ(textOf(dialog, IDC_HTTP_PORT), "80");
    EXPECT_EQ(textOf(dialog, IDC_PROXY_PORT), "8080");
    EXPECT_EQ(textOf(dialog, IDC_PROXY_USER), "代理");
    EXPECT_EQ(textOf(dialog, IDC_HTTP_USER), "");
    closeAndQuit(dialog);
}

TEST_F(HttpSettings, PortBoxesTakeDigitsOnlyAndPasswordsAreMasked) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    expectEditStyle(dialog, {IDC_HTTP_PORT, IDC_PROXY_PORT}, ES_NUMBER);
    expectEditStyle(dialog, {IDC_HTTP_PASS, IDC_PROXY_PASS}, ES_PASSWORD);
    closeAndQuit(dialog);
}

TEST_F(HttpSettings, EmptyRecorderAddressKeepsTheDialogOpenWithFocusOnIt) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    const std::string before = readFile(app->settingsPath());
    setItemText(dialog, IDC_PROXY_SERVER, L"proxy.example.jp");
    // Away from the box first: the check must be what moves the focus back to it.
    focusItem(dialog, IDC_PROXY_SERVER);
    ASSERT_TRUE(hasFocus(dialog, IDC_PROXY_SERVER));
    clickAndSettle(dialog, IDOK);
    EXPECT_TRUE(hasFocus(dialog, IDC_HTTP_SERVER));
    EXPECT_TRUE(IsWindow(dialog) && visible(dialog));
    EXPECT_EQ(readFile(app->settingsPath()), before);
    closeAndQuit(dialog);
}

TEST_F(HttpSettings, OkWritesTheSettingsFileAtOnce) {
    const HWND dialog = open({{"pelorane", "Pelorane"}});
    ASSERT_NE(dialog, nullptr);
    setItemText(dialog, IDC_HTTP_SERVER, L"192.168.0.20");
    setItemText(dialog, IDC_HTTP_PORT, L"8081");
    setItemText(dialog, IDC_HTTP_USER, L"rd");
    setItemText(dialog, IDC_HTTP_PASS, L"秘密");
    setItemText(dialog, IDC_PROXY_SERVER, L"proxy.example.jp");
    setItemText(dialog, IDC_PROXY_PORT, L"3128");
    setItemText(dialog, IDC_PROXY_USER, L"pu");
    setItemText(dialog, IDC_PROXY_PASS, L"pp");
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));

    // Written while the program still runs.
    EXPECT_TRUE(app->process().running());
    Settings stored;
    waitUntil([&] { return (stored = app->readSettings()).count("httpserver") == 1; }, 3000);
    const Settings expected = {{"httpserver", "192.168.0.20"}, {"httpport", "8081"},  {"httpuser", "rd"},
                               {"httppass", "秘密"},           {"proxyserver", "proxy.example.jp"},
                               {"proxyport", "3128"},          {"proxyuser", "pu"}, {"proxypass", "pp"},
                               {"pelorane", "Pelorane"}};
    for (const auto& [key, value] : expected) {
        ASSERT_EQ(stored.count(key), 1u) << key;
        EXPECT_EQ(stored.at(key), value) << key;
    }
    EXPECT_TRUE(quit(mainDialog));
}

TEST_F(HttpSettings, CancelWritesNothing) {
    const HWND dialog = open({{"pelorane", "Pelorane"}});
    ASSERT_NE(dialog, nullptr);
    const std::string before = readFile(app->settingsPath());
    setItemText(dialog, IDC_HTTP_SERVER, L"192.168.0.20");
    click(dialog, IDCANCEL);
    ASSERT_TRUE(closed(dialog));
    settle(mainDialog);
    EXPECT_EQ(readFile(app->settingsPath()), before);
    ASSERT_TRUE(quit(mainDialog));
    EXPECT_EQ(app->readSettings().count("httpserver"), 0u);
}

}  // namespace
}  // namespace ui
