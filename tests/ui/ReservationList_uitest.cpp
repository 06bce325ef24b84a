// The reservation list dialog ("?RECLIST" and the main menu) against the recorder simulator: its
// layout, one line per reservation, the timeline's painted blocks and pointing at them, refresh,
// a failed fetch.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ProgramTest.h"

#include <windowsx.h>

namespace ui {
namespace {

// The local date `days` after the current broadcast day (which starts at 5:00).
SYSTEMTIME broadcastDay(int days) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME time;
    SystemTimeToFileTime(&now, &time);
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    const long long day = 24LL * 60 * 60 * 10000000;
    value.QuadPart += static_cast<unsigned long long>((now.wHour < 5 ? days - 1 : days) * day);
    time.dwLowDateTime = value.LowPart;
    time.dwHighDateTime = value.HighPart;
    SYSTEMTIME result;
    FileTimeToSystemTime(&time, &result);
    return result;
}

std::string ymd(const SYSTEMTIME& d) {
    char text[16];
    std::snprintf(text, sizeof text, "%04u/%02u/%02u", d.wYear % 10000u, d.wMonth % 100u, d.wDay % 100u);
    return text;
}

// The list's date part of a dated row: "MM/DD(曜)".
std::string listDate(const SYSTEMTIME& d) {
    static const char* const weekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
    return ymd(d).substr(5) + "(" + weekdays[d.wDayOfWeek % 7] + ")";
}

// Timeline geometry in the dialog's fixed layout: portrait 300 x 466 at 96 DPI. The program is
// DPI aware: on a screen of more DPI each position is the 96-DPI one scaled, truncated once.
constexpr int kX0 = 20;
constexpr int kY0 = 12;
constexpr int kColumn = 39;
constexpr int kRow = 18;
// Where day `day`'s opening line is drawn.
int dayX(int day, int dpi = screenDpi()) { return (kX0 + day * kColumn) * dpi / 96; }
// Where `minutes` after 5:00 fall.
int minuteY(int minutes, int dpi = screenDpi()) { return (kY0 * 60 + kRow * minutes) * dpi / (60 * 96); }
// The timeline point of day index `day` at `minutes` after 5:00, inside the column.
LPARAM timelinePoint(int day, int minutes, int dpi = screenDpi()) {
    return MAKELPARAM((dayX(day, dpi) + dayX(day + 1, dpi)) / 2, minuteY(minutes, dpi) + 1);
}

// The broadcast day, and with it the dialog's week, changes at 5:00. A test started shortly before
// would compute a week the dialog no longer shows: it starts after the change instead.
void waitPastTheDayChange() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int seconds = now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
    constexpr int kChange = 5 * 3600;
    constexpr int kLongestTest = 3 * 60;
    if (seconds >= kChange - kLongestTest && seconds < kChange) Sleep(static_cast<DWORD>((kChange - seconds + 1) * 1000));
}

class ReservationList : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        recorder = &simulator();
        ASSERT_TRUE(app->writeSettings(recorderSettings(simPort)));
        waitPastTheDayChange();
        today = broadcastDay(0);
        inTwoDays = broadcastDay(2);
    }

    // Four rows: dated today, weekly every day, dated in two days across midnight, dated far off.
    std::string reservations() const {
        return "[{\"title\": \"朝の連続ドラマ\", \"channel\": 3, \"date\": \"" + ymd(today) +
               "\", \"start\": \"10:00\", \"end\": \"11:00\"},"
               " {\"title\": \"朝のニュース\", \"channel\": 1, \"weekly\": \"毎日\", \"start\": \"05:45\", \"end\": \"06:00\"},"
               " {\"title\": \"深夜映画\", \"channel\": 4, \"date\": \"" + ymd(inTwoDays) +
               "\", \"start\": \"23:00\", \"end\": \"01:00\"},"
               " {\"title\": \"遠い先\", \"channel\": 101, \"date\": \"2031/01/01\", \"start\": \"20:00\", \"end\": \"21:00\"}]";
    }

    std::vector<std::string> expectedLines() const {
        return {listDate(today) + "\t10:00-11:00\tCH3\t朝の連続ドラマ", "毎日\t05:45-06:00\tCH1\t朝のニュース",
                listDate(inTwoDays) + "\t23:00-01:00\tCH4\t深夜映画", "01/01(水)\t20:00-21:00\tBS1\t遠い先"};
    }

    // Waits for the list dialog and its first fetch to end (button enabled again).
    HWND waitList(const std::wstring& caption = L"Pelorane - 録画予約一覧") {
        const HWND dialog = waitDialog(caption);
        if (dialog == nullptr) {
            ADD_FAILURE() << "the reservation list did not open";
            return nullptr;
        }
        if (!waitUntil([&] { return fetchDone(dialog); }, kDefaultTimeoutMs)) ADD_FAILURE() << "the fetch did not end";
        return dialog;
    }

    // Starts the list with "?RECLIST" and waits until it shows `rows` lines; null when it did not.
    HWND openList(size_t rows) {
        if (!app->start(L"?RECLIST")) {
            ADD_FAILURE() << "Pelorane.exe did not start";
            return nullptr;
        }
        const HWND dialog = waitList();
        if (dialog == nullptr) return nullptr;
        if (!waitUntil([&] { return lines(dialog).size() == rows; }, 5000)) {
            ADD_FAILURE() << "expected " << rows << " lines, got: " << joined(lines(dialog));
            return nullptr;
        }
        return dialog;
    }

    bool fetchDone(HWND dialog) {
        return enabled(item(dialog, IDC_REFRESH)) && recorder->log()["requests"].size() > 0;
    }

    std::vector<std::string> lines(HWND dialog) { return u8(listLines(item(dialog, IDC_RESERVATIONS))); }

    HWND timeline(HWND dialog) {
        const std::vector<HWND> found = childrenOfClass(dialog, L"XoWindowBase");
        return found.size() == 1 ? found[0] : nullptr;
    }

    Simulator* recorder = nullptr;
    SYSTEMTIME today = {};
    SYSTEMTIME inTwoDays = {};
};

TEST_F(ReservationList, CommandLineOpensTheListWithOneLinePerReservation) {
    ASSERT_TRUE(recorder->setReservations(reservations()));
    ASSERT_TRUE(app->start(L"?RECLIST"));
    const HWND dialog = waitList();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(waitUntil([&] { return lines(dialog) == expectedLines(); }, 5000)) << joined(lines(dialog));
    EXPECT_EQ(owner(dialog), nullptr);
    EXPECT_EQ(findDialog(app->pid(), kMainCaption), nullptr) << "no main dialog with ?RECLIST";
    pressKey(dialog, VK_ESCAPE);
    ASSERT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
    EXPECT_EQ(app->process().exitCode(), 0u);
}

TEST_F(ReservationList, LayoutIsAFixedClientAreaWithTheTimelineOnTheLeft) {
    ASSERT_TRUE(app->start(L"?RECLIST"));
    const HWND dialog = waitList();
    ASSERT_NE(dialog, nullptr);
    RECT client;
    ASSERT_TRUE(GetClientRect(dialog, &client));
    const int dpi = screenDpi();
    EXPECT_EQ(client.right, scaled(640, dpi));
    EXPECT_EQ(client.bottom, scaled(480, dpi));
    const HWND line = timeline(dialog);
    ASSERT_NE(line, nullptr) << "one XoWindowBase child";
    RECT box;
    GetWindowRect(line, &box);
    POINT corner = {box.left, box.top};
    ScreenToClient(dialog, &corner);
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, scaled(14, dpi));
    EXPECT_EQ(box.right - box.left, scaled(300, dpi));
    EXPECT_EQ(box.bottom - box.top, scaled(466, dpi));
    // List, status box and refresh button in 96-DPI pixels: (x, y, width, height).
    const struct {
        int id;
        int x, y, width, height;
    } placed[] = {{IDC_RESERVATIONS, 300, 24, 340, 456}, {IDC_LIST_STATUS, 0, 0, 520, 14}, {IDC_REFRESH, 520, 0, 120, 22}};
    for (const auto& p : placed) {
        GetWindowRect(item(dialog, p.id), &box);
        corner = {box.left, box.top};
        ScreenToClient(dialog, &corner);
        EXPECT_EQ(corner.x, scaled(p.x, dpi)) << p.id;
        EXPECT_EQ(corner.y, scaled(p.y, dpi)) << p.id;
        EXPECT_EQ(box.right - box.left, scaled(p.width, dpi)) << p.id;
        EXPECT_EQ(box.bottom - box.top, scaled(p.height, dpi)) << p.id;
    }
    EXPECT_TRUE(GetWindowLongW(item(dialog, IDC_LIST_STATUS), GWL_STYLE) & ES_READONLY);
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

TEST_F(ReservationList, PointingAtABlockShowsItsTitleAndSelectsItsLine) {
    ASSERT_TRUE(recorder->setReservations(reservations()));
    const HWND dialog = openList(4);
    ASSERT_NE(dialog, nullptr);
    const HWND line = timeline(dialog);
    ASSERT_NE(line, nullptr);
    const HWND list = item(dialog, IDC_RESERVATIONS);

    // Today 10:00-11:00 is offset 300-360 in the first column.
    sendMessage(line, WM_MOUSEMOVE, 0, timelinePoint(0, 330));
    EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "朝の連続ドラマ");
    EXPECT_EQ(listSelection(list), 0);

    // The every-day row: 5:45-6:00 in every column.
    for (int day = 0; day < 7; ++day) {
        sendMessage(line, WM_MOUSEMOVE, 0, timelinePoint(day, 50));
        EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "朝のニュース") << "day " << day;
    }
    EXPECT_EQ(listSelection(list), 1);

    // 23:00-1:00 in two days: offset 1080-1200 in the third column.
    sendMessage(line, WM_LBUTTONDOWN, MK_LBUTTON, timelinePoint(2, 1190));
    EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "深夜映画");
    EXPECT_EQ(listSelection(list), 2);

    // An empty cell empties the status and leaves the selection alone.
    sendMessage(line, WM_MOUSEMOVE, 0, timelinePoint(1, 600));
    EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "");
    EXPECT_EQ(listSelection(list), 2);

    // Left of the grid nothing is reported.
    sendMessage(line, WM_MOUSEMOVE, 0, timelinePoint(2, 1190));
    sendMessage(line, WM_MOUSEMOVE, 0, MAKELPARAM(dayX(0) - 1, minuteY(300)));
    EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "深夜映画");
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

std::string colourText(COLORREF c) {
    char text[32];
    std::snprintf(text, sizeof text, "(%u, %u, %u)", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

TEST_F(ReservationList, TimelinePaintsOneTimeBlocksYellowWeeklyBlocksPinkAndDayLines) {
    ASSERT_TRUE(recorder->setReservations(reservations()));
    const HWND dialog = openList(4);
    ASSERT_NE(dialog, nullptr);
    const HWND line = timeline(dialog);
    ASSERT_NE(line, nullptr);
    const auto at = [&](int day, int minutes) {
        const LPARAM point = timelinePoint(day, minutes);
        return screenPixel(line, GET_X_LPARAM(point), GET_Y_LPARAM(point));
    };
    const COLORREF yellow = RGB(255, 255, 51);
    const COLORREF pink = RGB(255, 51, 255);
    // Painting happens when the dialog is idle after the fetch.
    EXPECT_TRUE(waitUntil([&] { return at(0, 330) == yellow; }, 3000)) << colourText(at(0, 330));
    for (int day = 0; day < 7; ++day) EXPECT_EQ(colourText(at(day, 52)), colourText(pink)) << "day " << day;
    EXPECT_EQ(colourText(at(2, 1150)), colourText(yellow)) << "23:00-1:00 in two days";
    EXPECT_NE(colourText(at(3, 1150)), colourText(yellow)) << "a programme ending by 5:00 stays in its day";
    EXPECT_NE(colourText(at(3, 10)), colourText(yellow)) << "nothing spills into the next morning";
    const COLORREF empty = at(1, 600);
    EXPECT_NE(empty, yellow);
    EXPECT_NE(empty, pink);
    // The lines closing each day are drawn with the default (black) pen across all 24 hours.
    for (int day = 0; day < 7; ++day) {
        EXPECT_EQ(colourText(screenPixel(line, dayX(day + 1), minuteY(720))), colourText(RGB(0, 0, 0)))
            << "day " << day;
    }
    EXPECT_EQ(colourText(screenPixel(line, dayX(0), minuteY(720))), colourText(RGB(0, 0, 0))) << "the opening line";
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

// At any DPI a block is painted where its 96-DPI rectangle, scaled by DPI / 96, falls (within a
// pixel): found on the screen by its yellow fill, inside its one-pixel border.
TEST_F(ReservationList, BlocksArePaintedAtTheStandardRectangleScaledToTheScreensDpi) {
    ASSERT_TRUE(recorder->setReservations(reservations()));
    const HWND dialog = openList(4);
    ASSERT_NE(dialog, nullptr);
    const HWND line = timeline(dialog);
    ASSERT_NE(line, nullptr);
    const COLORREF yellow = RGB(255, 255, 51);
    const LPARAM inside = timelinePoint(0, 330);
    const int x = GET_X_LPARAM(inside);
    const int y = GET_Y_LPARAM(inside);
    ASSERT_TRUE(waitUntil([&] { return screenPixel(line, x, y) == yellow; }, 3000));
    // Today 10:00-11:00 in the first column: at 96 DPI its border runs through x 20 and 59, y 102 and 120.
    const double factor = screenDpi() / 96.0;
    int left = x, right = x, top = y, bottom = y;
    while (screenPixel(line, left - 1, y) == yellow) --left;
    while (screenPixel(line, right + 1, y) == yellow) ++right;
    while (screenPixel(line, x, top - 1) == yellow) --top;
    while (screenPixel(line, x, bottom + 1) == yellow) ++bottom;
    const struct {
        const char* side;
        int border, standard;
    } sides[] = {{"left", left - 1, 20}, {"right", right + 1, 59}, {"top", top - 1, 102}, {"bottom", bottom + 1, 120}};
    for (const auto& s : sides) {
        EXPECT_LE(std::abs(s.border - s.standard * factor), 1.0) << s.side << " " << s.border << " at " << screenDpi() << " DPI";
    }
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

// Moved to a monitor of another DPI (WM_DPICHANGED, no suggested rectangle), the dialog lays itself
// out at that DPI with fonts of that DPI, and the timeline's grid follows; and back again.
TEST_F(ReservationList, ADpiChangeLaysTheDialogAndTheTimelineOutAtTheNewDpi) {
    ASSERT_TRUE(recorder->setReservations(reservations()));
    const HWND dialog = openList(4);
    ASSERT_NE(dialog, nullptr);
    const HWND line = timeline(dialog);
    ASSERT_NE(line, nullptr);
    const int other = screenDpi() == 144 ? 96 : 144;
    for (const int dpi : {other, screenDpi()}) {
        sendMessage(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
        RECT client;
        ASSERT_TRUE(GetClientRect(dialog, &client));
        EXPECT_EQ(client.right, scaled(640, dpi)) << dpi;
        EXPECT_EQ(client.bottom, scaled(480, dpi)) << dpi;
        RECT box;
        GetWindowRect(item(dialog, IDC_RESERVATIONS), &box);
        EXPECT_EQ(box.right - box.left, scaled(340, dpi)) << dpi;
        // The controls have the dialog's font made for the new DPI: the list's lines are as high as it.
        EXPECT_EQ(sendMessage(item(dialog, IDC_RESERVATIONS), LB_GETITEMHEIGHT, 0, 0), DialogFont(dpi).height()) << dpi;
        GetClientRect(line, &box);
        EXPECT_EQ(box.right, scaled(300, dpi)) << dpi;
        EXPECT_EQ(box.bottom, scaled(466, dpi)) << dpi;
        sendMessage(line, WM_MOUSEMOVE, 0, timelinePoint(2, 1190, dpi));
        EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "深夜映画") << dpi;
        sendMessage(line, WM_MOUSEMOVE, 0, timelinePoint(2, 1210, dpi));
        EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "") << dpi;
    }
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

// Where blocks of one day share minutes the timeline paints them red, inside the day's lines, and
// pointing there names every reservation in list order. Back-to-back blocks do not overlap.
TEST_F(ReservationList, OverlapsArePaintedRedAndPointingAtOneNamesEveryReservationThere) {
    const SYSTEMTIME tomorrow = broadcastDay(1);
    ASSERT_TRUE(recorder->setReservations(
        "[{\"title\": \"毎日の番組\", \"channel\": 1, \"weekly\": \"毎日\", \"start\": \"10:00\", \"end\": \"11:00\"},"
        " {\"title\": \"重なる番組\", \"channel\": 3, \"date\": \"" + ymd(today) +
        "\", \"start\": \"10:30\", \"end\": \"11:30\"},"
        " {\"title\": \"映画A\", \"channel\": 4, \"date\": \"" + ymd(tomorrow) +
        "\", \"start\": \"19:00\", \"end\": \"21:00\"},"
        " {\"title\": \"映画B\", \"channel\": 6, \"date\": \"" + ymd(tomorrow) +
        "\", \"start\": \"20:00\", \"end\": \"22:00\"},"
        " {\"title\": \"前の番組\", \"channel\": 8, \"date\": \"" + ymd(inTwoDays) +
        "\", \"start\": \"20:00\", \"end\": \"21:00\"},"
        " {\"title\": \"後の番組\", \"channel\": 8, \"date\": \"" + ymd(inTwoDays) +
        "\", \"start\": \"21:00\", \"end\": \"22:00\"}]"));
    const HWND dialog = openList(6);
    ASSERT_NE(dialog, nullptr);
    const HWND line = timeline(dialog);
    ASSERT_NE(line, nullptr);
    const HWND list = item(dialog, IDC_RESERVATIONS);
    const COLORREF red = RGB(255, 0, 0);
    const COLORREF yellow = RGB(255, 255, 51);
    const COLORREF pink = RGB(255, 51, 255);
    const COLORREF black = RGB(0, 0, 0);

    // Each overlap fills its minutes between the day's lines: x from the column's left line + 1 up to
    // its right line, y from where its first minute begins up to where its end begins.
    const struct {
        int day, start, end;
        COLORREF above, below;  // just outside the red area
        const char* titles;
        int selected;
    } overlaps[] = {
        {0, 330, 360, pink, yellow, "毎日の番組 / 重なる番組", 0},  // weekly against one-time, 10:30-11:00
        {1, 900, 960, yellow, yellow, "映画A / 映画B", 2},           // two one-time rows, 20:00-21:00
    };
    for (const auto& o : overlaps) {
        const int left = dayX(o.day) + 1;
        const int right = dayX(o.day + 1);  // first pixel not red
        const int top = minuteY(o.start);
        const int bottom = minuteY(o.end);  // first pixel not red
        const int middleX = (left + right) / 2;
        const int middleY = (top + bottom) / 2;
        EXPECT_TRUE(waitUntil([&] { return screenPixel(line, left, top) == red; }, 3000))
            << "day " << o.day << " " << colourText(screenPixel(line, left, top));
        for (const POINT corner : {POINT{left, top}, POINT{right - 1, top}, POINT{left, bottom - 1}, POINT{right - 1, bottom - 1}}) {
            EXPECT_EQ(colourText(screenPixel(line, corner.x, corner.y)), colourText(red))
                << "day " << o.day << " at " << corner.x << "," << corner.y;
        }
        EXPECT_EQ(colourText(screenPixel(line, left - 1, middleY)), colourText(black)) << "day " << o.day << ": its line";
        EXPECT_EQ(colourText(screenPixel(line, right, middleY)), colourText(black)) << "day " << o.day << ": next line";
        EXPECT_EQ(colourText(screenPixel(line, middleX, top - 1)), colourText(o.above)) << "day " << o.day;
        EXPECT_EQ(colourText(screenPixel(line, middleX, bottom)), colourText(o.below)) << "day " << o.day;

        // Pointing anywhere red, even at its corner pixels, names the clash and selects its first row.
        for (const POINT at : {POINT{middleX, middleY}, POINT{left, top}, POINT{right - 1, bottom - 1}}) {
            sendMessage(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            sendMessage(line, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
            EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), o.titles) << "day " << o.day << " at " << at.x << "," << at.y;
            EXPECT_EQ(listSelection(list), o.selected) << "day " << o.day;
        }
    }

    // Just outside the red: one title again.
    sendMessage(line, WM_MOUSEMOVE, 0, timelinePoint(0, 375));
    EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "重なる番組");
    EXPECT_EQ(listSelection(list), 1);
    sendMessage(line, WM_MOUSEMOVE, 0, MAKELPARAM((dayX(0) + dayX(1)) / 2, minuteY(330) - 1));
    EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "毎日の番組");

    // The weekly row alone on the other days stays pink.
    for (int day = 1; day < 7; ++day) {
        const LPARAM point = timelinePoint(day, 345);
        EXPECT_EQ(colourText(screenPixel(line, GET_X_LPARAM(point), GET_Y_LPARAM(point))), colourText(pink)) << "day " << day;
    }
    // The back-to-back pair in two days: nothing red down the column, one title at the shared minute.
    const int column = (dayX(2) + dayX(3)) / 2;
    for (int y = minuteY(890); y <= minuteY(1030); ++y) {
        EXPECT_NE(colourText(screenPixel(line, column, y)), colourText(red)) << "back to back, y " << y;
    }
    sendMessage(line, WM_MOUSEMOVE, 0, timelinePoint(2, 960));
    EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "後の番組");
    EXPECT_EQ(listSelection(list), 5);

    // Not by colour alone: the lines of the four rows that clash begin with "※", and choosing a line
    // with the keyboard shows what pointing at the row's block shows.
    const std::vector<std::string> shown = lines(dialog);
    ASSERT_EQ(shown.size(), 6u);
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i].rfind("※", 0) == 0, i < 4) << shown[i];
    focusItem(dialog, IDC_RESERVATIONS);
    const struct {
        UINT key;
        int selected;
        const char* status;
    } keys[] = {{VK_HOME, 0, overlaps[0].titles}, {VK_DOWN, 1, overlaps[0].titles}, {VK_DOWN, 2, overlaps[1].titles},
                {VK_DOWN, 3, overlaps[1].titles}, {VK_DOWN, 4, "前の番組"}, {VK_END, 5, "後の番組"}};
    for (const auto& k : keys) {
        pressKey(dialog, k.key);
        EXPECT_TRUE(waitUntil([&] { return listSelection(list) == k.selected; }, 3000)) << "line " << k.selected;
        settle(dialog);
        EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), k.status) << "line " << k.selected;
    }
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

// The first pixel at or right of x in the band of list line `index` (scrolled to the top) that is
// not the list's background; -1 when there is none up to the list's right edge.
int inkFrom(HWND list, int index, int x) {
    RECT client;
    GetClientRect(list, &client);
    const int height = static_cast<int>(sendMessage(list, LB_GETITEMHEIGHT, 0, 0));
    const COLORREF background = GetSysColor(COLOR_WINDOW);
    for (; x < client.right; ++x) {
        for (int y = index * height; y < (index + 1) * height; ++y) {
            if (screenPixel(list, x, y) != background) return x;
        }
    }
    return -1;
}

// Dated lines, weekly lines and lines marked "※" start their time, channel and title at the same
// place, measured on the screen; and the longest title, cut at the list's edge, can be scrolled
// into view to its end.
TEST_F(ReservationList, ColumnsLineUpAndALongTitleScrollsIntoView) {
    const std::string longTitle = "番組の題名がとても長くて一覧の幅には収まりきらない場合の特別番組";
    ASSERT_TRUE(recorder->setReservations(
        "[{\"title\": \"番組その一\", \"channel\": 1, \"weekly\": \"毎月～金\", \"start\": \"20:00\", \"end\": \"20:30\"},"
        " {\"title\": \"番組その二\", \"channel\": 3, \"date\": \"" + ymd(today) + "\", \"start\": \"21:00\", \"end\": \"22:00\"},"
        " {\"title\": \"番組その三\", \"channel\": 4, \"date\": \"" + ymd(today) + "\", \"start\": \"21:30\", \"end\": \"22:30\"},"
        " {\"title\": \"" + longTitle + "\", \"channel\": 6, \"weekly\": \"毎日曜日\", \"start\": \"23:00\", \"end\": \"23:30\"}]"));
    const HWND dialog = openList(4);
    ASSERT_NE(dialog, nullptr);
    const HWND list = item(dialog, IDC_RESERVATIONS);
    sendMessage(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    settle(dialog);
    const DialogFont font(screenDpi());
    const std::vector<std::string> shown = lines(dialog);
    ASSERT_TRUE(waitUntil([&] { return inkFrom(list, 0, 0) >= 0; }, 3000)) << "the list is not painted";

    // Each column starts at the first ink past the end of the one before it.
    std::vector<int> starts[3];
    for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
        int x = inkFrom(list, i, 0);
        size_t begin = 0;
        for (int column = 0; column < 3; ++column) {
            const size_t end = shown[static_cast<size_t>(i)].find('\t', begin);
            ASSERT_NE(end, std::string::npos) << shown[static_cast<size_t>(i)];
            x = inkFrom(list, i, x + font.width(fromUtf8(shown[static_cast<size_t>(i)].substr(begin, end - begin))));
            starts[column].push_back(x);
            begin = end + 1;
        }
    }
    const char* const names[] = {"time", "channel", "title"};
    for (int column = 0; column < 3; ++column) {
        for (size_t i = 1; i < starts[column].size(); ++i) {
            EXPECT_EQ(starts[column][i], starts[column][0]) << names[column] << " of line " << i << ": " << shown[i];
        }
    }

    // The long title runs past the right edge; scrolled fully right, its end shows with room after it.
    RECT client;
    GetClientRect(list, &client);
    EXPECT_GE(inkFrom(list, 3, client.right - scaled(8, screenDpi())), 0) << "the long title does not reach the edge";
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL) << "no horizontal scroll bar";
    EXPECT_GE(sendMessage(list, LB_GETHORIZONTALEXTENT, 0, 0), starts[2][3] + font.width(fromUtf8(longTitle)));
    sendMessage(list, WM_HSCROLL, SB_RIGHT, 0);
    settle(dialog);
    EXPECT_TRUE(waitUntil([&] { return inkFrom(list, 3, client.right - scaled(4, screenDpi())) < 0; }, 3000))
        << "the end of the long title does not come into view";
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

TEST_F(ReservationList, EnterPressesRefresh) {
    ASSERT_TRUE(app->start(L"?RECLIST"));
    const HWND dialog = waitList();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(recorder->setReservations(reservations()));
    pressKey(dialog, VK_RETURN);
    EXPECT_TRUE(waitUntil([&] { return lines(dialog) == expectedLines(); }, 8000)) << joined(lines(dialog));
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

TEST_F(ReservationList, RefreshDisablesItsButtonWhileFetchingAndShowsTheNewRows) {
    ASSERT_TRUE(recorder->setReservations(reservations()));
    const HWND dialog = openList(4);
    ASSERT_NE(dialog, nullptr);

    ASSERT_TRUE(recorder->setReservations("[{\"title\": \"新番組\", \"channel\": 8, \"weekly\": \"毎月～金\", "
                                          "\"start\": \"19:00\", \"end\": \"19:30\"}]"));
    // The slow list page holds the fetch long enough for every check below, however busy the machine.
    ASSERT_TRUE(recorder->delay("list", 6000));
    click(dialog, IDC_REFRESH);
    EXPECT_TRUE(waitUntil([&] { return !enabled(item(dialog, IDC_REFRESH)); }, 5000)) << "disabled while fetching";
    // While the fetch runs, the timeline still points at the rows it shows.
    const HWND line = timeline(dialog);
    ASSERT_NE(line, nullptr);
    sendMessage(line, WM_MOUSEMOVE, 0, timelinePoint(0, 330));
    EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "朝の連続ドラマ");
    EXPECT_FALSE(enabled(item(dialog, IDC_REFRESH)));
    EXPECT_TRUE(waitUntil([&] { return enabled(item(dialog, IDC_REFRESH)); }, 8000));
    EXPECT_EQ(lines(dialog), (std::vector<std::string>{"毎月～金\t19:00-19:30\tCH8\t新番組"}));
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

TEST_F(ReservationList, FailedFetchKeepsTheRowsItHadAndEnablesTheButton) {
    ASSERT_TRUE(recorder->setReservations(reservations()));
    ASSERT_TRUE(httpRequest(simPort, "GET", "/_sim/fail?step=list&status=500").status == 200);
    ASSERT_TRUE(app->start(L"?RECLIST"));
    const HWND dialog = waitList();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(lines(dialog).empty()) << "a first failed fetch shows no rows";

    click(dialog, IDC_REFRESH);
    EXPECT_TRUE(waitUntil([&] { return lines(dialog) == expectedLines(); }, 8000)) << joined(lines(dialog));

    ASSERT_TRUE(httpRequest(simPort, "GET", "/_sim/fail?step=list&status=500").status == 200);
    click(dialog, IDC_REFRESH);
    EXPECT_TRUE(waitUntil([&] { return recorder->log()["failures"].size() == 0; }, 8000));
    EXPECT_TRUE(waitUntil([&] { return enabled(item(dialog, IDC_REFRESH)); }, 8000));
    settle(dialog);
    EXPECT_EQ(lines(dialog), expectedLines()) << "a failed refresh keeps the rows shown";
    const HWND line = timeline(dialog);
    ASSERT_NE(line, nullptr);
    sendMessage(line, WM_MOUSEMOVE, 0, timelinePoint(0, 330));
    EXPECT_EQ(textOf(dialog, IDC_LIST_STATUS), "朝の連続ドラマ");
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(app->process().waitForExit(kDefaultTimeoutMs));
}

TEST_F(ReservationList, MainMenuOpensTheListOwnedByTheMainDialogWithTheTitleSetting) {
    ASSERT_TRUE(app->writeSettings(merged(recorderSettings(simPort), {{"pelorane", "録画機"}})));
    ASSERT_TRUE(app->writeChannels(standardChannels()));
    const HWND mainDialog = startMain(std::wstring(), L"録画機");
    ASSERT_NE(mainDialog, nullptr);
    postCommand(mainDialog, IDM_RESERVATION_LIST);
    const HWND dialog = waitList(L"録画機 - 録画予約一覧");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(owner(dialog), mainDialog);
    pressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, 5000));
    EXPECT_TRUE(app->process().running()) << "closing the list returns to the main dialog";
    EXPECT_TRUE(quit(mainDialog));
}

}  // namespace
}  // namespace ui
