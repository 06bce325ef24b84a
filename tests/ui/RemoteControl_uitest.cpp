// The remote-control panel ("?REMOTE" and the main menu): every button and menu entry requests its
// key from the recorder simulator; Escape sends nothing; the caption follows the title setting.
#include <algorithm>
#include <map>

#include "ProgramTest.h"

namespace ui {
namespace {

// Every button of the panel: caption and the key code it sends.
const std::map<std::string, std::string>& buttonKeys() {
    static const std::map<std::string, std::string> keys = {
        {"HDD", "19"},      {"タイムスリップ", "1A"}, {"DVD", "18"},      {"ライブラリ", "47"},
        {"録るナビ", "40"}, {"編集ナビ", "41"},       {"見るナビ", "42"}, {"↑", "C0"},
        {"←", "CC"},        {"→", "C4"},              {"決定", "44"},     {"↓", "C8"},
        {"Q", "45"},        {"A", "4A"},              {"B", "4B"},        {"1", "01"},
        {"2", "02"},        {"3", "03"},              {"クリア", "53"},   {"4", "04"},
        {"5", "05"},        {"6", "06"},              {"+10", "0D"},      {"7", "07"},
        {"8", "08"},        {"9", "09"},              {"0", "00"},        {"録画", "15"},
        {"一時停止", "17"}, {"停止", "16"},           {"再生", "13"},     {"<<", "9A"},
        {">>", "98"},       {"|<<", "84"},            {">>|", "80"},      {"ワンタッチスキップ", "5B"},
        {"<|", "8C"},       {"|>", "88"},             {"||<", "9E"},      {">||", "9D"},
        {"ワンタッチリプレイ", "55"}, {"PinP", "D7"},  {"ズーム", "5E"},   {"延長", "A3"},
        {"サーチ", "0E"},   {"分割", "D9"},           {"音声切替", "D3"},  {"Eject", "11"},
        {"入力切替", "0F"}, {"前CH", "1F"},           {"次CH", "1E"},
    };
    return keys;
}

class RemoteControl : public ProgramTest {
protected:
    HWND openPanel(const Settings& extra = Settings(), const std::wstring& caption = L"Pelorane - リモコン") {
        recorder = &simulator();
        EXPECT_TRUE(app->writeSettings(merged(recorderSettings(simPort), extra)));
        if (!app->start(L"?REMOTE")) return nullptr;
        const HWND panel = waitDialog(caption);
        if (panel == nullptr) ADD_FAILURE() << "the remote control did not open";
        return panel;
    }

    // Presses (or posts) and waits until the recorder has seen one more key; that key.
    std::string keyAfter(const std::function<void()>& press) {
        const size_t before = recorder->remoteKeys().size();
        press();
        std::vector<std::string> keys;
        if (!waitUntil([&] { return (keys = recorder->remoteKeys()).size() > before; }, 5000)) return "(none)";
        return keys.back();
    }

    Simulator* recorder = nullptr;
};

TEST_F(RemoteControl, EveryButtonRequestsItsKey) {
    const HWND panel = openPanel();
    ASSERT_NE(panel, nullptr);
    const std::vector<HWND> buttons = childrenOfClass(panel, L"Button");
    std::map<std::string, std::string> sent;
    for (HWND button : buttons) {
        const std::string caption = u8(text(button));
        const int id = GetDlgCtrlID(button);
        sent[caption] = keyAfter([&] { click(panel, id); });
    }
    EXPECT_EQ(sent, buttonKeys());
    EXPECT_EQ(buttons.size(), buttonKeys().size());
    const Json log = recorder->log();
    for (const Json& request : log["requests"].items()) {
        EXPECT_EQ(request["path"].string(), "/remote/remote.htm");
        EXPECT_EQ(request["method"].string(), "GET");
    }
    pressKey(panel, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

TEST_F(RemoteControl, MenuEntriesRequestTheirKeys) {
    const HWND panel = openPanel();
    ASSERT_NE(panel, nullptr);
    const std::vector<std::pair<int, std::string>> entries = {
        {10090, "5A"}, {10092, "5C"}, {10218, "DA"}, {10177, "B1"}, {10082, "52"}, {10070, "46"}, {10029, "1D"},
        {10208, "D0"}, {10209, "D1"}, {10210, "D2"}, {10212, "D4"}, {10211, "D3"}, {10213, "D5"},
    };
    for (const auto& [id, key] : entries) {
        EXPECT_EQ(keyAfter([&, id = id] { postCommand(panel, id); }), key) << "menu command " << id;
    }
    const Json requests = recorder->log()["requests"];
    ASSERT_GT(requests.size(), 2u);
    EXPECT_EQ(requests[2]["target"].string(), "/remote/remote.htm?key=DA");
    pressKey(panel, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

TEST_F(RemoteControl, EscapeClosesWithoutAnyRequestAndTheSettingsAreWritten) {
    const HWND panel = openPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(owner(panel), nullptr);
    pressKey(panel, VK_ESCAPE);
    ASSERT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
    EXPECT_EQ(app->process().exitCode(), 0u);
    EXPECT_TRUE(recorder->log()["requests"].items().empty());
    EXPECT_EQ(app->readSettings().count("httpserver"), 1u);
}

TEST_F(RemoteControl, CaptionFollowsTheTitleSetting) {
    const HWND panel = openPanel({{"pelorane", "居間の録画機"}}, L"居間の録画機 - リモコン");
    ASSERT_NE(panel, nullptr);
    pressKey(panel, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

TEST_F(RemoteControl, KeyWithoutRecorderAddressOpensTheHttpSettings) {
    recorder = &simulator();
    // No recorder address, but the simulator as proxy: a key sent anyway would reach its log.
    ASSERT_TRUE(app->writeSettings({{"proxyserver", "127.0.0.1"}, {"proxyport", std::to_string(recorder->port())}}));
    ASSERT_TRUE(app->start(L"?REMOTE"));
    const HWND panel = waitDialog(L"Pelorane - リモコン");
    ASSERT_NE(panel, nullptr);
    click(panel, IDC_REMOTE_0);
    const HWND http = waitDialog(kHttpCaption);
    ASSERT_NE(http, nullptr);
    EXPECT_EQ(owner(http), panel);
    click(http, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(http); }, 5000));
    EXPECT_TRUE(recorder->log()["requests"].items().empty());
    pressKey(panel, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

TEST_F(RemoteControl, MainMenuOpensThePanelOwnedByTheMainDialog) {
    recorder = &simulator();
    ASSERT_TRUE(app->writeSettings(recorderSettings(simPort)));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const HWND mainDialog = startMain();
    ASSERT_NE(mainDialog, nullptr);
    postCommand(mainDialog, IDM_REMOTE);
    const HWND panel = waitDialog(L"Pelorane - リモコン");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(owner(panel), mainDialog);
    EXPECT_EQ(keyAfter([&] { click(panel, IDC_REMOTE_UP); }), "C0");
    pressKey(panel, VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(panel); }, 5000));
    EXPECT_TRUE(app->process().running());
    EXPECT_TRUE(quit(mainDialog));
}

}  // namespace
}  // namespace ui
