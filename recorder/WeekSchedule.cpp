// Day numbers and the placing of reservations on the seven days of the timeline.
#include "recorder/WeekSchedule.h"

#include <limits>

namespace {

// Offsets of the months 1..12 in a year that starts on 1 March (so the leap day comes last).
constexpr int32_t kMonthOffset[12] = {306, 337, 0, 31, 61, 92, 122, 153, 184, 214, 245, 275};
// The same offsets in March-based order (March .. February), for the way back.
constexpr int32_t kMarchBasedOffset[12] = {0, 31, 61, 92, 122, 153, 184, 214, 245, 275, 306, 337};
constexpr int64_t kDaysPer400Years = 146097;

// Division and remainder rounding towards minus infinity, so that years before 0 stay consistent.
int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0 && ((a < 0) != (b < 0))) ? 1 : 0); }
int64_t floorMod(int64_t a, int64_t b) { return a - floorDiv(a, b) * b; }

int64_t dayNumber64(int64_t year, int64_t month, int64_t day) {
    year += floorDiv(month - 1, 12);
    month = floorMod(month - 1, 12) + 1;
    const int64_t c = month <= 2 ? year - 1 : year;
    return 365 * c + floorDiv(c, 4) - floorDiv(c, 100) + floorDiv(c, 400) + kMonthOffset[month - 1] + day;
}

}  // namespace

int32_t dayNumber(int32_t year, int32_t month, int32_t day) {
    return static_cast<int32_t>(dayNumber64(year, month, day));
}

int32_t dayOfWeekOf(int32_t number) { return static_cast<int32_t>(floorMod(static_cast<int64_t>(number) + 2, 7)); }

CalendarDate dateFromDayNumber(int32_t number) {
    const int64_t n = number;
    // c is the year whose March-based year holds n: estimate, then settle on the exact one.
    int64_t c = floorDiv((n - 1) * 400, kDaysPer400Years);
    while (dayNumber64(c + 1, 3, 1) <= n) ++c;
    while (dayNumber64(c, 3, 1) > n) --c;
    const int64_t offset = n - dayNumber64(c, 3, 1);
    int index = 11;
    while (kMarchBasedOffset[index] > offset) --index;
    CalendarDate date;
    date.month = index < 10 ? index + 3 : index - 9;
    date.year = static_cast<int32_t>(date.month <= 2 ? c + 1 : c);
    date.day = static_cast<int32_t>(offset - kMarchBasedOffset[index] + 1);
    date.dayOfWeek = dayOfWeekOf(number);
    return date;
}

bool dateExists(int32_t year, int32_t month, int32_t day) {
    if (year < 1) return false;
    const int64_t number = dayNumber64(year, month, day);
    if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max()) return false;
    const CalendarDate back = dateFromDayNumber(static_cast<int32_t>(number));
    return back.year == year && back.month == month && back.day == day;
}

CalendarDate broadcastDayOf(const LocalTime& now) {
    CalendarDate date;
    date.year = now.year;
    date.month = now.month;
    date.day = now.hour < 5 ? now.day - 1 : now.day;
    date.dayOfWeek = dayOfWeekOf(dayNumber(date.year, date.month, date.day));
    return date;
}

// ---------------------------------------------------------------------------------------------

WeekSchedule::WeekSchedule() { setStartNumber(0); }

void WeekSchedule::setStart(int32_t year, int32_t month, int32_t day) { setStartNumber(dayNumber(year, month, day)); }

void WeekSchedule::setStartNumber(int32_t first) {
    for (int k = 0; k < kDays; ++k) {
        DaySlot& slot = slots_[static_cast<size_t>(k)];
        slot.dayNumber = first + k;
        slot.dayOfWeek = dayOfWeekOf(slot.dayNumber);
        slot.blocks.clear();
    }
}

void WeekSchedule::clearBlocks() {
    for (DaySlot& slot : slots_) slot.blocks.clear();
}

void WeekSchedule::distribute(const ReservationEntries& rows) {
    for (const ReservationEntry& row : rows) distributeRow(row);
}

void WeekSchedule::distributeRow(const ReservationEntry& row) {
    int32_t s = row.start;
    int32_t t = row.end;
    const bool early = s < kBroadcastDayStartMinute;
    if (t <= s) t += kMinutesPerDay;  // ends on the next calendar day
    if (early) {
        // Before 5:00 belongs to the previous broadcast day, and so does its end.
        s += kMinutesPerDay;
        if (t < s) t += kMinutesPerDay;
    }
    const int32_t nextMorning = kBroadcastDayStartMinute + kMinutesPerDay;  // 5:00 of the next day
    const bool split = t > nextMorning;
    const int32_t firstEnd = split ? kMinutesPerDay : t - kBroadcastDayStartMinute;
    const int32_t begin = s - kBroadcastDayStartMinute;

    if (row.weekdayMask == 0) {
        // No date, a garbled cell or a day the calendar lacks (2/30 would land on 3/1): not placed.
        if (!dateExists(row.year, row.month, row.day)) return;
        const int32_t target = dayNumber(row.year, row.month, row.day) - (early ? 1 : 0);
        addBlock(slotOfDayNumber(target), false, begin, firstEnd, row);
        if (split) addBlock(slotOfDayNumber(target + 1), false, 0, t - nextMorning, row);
        return;
    }
    for (int32_t weekday = 0; weekday < kDays; ++weekday) {
        if ((row.weekdayMask & (1u << weekday)) == 0) continue;
        const int32_t target = early ? (weekday + kDays - 1) % kDays : weekday;
        addBlock(slotOfDayOfWeek(target), true, begin, firstEnd, row);
        if (split) addBlock(slotOfDayOfWeek((target + 1) % kDays), true, 0, t - nextMorning, row);
    }
}

void WeekSchedule::addBlock(int slotIndex, bool weekly, int32_t start, int32_t end, const ReservationEntry& entry) {
    if (slotIndex < 0) return;  // the day is not among the seven
    TimeBlock block;
    block.weekly = weekly;
    block.start = start;
    block.end = end;
    block.entry = &entry;
    slots_[static_cast<size_t>(slotIndex)].blocks.push_back(block);
}

int WeekSchedule::slotOfDayNumber(int32_t number) const {
    const int64_t index = static_cast<int64_t>(number) - slots_[0].dayNumber;
    return index >= 0 && index < kDays ? static_cast<int>(index) : -1;
}

int WeekSchedule::slotOfDayOfWeek(int32_t dayOfWeek) const {
    for (int k = 0; k < kDays; ++k) {
        if (slots_[static_cast<size_t>(k)].dayOfWeek == dayOfWeek) return k;
    }
    return -1;
}

const ReservationEntry* WeekSchedule::hitTest(int dayIndex, int32_t minute) const {
    if (dayIndex < 0 || dayIndex >= kDays) return nullptr;
    for (const TimeBlock& block : slots_[static_cast<size_t>(dayIndex)].blocks) {
        if (block.start <= minute && minute < block.end) return block.entry;
    }
    return nullptr;
}

CalendarDate WeekSchedule::dateOf(int dayIndex) const {
    return dateFromDayNumber(slots_.at(static_cast<size_t>(dayIndex)).dayNumber);
}
