// Timeline geometry: the two orientations, block rectangles, the pointer, and windows too small for a grid.
#include <gtest/gtest.h>

#include <cstdlib>

#include "recorder/BlockOverlaps.h"
#include "recorder/TimelineLayout.h"
#include "recorder/WeekSchedule.h"

TEST(TimelineLayout, TheDialogsControlIsPortrait) {
    const TimelineLayout layout = timelineLayout(300, 466);
    EXPECT_TRUE(layout.portrait);
    EXPECT_EQ(layout.x0, 20);
    EXPECT_EQ(layout.y0, 12);
    EXPECT_EQ(layout.colWidth, 39);
    EXPECT_EQ(layout.rowHeight, 18);
    EXPECT_EQ(dayPosition(layout, 7), 20 + 7 * 39);
    EXPECT_EQ(hourPosition(layout, 24), 12 + 24 * 18);
}

TEST(TimelineLayout, WideOrSquareWindowsAreLandscape) {
    const TimelineLayout wide = timelineLayout(495, 190);
    EXPECT_FALSE(wide.portrait);
    EXPECT_EQ(wide.x0, 14);
    EXPECT_EQ(wide.y0, 15);
    EXPECT_EQ(wide.colWidth, 20);   // an hour
    EXPECT_EQ(wide.rowHeight, 25);  // a day
    EXPECT_EQ(hourPosition(wide, 3), 14 + 60);
    EXPECT_EQ(dayPosition(wide, 2), 15 + 50);
    EXPECT_FALSE(timelineLayout(200, 200).portrait);
}

TEST(TimelineLayout, BlockRectanglesFollowTheMinutes) {
    const TimelineLayout portrait = timelineLayout(300, 466);
    const PixelRect late = blockRect(portrait, 2, 1080, 1200);  // 23:00 to 1:00
    EXPECT_EQ(late.left, 20 + 2 * 39);
    EXPECT_EQ(late.right, 20 + 3 * 39);
    EXPECT_EQ(late.top, 12 + 18 * 18);
    EXPECT_EQ(late.bottom, 12 + 20 * 18);
    // Minutes that are not whole hours truncate: 18 * 25 / 60 = 7.5.
    EXPECT_EQ(blockRect(portrait, 0, 25, 50).top, 12 + 7);

    const TimelineLayout landscape = timelineLayout(495, 190);
    const PixelRect morning = blockRect(landscape, 1, 0, 90);
    EXPECT_EQ(morning.left, 14);
    EXPECT_EQ(morning.right, 14 + 30);
    EXPECT_EQ(morning.top, 15 + 25);
    EXPECT_EQ(morning.bottom, 15 + 50);
}

TEST(TimelineLayout, PointerLeftOfOrAboveTheGridIsNowhere) {
    const TimelineLayout layout = timelineLayout(300, 466);
    GridPoint point;
    EXPECT_FALSE(gridPointAt(layout, 19, 100, point));
    EXPECT_FALSE(gridPointAt(layout, 100, 11, point));
    ASSERT_TRUE(gridPointAt(layout, 20, 12, point));
    EXPECT_EQ(point.dayIndex, 0);
    EXPECT_EQ(point.minute, 0);
}

TEST(TimelineLayout, PointerGivesDayAndMinuteInBothOrientations) {
    GridPoint point;
    const TimelineLayout portrait = timelineLayout(300, 466);
    ASSERT_TRUE(gridPointAt(portrait, 20 + 2 * 39 + 5, 12 + 3 * 18 + 9, point));
    EXPECT_EQ(point.dayIndex, 2);
    EXPECT_EQ(point.minute, 210);
    // Right of the grid the day index runs past the seventh day; the schedule finds nothing there.
    ASSERT_TRUE(gridPointAt(portrait, 299, 12, point));
    EXPECT_EQ(point.dayIndex, 7);

    const TimelineLayout landscape = timelineLayout(495, 190);
    ASSERT_TRUE(gridPointAt(landscape, 14 + 5 * 20 + 10, 15 + 4 * 25, point));
    EXPECT_EQ(point.dayIndex, 4);
    EXPECT_EQ(point.minute, 330);
    // The largest coordinates a pointer message can carry do not overflow.
    ASSERT_TRUE(gridPointAt(landscape, 0xFFFF, 0xFFFF, point));
    EXPECT_EQ(point.minute, (0xFFFF - 14) * 60 / 20);
}

TEST(TimelineLayout, PointingAtABlockFindsItsRow) {
    WeekSchedule week;
    week.setStart(2004, 2, 8);
    ReservationEntry row;
    row.year = 2004;
    row.month = 2;
    row.day = 10;
    row.start = 23 * 60;
    row.end = 60;
    const ReservationEntries rows = {row};
    week.distribute(rows);
    const TimelineLayout layout = timelineLayout(300, 466);
    const PixelRect r = blockRect(layout, 2, 1080, 1200);
    GridPoint point;
    ASSERT_TRUE(gridPointAt(layout, static_cast<uint32_t>(r.left + 1), static_cast<uint32_t>(r.top + 1), point));
    EXPECT_EQ(week.hitTest(point.dayIndex, point.minute), &rows[0]);
    ASSERT_TRUE(gridPointAt(layout, static_cast<uint32_t>(r.left + 1), static_cast<uint32_t>(r.bottom), point));
    EXPECT_EQ(week.hitTest(point.dayIndex, point.minute), nullptr);  // the block ends where the next hour starts
}

TEST(TimelineLayout, WindowsSmallerThanTheMarginsNeverDivideByZero) {
    for (int32_t w = 0; w <= 60; ++w) {
        for (int32_t h = 0; h <= 60; ++h) {
            const TimelineLayout layout = timelineLayout(w, h);
            ASSERT_GE(layout.colWidth, 0) << w << "x" << h;
            ASSERT_GE(layout.rowHeight, 0) << w << "x" << h;
            GridPoint point;
            for (uint32_t x : {0u, 14u, 20u, 40u, 0xFFFFu}) {
                for (uint32_t y : {0u, 12u, 15u, 40u, 0xFFFFu}) {
                    const bool inside = gridPointAt(layout, x, y, point);
                    ASSERT_TRUE(!inside || (layout.colWidth > 0 && layout.rowHeight > 0));
                }
            }
        }
    }
    // 27 pixels wide leaves 6 for seven days: no grid, no pointing, but a valid layout.
    const TimelineLayout narrow = timelineLayout(27, 466);
    EXPECT_EQ(narrow.colWidth, 0);
    GridPoint point;
    EXPECT_FALSE(gridPointAt(narrow, 25, 100, point));
}

// On a 144-DPI screen the window is 1.5 times as large and so is everything drawn in it: every
// block rectangle is the 96-DPI one scaled by 1.5, to a pixel, in both orientations.
TEST(TimelineLayout, At144DpiBlocksAreTheStandardOnesScaledByOneAndAHalf) {
    const struct {
        int32_t width, height;      // at 96 DPI
        int32_t width144, height144;  // the same window at 144 DPI (rounded like MulDiv)
    } windows[] = {{300, 466, 450, 699}, {495, 190, 743, 285}, {200, 200, 300, 300}};
    const struct {
        int32_t day, start, end;
    } blocks[] = {{0, 0, 1440}, {2, 1080, 1200}, {0, 25, 50}, {6, 1437, 1440}, {3, 331, 332}, {5, 59, 61}};
    for (const auto& w : windows) {
        const TimelineLayout standard = timelineLayout(w.width, w.height);
        const TimelineLayout high = timelineLayout(w.width144, w.height144, 144);
        EXPECT_EQ(high.portrait, standard.portrait);
        const PixelPoint origin = gridOrigin(high);
        EXPECT_EQ(origin.x, standard.x0 * 3 / 2) << w.width;
        EXPECT_EQ(origin.y, standard.y0 * 3 / 2) << w.width;
        for (const auto& b : blocks) {
            const PixelRect s = blockRect(standard, b.day, b.start, b.end);
            const PixelRect h = blockRect(high, b.day, b.start, b.end);
            const int32_t expected[] = {s.left, s.top, s.right, s.bottom};
            const int32_t got[] = {h.left, h.top, h.right, h.bottom};
            for (int i = 0; i < 4; ++i) {
                EXPECT_LE(std::abs(2 * got[i] - 3 * expected[i]), 2)
                    << w.width << "x" << w.height << " day " << b.day << " " << b.start << "-" << b.end << " side " << i
                    << ": " << got[i] << " against 1.5 x " << expected[i];
            }
        }
    }
}

// At any DPI the pointer finds the day whose lines it is between as drawn, and inside a block's
// painted area (not on its border) the block's row.
TEST(TimelineLayout, AtAnyDpiPointingFindsWhatIsDrawnThere) {
    for (const int32_t dpi : {96, 120, 144, 192}) {
        const TimelineLayout layout = timelineLayout(300 * dpi / 96, 466 * dpi / 96, dpi);
        const PixelPoint origin = gridOrigin(layout);
        GridPoint point;
        for (int32_t day = 0; day < 7; ++day) {
            for (int32_t x = dayPosition(layout, day); x < dayPosition(layout, day + 1); ++x) {
                ASSERT_TRUE(gridPointAt(layout, static_cast<uint32_t>(x), static_cast<uint32_t>(origin.y), point)) << dpi;
                ASSERT_EQ(point.dayIndex, day) << "dpi " << dpi << " x " << x;
            }
        }
        EXPECT_FALSE(gridPointAt(layout, static_cast<uint32_t>(origin.x - 1), 200, point)) << dpi;

        WeekSchedule week;
        week.setStart(2004, 2, 8);
        ReservationEntry row;
        row.year = 2004;
        row.month = 2;
        row.day = 10;
        row.start = 20 * 60 + 10;
        row.end = 21 * 60 + 50;
        const ReservationEntries rows = {row};
        week.distribute(rows);
        const PixelRect r = blockRect(layout, 2, 910, 1010);
        for (int32_t y = r.top + 1; y < r.bottom; ++y) {
            ASSERT_TRUE(gridPointAt(layout, static_cast<uint32_t>(r.left + 1), static_cast<uint32_t>(y), point));
            EXPECT_EQ(week.hitTest(point.dayIndex, point.minute), &rows[0]) << "dpi " << dpi << " y " << y;
        }
    }
}

// Margins, ticks and text offsets scale with the DPI and round: 3 pixels at 96 DPI are 4.5 at 144.
TEST(TimelineLayout, ScaledLengthsRound) {
    const struct {
        int32_t dpi, pixels, scaled;
    } cases[] = {{96, 3, 3}, {144, 3, 5}, {144, 2, 3}, {120, 1, 1}, {192, 3, 6}};
    for (const auto& c : cases) {
        EXPECT_EQ(scaledLength(timelineLayout(300, 466, c.dpi), c.pixels), c.scaled) << c.pixels << " at " << c.dpi;
    }
}

// The red of an overlap fills the day between its lines (starting right of the line that opens the
// day) and is at least a pixel long, so that a one-minute clash still shows.
TEST(TimelineLayout, OverlapAreasLieInsideTheDayAndAreNeverEmpty) {
    const struct {
        const char* name;
        TimelineLayout layout;
        int32_t day, start, end;
        int32_t left, top, right, bottom;
    } cases[] = {
        {"portrait, half an hour", timelineLayout(300, 466), 0, 330, 360, 21, 111, 59, 120},
        {"portrait, one minute", timelineLayout(300, 466), 2, 600, 601, 99, 192, 137, 193},
        {"landscape, one minute", timelineLayout(495, 190), 1, 90, 91, 44, 41, 45, 65},
        {"144 DPI, the first minute", timelineLayout(450, 699, 144), 0, 0, 1, 31, 18, 88, 19},
    };
    for (const auto& c : cases) {
        const PixelArea a = overlapArea(c.layout, c.day, c.start, c.end);
        EXPECT_EQ(a.left, c.left) << c.name;
        EXPECT_EQ(a.top, c.top) << c.name;
        EXPECT_EQ(a.right, c.right) << c.name;
        EXPECT_EQ(a.bottom, c.bottom) << c.name;
    }
}
