// Day numbers, the broadcast day, and how reservations land on the seven days of the timeline.
#include <gtest/gtest.h>

#include <string>

#include "recorder/BlockOverlaps.h"
#include "recorder/WeekSchedule.h"

namespace {

constexpr int kSunday = 0;
constexpr int kMonday = 1;
constexpr int kSaturday = 6;

int minutes(int hour, int minute) { return hour * 60 + minute; }

ReservationEntry oneTime(int year, int month, int day, int start, int end, const std::string& title = "once") {
    ReservationEntry row;
    row.year = static_cast<uint16_t>(year);
    row.month = static_cast<uint8_t>(month);
    row.day = static_cast<uint8_t>(day);
    row.start = static_cast<uint16_t>(start);
    row.end = static_cast<uint16_t>(end);
    row.title = title;
    return row;
}

ReservationEntry weekly(uint8_t mask, int start, int end, const std::string& title = "weekly") {
    ReservationEntry row;
    row.weekdayMask = mask;
    row.start = static_cast<uint16_t>(start);
    row.end = static_cast<uint16_t>(end);
    row.title = title;
    return row;
}

LocalTime at(int year, int month, int day, int hour, int minute = 0) {
    LocalTime t;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    return t;
}

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysIn(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// Every block of every slot as "slot:start-end[w]", for whole-schedule comparisons.
std::string blocksOf(const WeekSchedule& week) {
    std::string out;
    for (int k = 0; k < WeekSchedule::kDays; ++k) {
        for (const TimeBlock& b : week.slot(k).blocks) {
            if (!out.empty()) out += ' ';
            out += std::to_string(k) + ":" + std::to_string(b.start) + "-" + std::to_string(b.end) + (b.weekly ? "w" : "");
        }
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TEST(WeekScheduleDayNumber, KnownDatesFallOnTheirWeekdays) {
    EXPECT_EQ(dayOfWeekOf(dayNumber(2004, 1, 31)), kSaturday);
    EXPECT_EQ(dayOfWeekOf(dayNumber(1970, 1, 1)), 4);   // Thursday
    EXPECT_EQ(dayOfWeekOf(dayNumber(2000, 1, 1)), kSaturday);
    EXPECT_EQ(dayOfWeekOf(dayNumber(1900, 3, 1)), 4);   // 1900 was not a leap year
    EXPECT_EQ(dayOfWeekOf(dayNumber(2024, 2, 29)), 4);
    EXPECT_EQ(dayOfWeekOf(dayNumber(2023, 10, 1)), kSunday);
}

TEST(WeekScheduleDayNumber, CalendarDaysAreConsecutiveAndConvertBack) {
    int32_t previous = dayNumber(1899, 12, 31);
    for (int year = 1900; year <= 2101; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= daysIn(year, month); ++day) {
                const int32_t n = dayNumber(year, month, day);
                ASSERT_EQ(n, previous + 1) << year << "/" << month << "/" << day;
                const CalendarDate back = dateFromDayNumber(n);
                ASSERT_EQ(back.year, year);
                ASSERT_EQ(back.month, month);
                ASSERT_EQ(back.day, day);
                ASSERT_EQ(back.dayOfWeek, dayOfWeekOf(n));
                previous = n;
            }
        }
    }
}

TEST(WeekScheduleDayNumber, DayZeroIsTheLastDayOfThePreviousMonth) {
    EXPECT_EQ(dayNumber(2004, 3, 0), dayNumber(2004, 2, 29));
    EXPECT_EQ(dayNumber(2003, 3, 0), dayNumber(2003, 2, 28));
    EXPECT_EQ(dayNumber(2005, 1, 0), dayNumber(2004, 12, 31));
    EXPECT_EQ(dayNumber(2004, 5, 0), dayNumber(2004, 4, 30));
}

TEST(WeekScheduleDayNumber, MonthsOutsideTheYearCarryOver) {
    EXPECT_EQ(dayNumber(2004, 13, 1), dayNumber(2005, 1, 1));
    EXPECT_EQ(dayNumber(2004, 0, 1), dayNumber(2003, 12, 1));
}

TEST(WeekScheduleDayNumber, OnlyDaysOfTheCalendarExist) {
    struct Case {
        int year, month, day;
        bool exists;
    };
    const Case cases[] = {
        {2004, 2, 29, true},  {2003, 2, 29, false}, {1900, 2, 29, false}, {2000, 2, 29, true},
        {2004, 2, 30, false}, {2004, 4, 30, true},  {2004, 4, 31, false}, {2004, 12, 31, true},
        {2004, 1, 32, false}, {2004, 1, 0, false},  {2004, 13, 1, false}, {2004, 0, 1, false},
        {1, 1, 1, true},      {0, 1, 1, false},     {2147483647, 12, 31, false},  // its day number does not fit
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dateExists(c.year, c.month, c.day), c.exists) << c.year << "/" << c.month << "/" << c.day;
    }
}

// ---------------------------------------------------------------------------------------------

TEST(WeekScheduleBroadcastDay, BeforeFiveInTheMorningIsStillYesterday) {
    // 2004-02-02 is a Monday.
    const CalendarDate early = broadcastDayOf(at(2004, 2, 2, 3));
    EXPECT_EQ(dayNumber(early.year, early.month, early.day), dayNumber(2004, 2, 1));
    EXPECT_EQ(early.dayOfWeek, kSunday);
    const CalendarDate lastMinute = broadcastDayOf(at(2004, 2, 2, 4, 59));
    EXPECT_EQ(dayNumber(lastMinute.year, lastMinute.month, lastMinute.day), dayNumber(2004, 2, 1));
    const CalendarDate five = broadcastDayOf(at(2004, 2, 2, 5));
    EXPECT_EQ(dayNumber(five.year, five.month, five.day), dayNumber(2004, 2, 2));
    EXPECT_EQ(five.dayOfWeek, kMonday);
}

TEST(WeekScheduleBroadcastDay, OpenedAtThreeOnAMondayTheFirstColumnIsSunday) {
    const CalendarDate start = broadcastDayOf(at(2004, 2, 2, 3));
    WeekSchedule week;
    week.setStart(start.year, start.month, start.day);
    EXPECT_EQ(week.slot(0).dayOfWeek, kSunday);
    EXPECT_EQ(week.dateOf(0).day, 1);
    EXPECT_EQ(week.dateOf(0).dayOfWeek, kSunday);
    EXPECT_EQ(week.dateOf(6).dayOfWeek, kSaturday);
}

TEST(WeekScheduleBroadcastDay, EarlyOnTheFirstOfTheMonthStartsOnTheLastDayOfTheOldOne) {
    WeekSchedule week;
    const CalendarDate newYear = broadcastDayOf(at(2005, 1, 1, 2));
    week.setStart(newYear.year, newYear.month, newYear.day);
    EXPECT_EQ(week.dateOf(0).year, 2004);
    EXPECT_EQ(week.dateOf(0).month, 12);
    EXPECT_EQ(week.dateOf(0).day, 31);
    EXPECT_EQ(week.dateOf(1).year, 2005);
    EXPECT_EQ(week.dateOf(1).day, 1);

    const CalendarDate leap = broadcastDayOf(at(2004, 3, 1, 0, 30));
    week.setStart(leap.year, leap.month, leap.day);
    EXPECT_EQ(week.dateOf(0).month, 2);
    EXPECT_EQ(week.dateOf(0).day, 29);
}

// ---------------------------------------------------------------------------------------------

class WeekScheduleDistribute : public ::testing::Test {
protected:
    // Week from Sunday 2004-02-08 to Saturday 2004-02-14.
    void SetUp() override { week.setStart(2004, 2, 8); }
    WeekSchedule week;
};

TEST_F(WeekScheduleDistribute, ProgrammePastMidnightStaysInItsBroadcastDay) {
    const ReservationEntries rows = {oneTime(2004, 2, 10, minutes(23, 0), minutes(1, 0))};
    week.distribute(rows);
    ASSERT_EQ(blocksOf(week), "2:1080-1200");
    EXPECT_EQ(week.slot(2).blocks[0].entry, &rows[0]);
}

TEST_F(WeekScheduleDistribute, ProgrammeBeforeFiveBelongsToThePreviousDay) {
    const ReservationEntries rows = {oneTime(2004, 2, 10, minutes(2, 0), minutes(3, 0))};
    week.distribute(rows);
    EXPECT_EQ(blocksOf(week), "1:1260-1320");  // the column of the 9th
}

TEST_F(WeekScheduleDistribute, ProgrammeAcrossFiveSplitsIntoTwoDays) {
    const ReservationEntries rows = {oneTime(2004, 2, 10, minutes(4, 30), minutes(5, 30))};
    week.distribute(rows);
    ASSERT_EQ(blocksOf(week), "1:1410-1440 2:0-30");
    EXPECT_EQ(week.slot(1).blocks[0].entry, &rows[0]);
    EXPECT_EQ(week.slot(2).blocks[0].entry, &rows[0]);
}

TEST_F(WeekScheduleDistribute, WeeklySaturdayOvernightWrapsToTheSundayColumn) {
    const ReservationEntries rows = {weekly(1u << kSaturday, minutes(23, 0), minutes(6, 0))};
    week.distribute(rows);
    // Saturday is the last column; the "following Sunday" of a weekly row is the Sunday column.
    EXPECT_EQ(blocksOf(week), "0:0-60w 6:1080-1440w");

    WeekSchedule fromMonday;
    fromMonday.setStart(2004, 2, 9);
    fromMonday.distribute(rows);
    EXPECT_EQ(blocksOf(fromMonday), "5:1080-1440w 6:0-60w");
}

TEST_F(WeekScheduleDistribute, WeeklyEarlyMorningGoesToThePreviousWeekday) {
    // Sunday 2:00 is the Saturday's broadcast day; Monday 2:00 the Sunday's.
    const ReservationEntries rows = {weekly((1u << kSunday) | (1u << kMonday), minutes(2, 0), minutes(3, 0))};
    week.distribute(rows);
    EXPECT_EQ(blocksOf(week), "0:1260-1320w 6:1260-1320w");
}

TEST_F(WeekScheduleDistribute, EveryDayGivesOneWeeklyBlockInEachColumn) {
    const ReservationEntries rows = {weekly(0xFF, minutes(12, 0), minutes(12, 30))};
    week.distribute(rows);
    for (int k = 0; k < WeekSchedule::kDays; ++k) {
        ASSERT_EQ(week.slot(k).blocks.size(), 1u) << k;
        EXPECT_TRUE(week.slot(k).blocks[0].weekly);
        EXPECT_EQ(week.slot(k).blocks[0].start, 420);
        EXPECT_EQ(week.slot(k).blocks[0].end, 450);
    }
}

TEST_F(WeekScheduleDistribute, DaysOutsideTheWeekGiveNoBlocks) {
    const ReservationEntries rows = {
        oneTime(2004, 2, 7, minutes(20, 0), minutes(21, 0)),   // the day before the week
        oneTime(2004, 2, 15, minutes(20, 0), minutes(21, 0)),  // the day after it
        oneTime(2004, 2, 15, minutes(1, 0), minutes(2, 0)),    // early: the 14th, the last column
        oneTime(2004, 2, 14, minutes(22, 0), minutes(6, 0)),   // its morning part would be the 15th
        oneTime(2004, 2, 8, minutes(4, 0), minutes(6, 0)),     // its night part would be the 7th
    };
    week.distribute(rows);
    EXPECT_EQ(blocksOf(week), "0:0-60 6:1200-1260 6:1020-1440");
}

TEST_F(WeekScheduleDistribute, RowsWithoutADateOrMaskGiveNoBlocks) {
    ReservationEntry noDate = oneTime(0, 0, 0, minutes(20, 0), minutes(21, 0));
    ReservationEntry badMonth = oneTime(2004, 13, 10, minutes(20, 0), minutes(21, 0));
    ReservationEntry badDay = oneTime(2004, 2, 0, minutes(20, 0), minutes(21, 0));
    week.distribute({noDate, badMonth, badDay});
    EXPECT_EQ(blocksOf(week), "");
}

TEST(WeekScheduleDistributeDates, DaysTheCalendarLacksGiveNoBlocks) {
    struct Case {
        int year, month, day;
        const char* blocks;  // in a week whose fourth column is that day, or the day it would fall on
    };
    const Case cases[] = {
        {2004, 2, 30, ""},  // would be drawn on 3/1
        {2003, 2, 29, ""},  // a common year: also 3/1
        {2004, 4, 31, ""},  // would be 5/1
        {2004, 2, 29, "3:900-960"},
        {2004, 4, 30, "3:900-960"},
    };
    for (const Case& c : cases) {
        WeekSchedule week;
        week.setStart(c.year, c.month, c.day - 3);
        const ReservationEntries rows = {oneTime(c.year, c.month, c.day, minutes(20, 0), minutes(21, 0))};
        week.distribute(rows);
        EXPECT_EQ(blocksOf(week), c.blocks) << c.year << "/" << c.month << "/" << c.day;
    }
}

TEST_F(WeekScheduleDistribute, StartingAgainDropsTheBlocks) {
    const ReservationEntries rows = {weekly(0xFF, minutes(12, 0), minutes(13, 0))};
    week.distribute(rows);
    week.setStart(2004, 2, 9);
    EXPECT_EQ(blocksOf(week), "");
    week.distribute(rows);
    week.clearBlocks();
    EXPECT_EQ(blocksOf(week), "");
    EXPECT_EQ(week.dateOf(0).day, 9);
}

// ---------------------------------------------------------------------------------------------

TEST_F(WeekScheduleDistribute, HitTestFindsTheFirstBlockAddedAtThatMinute) {
    const ReservationEntries rows = {
        oneTime(2004, 2, 10, minutes(20, 0), minutes(22, 0), "first"),
        weekly(1u << 2, minutes(21, 0), minutes(23, 0), "second"),  // Tuesday, the 10th
    };
    week.distribute(rows);
    EXPECT_EQ(week.hitTest(2, 900), &rows[0]);
    EXPECT_EQ(week.hitTest(2, 960), &rows[0]);   // both cover 21:00; the first added wins
    EXPECT_EQ(week.hitTest(2, 1019), &rows[0]);
    EXPECT_EQ(week.hitTest(2, 1020), &rows[1]);  // the end is not part of the block
    EXPECT_EQ(week.hitTest(2, 1080), nullptr);
    EXPECT_EQ(week.hitTest(2, 899), nullptr);
    EXPECT_EQ(week.hitTest(3, 960), nullptr);
}

TEST_F(WeekScheduleDistribute, HitTestOutsideTheSevenDaysFindsNothing) {
    const ReservationEntries rows = {weekly(0xFF, minutes(5, 0), minutes(23, 59))};
    week.distribute(rows);
    EXPECT_NE(week.hitTest(0, 0), nullptr);
    EXPECT_NE(week.hitTest(6, 0), nullptr);
    EXPECT_EQ(week.hitTest(-1, 0), nullptr);
    EXPECT_EQ(week.hitTest(7, 0), nullptr);
}

// ---------------------------------------------------------------------------------------------

namespace {

// Every overlap of every day as "slot:start-end title/title".
std::string overlapsText(const WeekSchedule& week) {
    std::string out;
    const WeekOverlaps overlaps = overlapsOfWeek(week);
    for (int k = 0; k < WeekSchedule::kDays; ++k) {
        for (const BlockOverlap& o : overlaps[static_cast<size_t>(k)]) {
            if (!out.empty()) out += ' ';
            out += std::to_string(k) + ":" + std::to_string(o.start) + "-" + std::to_string(o.end) + " ";
            for (size_t i = 0; i < o.entries.size(); ++i) out += (i > 0 ? "/" : "") + o.entries[i]->title;
        }
    }
    return out;
}

}  // namespace

TEST_F(WeekScheduleDistribute, OverlapsAreTheMinutesOfTwoOrMoreBlocksWithTheirRowsInListOrder) {
    const struct {
        const char* name;
        ReservationEntries rows;
        const char* overlaps;
    } cases[] = {
        {"two",
         {oneTime(2004, 2, 10, minutes(20, 0), minutes(22, 0), "A"), oneTime(2004, 2, 10, minutes(21, 0), minutes(23, 0), "B")},
         "2:960-1020 A/B"},
        {"three, each stretch with the rows there",
         {oneTime(2004, 2, 9, minutes(20, 0), minutes(22, 0), "A"), oneTime(2004, 2, 9, minutes(21, 0), minutes(23, 0), "B"),
          oneTime(2004, 2, 9, minutes(21, 30), minutes(22, 30), "C")},
         "1:960-990 A/B 1:990-1020 A/B/C 1:1020-1050 B/C"},
        {"nested",
         {oneTime(2004, 2, 11, minutes(19, 0), minutes(23, 0), "A"), oneTime(2004, 2, 11, minutes(20, 0), minutes(21, 0), "B"),
          oneTime(2004, 2, 11, minutes(20, 15), minutes(20, 30), "C")},
         "3:900-915 A/B 3:915-930 A/B/C 3:930-960 A/B"},
        {"back to back",
         {oneTime(2004, 2, 12, minutes(20, 0), minutes(21, 0), "A"), oneTime(2004, 2, 12, minutes(21, 0), minutes(22, 0), "B"),
          oneTime(2004, 2, 12, minutes(19, 0), minutes(20, 0), "C")},
         ""},
        {"one-time row listed before a weekly Monday-Friday row",
         {oneTime(2004, 2, 11, minutes(19, 30), minutes(20, 30), "once"),
          weekly(0x3E, minutes(19, 0), minutes(20, 0), "weekdays")},
         "3:870-900 once/weekdays"},
        {"weekly every day against two one-time rows",
         {weekly(0xFF, minutes(7, 0), minutes(8, 0), "daily"), oneTime(2004, 2, 8, minutes(7, 59), minutes(9, 0), "sun"),
          oneTime(2004, 2, 14, minutes(6, 0), minutes(7, 1), "sat")},
         "0:179-180 daily/sun 6:120-121 daily/sat"},
        {"cut at the day's edges: past 5:00 into the next column, before 5:00 into the previous",
         {oneTime(2004, 2, 9, minutes(23, 0), minutes(6, 0), "late"), oneTime(2004, 2, 10, minutes(5, 30), minutes(7, 0), "morning"),
          oneTime(2004, 2, 10, minutes(4, 0), minutes(4, 50), "early")},
         "1:1380-1430 late/early 2:30-60 late/morning"},
        {"the week after a Saturday night wraps to its Sunday",
         {weekly(1u << kSaturday, minutes(23, 0), minutes(6, 0), "saturday night"),
          oneTime(2004, 2, 8, minutes(5, 0), minutes(5, 30), "sunday")},
         "0:0-30 saturday night/sunday"},
        {"a single block", {oneTime(2004, 2, 10, minutes(20, 0), minutes(22, 0), "A")}, ""},
        {"an empty week", {}, ""},
    };
    for (const auto& c : cases) {
        week.setStart(2004, 2, 8);
        week.distribute(c.rows);
        EXPECT_EQ(overlapsText(week), c.overlaps) << c.name;
    }
}

// What the list marks and names for each row: every row it shares minutes with on any day, in list
// order, whichever day the overlap falls on.
TEST_F(WeekScheduleDistribute, OverlappingRowsOfARowAreAllItsPartnersInListOrder) {
    const ReservationEntries rows = {
        weekly(0xFF, minutes(7, 0), minutes(8, 0), "daily"),
        oneTime(2004, 2, 14, minutes(6, 0), minutes(7, 1), "sat"),
        oneTime(2004, 2, 8, minutes(7, 59), minutes(9, 0), "sun"),
        oneTime(2004, 2, 10, minutes(20, 0), minutes(22, 0), "late"),
        oneTime(2004, 2, 10, minutes(21, 0), minutes(23, 0), "later"),
        oneTime(2004, 2, 10, minutes(23, 0), minutes(23, 30), "after"),     // back to back: no overlap
        oneTime(2004, 3, 1, minutes(20, 0), minutes(22, 0), "next month"),  // outside the week
    };
    const char* const expected[] = {"daily/sat/sun", "daily/sat", "daily/sun", "late/later", "late/later", "", ""};
    week.distribute(rows);
    const WeekOverlaps overlaps = overlapsOfWeek(week);
    for (size_t i = 0; i < rows.size(); ++i) {
        std::string titles;
        for (const ReservationEntry* row : overlappingRows(overlaps, &rows[i])) titles += (titles.empty() ? "" : "/") + row->title;
        EXPECT_EQ(titles, expected[i]) << rows[i].title;
    }
}
