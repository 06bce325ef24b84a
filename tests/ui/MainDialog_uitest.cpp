// The main dialog as it opens: caption from the title setting, the channel list from the table,
// the option lists, the reservation's fields, check boxes and choices from the settings.
#include "ProgramTest.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace ui {
namespace {

class MainDialog : public ProgramTest {};

TEST_F(MainDialog, ChannelListShowsNamedChannelsOfAUserTableWithTheReservationsSelected) {
    ASSERT_TRUE(app->writeSettings({}));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    Iepg programme;
    programme.station = "みなと放送";
    const HWND dialog = startMain(quoteArgument(app->writeIepg(L"p.iepg", programme)));
    ASSERT_NE(dialog, nullptr);
    const HWND combo = item(dialog, IDC_CHANNEL);
    EXPECT_EQ(u8(comboItems(combo)), (std::vector<std::string>{"CH1:東都総合テレビ", "CH3:東都教育テレビ",
                                                                "CH4:みなと放送", "BS1:衛星第一放送"}));
    EXPECT_EQ(u8(comboSelectedText(combo)), "CH4:みなと放送");
    EXPECT_EQ(comboItemData(combo, 3), 101);
    EXPECT_TRUE(quit(dialog));
}

TEST_F(MainDialog, DefaultTableListsEveryPositionByItsLabel) {
    ASSERT_TRUE(app->writeSettings({}));  // no channels.ini
    const HWND dialog = startMain();
    ASSERT_NE(dialog, nullptr);
    const std::vector<std::string> items = u8(comboItems(item(dialog, IDC_CHANNEL)));
    ASSERT_EQ(items.size(), 64u + 8u + 3u);
    EXPECT_EQ(items.front(), "CH1");
    EXPECT_EQ(items[64], "BS1");
    EXPECT_EQ(items.back(), "Line3");
    EXPECT_EQ(comboSelection(item(dialog, IDC_CHANNEL)), CB_ERR);
    EXPECT_TRUE(quit(dialog));
}

TEST_F(MainDialog, ReservationFieldsAreShownAsPlainNumbersAndTexts) {
    ASSERT_TRUE(app->writeSettings({{"genre", "8"}}));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    Iepg programme;
    programme.start = "07:05";
    programme.end = "08:09";
    programme.subtitle = "（再）";
    const HWND dialog = startMain(quoteArgument(app->writeIepg(L"p.iepg", programme)));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(dialog, IDC_START_HOUR), "7");
    EXPECT_EQ(textOf(dialog, IDC_START_MINUTE), "5");
    EXPECT_EQ(textOf(dialog, IDC_END_HOUR), "8");
    EXPECT_EQ(textOf(dialog, IDC_END_MINUTE), "9");
    EXPECT_EQ(textOf(dialog, IDC_TITLE), "世界の車窓から（再）");
    EXPECT_EQ(textOf(dialog, IDC_DETAIL), "第一行\r\n第二行");
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_GENRE))), "バラエティ全般");
    EXPECT_EQ(LOWORD(sendMessage(item(dialog, IDC_START_MINUTE_SPIN), UDM_GETRANGE, 0, 0)), 59);
    EXPECT_EQ(LOWORD(sendMessage(item(dialog, IDC_END_MINUTE_SPIN), UDM_GETRANGE, 0, 0)), 59);
    EXPECT_EQ(HIWORD(sendMessage(item(dialog, IDC_END_MINUTE_SPIN), UDM_GETRANGE, 0, 0)), 0);
    // The icon (WM_SETICON at opening) cannot be read from another process under Wine: WM_GETICON
    // answers 0 across processes there even for a window whose icon is set. The executable's own
    // icons and version are checked below.
    EXPECT_TRUE(quit(dialog));
}

// The program's icon and the iEPG file type's (DefaultIcon ",1"), the version 0.0.0.17 and its strings.
TEST(ProgramFile, CarriesTwoIconsAndItsVersion) {
    const std::wstring exe = builtProgram();
    EXPECT_EQ(ExtractIconExW(exe.c_str(), -1, nullptr, nullptr, 0), 2u);
    HICON large = nullptr;
    HICON small = nullptr;
    ASSERT_EQ(ExtractIconExW(exe.c_str(), 1, &large, &small, 1), 2u) << "index 1 gives a large and a small icon";
    EXPECT_NE(large, nullptr);
    EXPECT_NE(small, nullptr);
    if (large != nullptr) DestroyIcon(large);
    if (small != nullptr) DestroyIcon(small);

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 0));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(17, 0));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(17, 0));
    // What Explorer's properties show: the licence's copyright and the name the file is shipped under.
    for (const auto& [key, expected] : {std::pair{L"LegalCopyright", L"Copyright (c) 2026 The Pelorane developers"},
                                        std::pair{L"OriginalFilename", L"Pelorane.exe"}}) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\041104b0\\") + key;
        EXPECT_TRUE(VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) &&
                    value != nullptr && std::wstring(value) == expected)
            << u8(key);
    }
}

TEST_F(MainDialog, OptionListsAreFilledAndChosenFromTheSettings) {
    ASSERT_TRUE(app->writeSettings({{"disc", "2"}, {"dvdr", "5"}, {"vrate", "6000"}, {"amode", "3"},
                                    {"bExec", "0"}, {"bAutoChapter", "1"}, {"bVPerform", "2"}}));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const HWND dialog = startMain();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(comboItems(item(dialog, IDC_DISC)).size(), 3u);
    EXPECT_EQ(comboItems(item(dialog, IDC_DVDR)).size(), 3u);
    EXPECT_EQ(comboItems(item(dialog, IDC_VRATE)).size(), 41u);
    EXPECT_EQ(comboItems(item(dialog, IDC_AMODE)).size(), 3u);
    EXPECT_EQ(comboItems(item(dialog, IDC_GENRE)).size(), 11u);
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_DISC))), "AB面");
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_DVDR))), "副音声");
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_VRATE))), "MN 6.0");
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_AMODE))), "L-PCM");
    EXPECT_EQ(checkState(dialog, IDC_EXEC), BST_UNCHECKED);
    EXPECT_EQ(checkState(dialog, IDC_AUTO_CHAPTER), BST_CHECKED);
    EXPECT_FALSE(enabled(item(dialog, IDC_VPERFORM))) << "a check value other than 0 and 1 disables the box";
    EXPECT_TRUE(enabled(item(dialog, IDC_EXEC)));
    EXPECT_TRUE(quit(dialog));
}

TEST_F(MainDialog, StoredChoiceWithoutAnEntryLeavesTheFirstEntrySelected) {
    ASSERT_TRUE(app->writeSettings({{"dvdr", "0"}, {"vrate", "12345"}}));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const HWND dialog = startMain();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(comboSelection(item(dialog, IDC_DVDR)), 0);
    EXPECT_EQ(u8(comboSelectedText(item(dialog, IDC_DVDR))), "切");
    EXPECT_EQ(comboSelection(item(dialog, IDC_VRATE)), 0);
    EXPECT_TRUE(quit(dialog));
}

TEST_F(MainDialog, CaptionIsTheTitleSetting) {
    ASSERT_TRUE(app->writeSettings({{"pelorane", "居間の録画機"}}));
    const HWND dialog = startMain(std::wstring(), L"居間の録画機");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(quit(dialog));
}

// What a control leaves for its text on the screen: its client area without the parts that are no
// text (edit margins, a spinner lying over the box, a list's arrow, a check box's box).
int roomForText(HWND control, int reserved) {
    RECT client;
    GetClientRect(control, &client);
    int room = client.right - reserved;
    if (className(control) == L"Edit") {
        const LRESULT margins = sendMessage(control, EM_GETMARGINS, 0, 0);
        room -= LOWORD(margins) + HIWORD(margins);
        // The spinner of a time box (its next window) covers the box's right end.
        const HWND spinner = GetWindow(control, GW_HWNDNEXT);
        if (spinner != nullptr && className(spinner) == UPDOWN_CLASSW) {
            RECT spin;
            GetWindowRect(spinner, &spin);
            POINT origin = {0, 0};
            ClientToScreen(control, &origin);
            room = std::min(room, static_cast<int>(spin.left - origin.x) - LOWORD(margins) - HIWORD(margins));
        }
    }
    return room;
}

// At the screen's DPI every text the dialog can show fits its control: the date, the widest number of each time box beside its spinner, the widest entry of each list
// beside its arrow, the check boxes' captions beside their boxes. Measured with the dialog's font.
TEST_F(MainDialog, EveryTextFitsItsControl) {
    ASSERT_TRUE(app->writeSettings({}));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const HWND dialog = startMain(quoteArgument(app->writeIepg(L"p.iepg", Iepg())));
    ASSERT_NE(dialog, nullptr);
    const int dpi = screenDpi();
    const DialogFont font(dpi);
    ASSERT_EQ(font.height(), sendMessage(item(dialog, IDC_CHANNEL), CB_GETITEMHEIGHT, 0, 0)) << "not the dialog's font";

    const HWND picker = item(dialog, IDC_DATE);
    EXPECT_EQ(u8(text(picker)), "2031/06/14") << "the same narrow date on every system";
    // The picker measures its fields itself.
    SIZE ideal = {};
    ASSERT_NE(sendWithBuffer(picker, DTM_GETIDEALSIZE, 0, &ideal, sizeof ideal), 0);
    RECT box;
    GetWindowRect(picker, &box);
    EXPECT_LE(ideal.cx, box.right - box.left) << "the date picker at " << dpi << " DPI";

    const auto widestNumber = [&](int max) {
        std::wstring widest;
        for (int n = 0; n <= max; ++n) {
            if (font.width(std::to_wstring(n)) > font.width(widest)) widest = std::to_wstring(n);
        }
        return std::vector<std::wstring>{widest};
    };
    // A list's arrow is as wide as a scroll bar; its border and focus frame take 4 pixels a side at
    // 96 DPI. A check box's box is a menu check mark, 4 pixels (at 96 DPI) from its caption.
    const int arrow = GetSystemMetrics(SM_CXVSCROLL) + scaled(8, dpi);
    const int checkBox = GetSystemMetrics(SM_CXMENUCHECK) + scaled(4, dpi);
    const struct {
        int id;
        std::vector<std::wstring> texts;
        int reserved;
    } controls[] = {
        {IDC_START_HOUR, widestNumber(23), 0},
        {IDC_START_MINUTE, widestNumber(59), 0},
        {IDC_END_HOUR, widestNumber(23), 0},
        {IDC_END_MINUTE, widestNumber(59), 0},
        {IDC_CHANNEL, comboItems(item(dialog, IDC_CHANNEL)), arrow},
        {IDC_GENRE, comboItems(item(dialog, IDC_GENRE)), arrow},
        {IDC_DISC, comboItems(item(dialog, IDC_DISC)), arrow},
        {IDC_DVDR, comboItems(item(dialog, IDC_DVDR)), arrow},
        {IDC_VRATE, comboItems(item(dialog, IDC_VRATE)), arrow},
        {IDC_AMODE, comboItems(item(dialog, IDC_AMODE)), arrow},
        {IDC_EXEC, {itemText(dialog, IDC_EXEC)}, checkBox},
        {IDC_VPERFORM, {itemText(dialog, IDC_VPERFORM)}, checkBox},
        {IDC_AUTO_CHAPTER, {itemText(dialog, IDC_AUTO_CHAPTER)}, checkBox},
    };
    for (const auto& c : controls) {
        const int room = roomForText(item(dialog, c.id), c.reserved);
        for (const std::wstring& t : c.texts) {
            EXPECT_LE(font.width(t), room) << "control " << c.id << " \"" << u8(t) << "\" at " << dpi << " DPI";
        }
    }
    EXPECT_TRUE(quit(dialog));
}

}  // namespace
}  // namespace ui
