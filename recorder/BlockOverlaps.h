// Where the blocks of one day of the week timeline overlap: on a recorder with one tuner each of
// these stretches loses a programme.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "recorder/ReservationList.h"
#include "recorder/TimelineLayout.h"
#include "recorder/WeekSchedule.h"

// A stretch [start, end) of one day (minutes after 5:00) covered by two or more blocks, and the rows
// of those blocks, each once, in the order of their blocks (which distribute adds in list order).
// The rows are the same for every minute of the stretch: where a block begins or ends inside an
// overlap, a new stretch begins.
struct BlockOverlap {
    int32_t start = 0;
    int32_t end = 0;
    std::vector<const ReservationEntry*> entries;
};

// The overlaps of a day's blocks, earliest first. Blocks are half-open: one that ends at the minute
// another starts does not overlap it.
std::vector<BlockOverlap> overlapsOf(const std::vector<TimeBlock>& blocks);

// The overlaps of each of the seven days.
using WeekOverlaps = std::array<std::vector<BlockOverlap>, WeekSchedule::kDays>;
WeekOverlaps overlapsOfWeek(const WeekSchedule& week);

// The rows that share minutes with `row` somewhere in the week, `row` among them, each once and in
// list order (all rows are elements of the one vector given to distribute); empty when `row`
// overlaps nothing.
std::vector<const ReservationEntry*> overlappingRows(const WeekOverlaps& overlaps, const ReservationEntry* row);

// A pixel area, left and top inclusive, right and bottom exclusive (as FillRect takes it).
struct PixelArea {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The area painted for an overlap [start, end) of day `dayIndex`: inside the borders of the day's
// block width, from where a block starting at `start` begins to where one ending at `end` ends
// (at least one pixel along the time axis, so that no overlap is too short to be seen).
PixelArea overlapArea(const TimelineLayout& layout, int32_t dayIndex, int32_t start, int32_t end);

// The overlap whose area holds pixel (x, y): the last one painted there (days in order, each day's
// overlaps in order), or null.
const BlockOverlap* overlapAtPixel(const TimelineLayout& layout, const WeekOverlaps& overlaps, int32_t x, int32_t y);
