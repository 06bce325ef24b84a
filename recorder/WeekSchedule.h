// The timeline's week: day numbers, seven day slots and the reservation blocks placed in them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Clock.h"
#include "recorder/ReservationList.h"

// A calendar date with its day of the week (0 Sunday .. 6 Saturday).
struct CalendarDate {
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t dayOfWeek = 0;
};

// Consecutive days have consecutive numbers; (number + 2) mod 7 is the day of the week (0 Sunday).
// Day 0 is the last day of the previous month; months outside 1..12 carry into the year.
int32_t dayNumber(int32_t year, int32_t month, int32_t day);
// The date of a day number (the inverse of dayNumber for real dates).
CalendarDate dateFromDayNumber(int32_t number);
// Day of the week (0 Sunday .. 6 Saturday) of a day number.
int32_t dayOfWeekOf(int32_t number);
// True when the date is a day of the calendar (year from 1): its day number converts back to the same
// year, month and day. 2/30, 4/31, 2/29 of a common year, month 13 or 0 and day 0 are false, although
// dayNumber gives each of them a number.
bool dateExists(int32_t year, int32_t month, int32_t day);

// The first day of the broadcast day that contains `now`: today, or yesterday before 5:00.
// The day may be 0 (the last day of the previous month), which dayNumber understands.
CalendarDate broadcastDayOf(const LocalTime& now);

// Minutes of a broadcast day: it runs from 5:00 (offset 0) to 5:00 of the next morning (1440).
constexpr int32_t kBroadcastDayStartMinute = 300;
constexpr int32_t kMinutesPerDay = 1440;

// One reservation, or its part, on one day: minutes after 5:00 of the slot's day, [start, end).
struct TimeBlock {
    bool weekly = false;
    int32_t start = 0;
    int32_t end = 0;
    const ReservationEntry* entry = nullptr;  // a row of the list given to distribute
};

struct DaySlot {
    int32_t dayNumber = 0;
    int32_t dayOfWeek = 0;
    std::vector<TimeBlock> blocks;  // in the order added; later ones are drawn on top
};

// Seven consecutive broadcast days and the blocks of the reservations that fall into them.
class WeekSchedule {
public:
    static constexpr int kDays = 7;

    // Starts at day number 0, with no blocks, until setStart.
    WeekSchedule();

    // Slot k gets the day dayNumber(year, month, day) + k and no blocks.
    void setStart(int32_t year, int32_t month, int32_t day);
    // Adds the blocks of every row, in list order. The blocks point into `rows`: they stay valid
    // only as long as that vector is neither changed nor destroyed.
    void distribute(const ReservationEntries& rows);
    // Drops every block, keeping the days.
    void clearBlocks();

    // The row of the first block (in the order added) of slot dayIndex with start <= minute < end;
    // null when the index is not 0..6 or no block matches.
    const ReservationEntry* hitTest(int dayIndex, int32_t minute) const;
    // The date of slot dayIndex (0..6).
    CalendarDate dateOf(int dayIndex) const;
    const DaySlot& slot(int dayIndex) const { return slots_.at(static_cast<size_t>(dayIndex)); }

private:
    void setStartNumber(int32_t first);
    void addBlock(int slotIndex, bool weekly, int32_t start, int32_t end, const ReservationEntry& entry);
    int slotOfDayNumber(int32_t number) const;
    int slotOfDayOfWeek(int32_t dayOfWeek) const;
    void distributeRow(const ReservationEntry& row);

    std::array<DaySlot, kDays> slots_{};
};
