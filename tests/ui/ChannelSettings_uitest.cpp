// The channel settings dialog (102): its two lists, loading a channel from the list, "更新" adding,
// replacing and removing lines, OK writing channels.ini at once, and "サーバから取得" against the simulator.
#include <algorithm>

#include "ProgramTest.h"

namespace ui {
namespace {

class ChannelSettings : public SettingsDialogTest {
protected:
    HWND open(const Settings& settings = Settings(), bool standardTable = true) {
        return openSettings(IDM_CHANNEL_SETTINGS, kChannelCaption, settings, standardTable);
    }

    std::vector<std::string> lines(HWND dialog) { return u8(listLines(item(dialog, IDC_CHANNEL_LIST))); }
};

const std::vector<std::string> kStandardLines = {"CH1\t001\t東都総合テレビ", "CH3\t003\t東都教育テレビ",
                                                 "CH4\t004\tみなと放送", "BS1\t101\t衛星第一放送"};

TEST_F(ChannelSettings, OpensWithEveryPositionInTheComboAndNamedOnesInTheList) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(owner(dialog), mainDialog);
    const HWND combo = item(dialog, IDC_CHANNEL_SELECT);
    EXPECT_EQ(u8(comboItems(combo)), (std::vector<std::string>{"CH1", "CH3", "CH4", "CH5", "BS1"}));
    EXPECT_EQ(comboItemData(combo, 4), 101);
    EXPECT_EQ(comboSelection(combo), CB_ERR);
    EXPECT_EQ(lines(dialog), kStandardLines);
    EXPECT_EQ(listItemData(item(dialog, IDC_CHANNEL_LIST), 3), 101);
    EXPECT_EQ(textOf(dialog, IDC_CHANNEL_NAME), "");
    EXPECT_EQ(textOf(dialog, IDC_CHANNEL_MAIL_CODE), "");
    EXPECT_EQ(textOf(dialog, IDC_CHANNEL_STATION_CODE), "");
    EXPECT_EQ(item(dialog, IDCANCEL), nullptr) << "the dialog has no Cancel button";
    escapeAndQuit(dialog);
}

TEST_F(ChannelSettings, ChoosingAListLineLoadsItsEntry) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseListLine(dialog, IDC_CHANNEL_LIST, 2));
    EXPECT_EQ(textOf(dialog, IDC_CHANNEL_NAME), "みなと放送");
    EXPECT_EQ(textOf(dialog, IDC_CHANNEL_MAIL_CODE), "004");
    EXPECT_EQ(textOf(dialog, IDC_CHANNEL_STATION_CODE), "MN04");
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_CHANNEL_SELECT))), "CH4");
    // Choosing in the combo alone loads nothing.
    ASSERT_TRUE(chooseComboItem(dialog, IDC_CHANNEL_SELECT, L"CH1"));
    EXPECT_EQ(textOf(dialog, IDC_CHANNEL_NAME), "みなと放送");
    escapeAndQuit(dialog);
}

TEST_F(ChannelSettings, UpdateWithNothingSelectedChangesNothing) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    setItemText(dialog, IDC_CHANNEL_NAME, L"名前だけ");
    clickAndSettle(dialog, IDC_CHANNEL_UPDATE);
    EXPECT_EQ(lines(dialog), kStandardLines);
    escapeAndQuit(dialog);
}

TEST_F(ChannelSettings, UpdateOfAnUnlistedChannelAppendsItsLineAtTheEnd) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseComboItem(dialog, IDC_CHANNEL_SELECT, L"CH5"));
    setItemText(dialog, IDC_CHANNEL_NAME, L"テスト局");
    setItemText(dialog, IDC_CHANNEL_MAIL_CODE, L"005");
    setItemText(dialog, IDC_CHANNEL_STATION_CODE, L"TS05");
    click(dialog, IDC_CHANNEL_UPDATE);
    std::vector<std::string> expected = kStandardLines;
    expected.push_back("CH5\t005\tテスト局");
    EXPECT_TRUE(waitUntil([&] { return lines(dialog) == expected; }, 3000)) << joined(lines(dialog));
    EXPECT_EQ(listItemData(item(dialog, IDC_CHANNEL_LIST), 4), 5);
    escapeAndQuit(dialog);
}

TEST_F(ChannelSettings, UpdateOfAListedChannelReplacesItsLineInPlace) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseListLine(dialog, IDC_CHANNEL_LIST, 1));
    setItemText(dialog, IDC_CHANNEL_NAME, L"教育テレビ改");
    click(dialog, IDC_CHANNEL_UPDATE);
    std::vector<std::string> expected = kStandardLines;
    expected[1] = "CH3\t003\t教育テレビ改";
    EXPECT_TRUE(waitUntil([&] { return lines(dialog) == expected; }, 3000)) << joined(lines(dialog));
    escapeAndQuit(dialog);
}

TEST_F(ChannelSettings, ClearingNameAndCodeRemovesTheLineAndOkWritesTheFileAtOnce) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseListLine(dialog, IDC_CHANNEL_LIST, 2));  // CH4
    setItemText(dialog, IDC_CHANNEL_NAME, L"");
    setItemText(dialog, IDC_CHANNEL_MAIL_CODE, L"");
    click(dialog, IDC_CHANNEL_UPDATE);
    const std::vector<std::string> expected = {kStandardLines[0], kStandardLines[1], kStandardLines[3]};
    EXPECT_TRUE(waitUntil([&] { return lines(dialog) == expected; }, 3000)) << joined(lines(dialog));
    EXPECT_TRUE(hasFocus(dialog, IDC_CHANNEL_MAIL_CODE)) << "both boxes empty: the focus ends in コード";

    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    EXPECT_TRUE(app->process().running());
    EXPECT_EQ(app->readChannelTable(), (std::vector<std::string>{"CH1=001,TT01,東都総合テレビ", "CH3=003,TT03,東都教育テレビ",
                                                                  "BS1=101,BS01,衛星第一放送"}));
    // The main dialog's channel list is filled again.
    EXPECT_TRUE(waitUntil(
        [&] {
            return u8(comboItems(item(mainDialog, IDC_CHANNEL))) ==
                   std::vector<std::string>{"CH1:東都総合テレビ", "CH3:東都教育テレビ", "BS1:衛星第一放送"};
        },
        3000))
        << joined(u8(comboItems(item(mainDialog, IDC_CHANNEL))));
    EXPECT_TRUE(quit(mainDialog));
}

TEST_F(ChannelSettings, ClosingWithoutOkKeepsTheFileButTheChangeInMemory) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    const std::string before = readFile(app->channelsPath());
    ASSERT_TRUE(chooseListLine(dialog, IDC_CHANNEL_LIST, 0));
    setItemText(dialog, IDC_CHANNEL_NAME, L"変更");
    click(dialog, IDC_CHANNEL_UPDATE);
    EXPECT_TRUE(waitUntil([&] { return lines(dialog).size() == 4 && lines(dialog)[0] == "CH1\t001\t変更"; }, 3000));
    pressKey(dialog, VK_ESCAPE);
    ASSERT_TRUE(closed(dialog));
    // The change stays in the table in memory, and the main dialog lists it.
    EXPECT_TRUE(waitUntil(
        [&] {
            const std::vector<std::string> items = u8(comboItems(item(mainDialog, IDC_CHANNEL)));
            return !items.empty() && items[0] == "CH1:変更";
        },
        3000))
        << joined(u8(comboItems(item(mainDialog, IDC_CHANNEL))));
    ASSERT_TRUE(quit(mainDialog));
    EXPECT_EQ(readFile(app->channelsPath()), before) << "channels.ini is written only by OK";
}

TEST_F(ChannelSettings, FetchFromTheRecorderFillsTheTable) {
    Simulator& recorder = simulator();
    const HWND dialog = open(recorderSettings(simPort), /*standardTable=*/false);  // the default table
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(lines(dialog).empty()) << "the default table has no names";
    ASSERT_TRUE(chooseComboItem(dialog, IDC_CHANNEL_SELECT, L"CH8"));
    setItemText(dialog, IDC_CHANNEL_NAME, L"入力中");
    click(dialog, IDC_CHANNEL_FETCH);
    std::vector<std::string> fetched;
    EXPECT_TRUE(waitUntil([&] { return (fetched = lines(dialog)).size() >= 10; }, 8000)) << joined(fetched);
    for (const char* line : {"CH1\t001\t東都総合テレビ", "CH6\t006\tソレイユ放送", "CH10\t010\tM&Kテレビ",
                             "BS9\t109\tBSさくら", "Line1\tL1\tビデオ入力"}) {
        EXPECT_NE(std::find(fetched.begin(), fetched.end(), line), fetched.end()) << line << " in " << joined(fetched);
    }
    bool requested = false;
    const Json log = recorder.log();
    for (const Json& request : log["requests"].items()) {
        if (request["path"].string() == "/setup/ch_set.htm") requested = true;
    }
    EXPECT_TRUE(requested);
    EXPECT_EQ(textOf(dialog, IDC_CHANNEL_NAME), "入力中") << "the boxes keep their texts";
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_CHANNEL_SELECT))), "CH8");
    escapeAndQuit(dialog);
}

TEST_F(ChannelSettings, FetchWithoutRecorderAddressOpensTheHttpSettings) {
    const HWND dialog = open();
    ASSERT_NE(dialog, nullptr);
    click(dialog, IDC_CHANNEL_FETCH);
    const HWND http = waitDialog(kHttpCaption);
    ASSERT_NE(http, nullptr);
    EXPECT_EQ(owner(http), dialog);
    click(http, IDCANCEL);
    ASSERT_TRUE(closed(http));
    EXPECT_EQ(lines(dialog), kStandardLines);
    escapeAndQuit(dialog);
}

}  // namespace
}  // namespace ui
