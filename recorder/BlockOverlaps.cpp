// Overlaps of a day's blocks by a sweep over their start and end minutes, and where they are painted.
#include "recorder/BlockOverlaps.h"

#include <algorithm>
#include <functional>

std::vector<BlockOverlap> overlapsOf(const std::vector<TimeBlock>& blocks) {
    std::vector<int32_t> edges;
    for (const TimeBlock& block : blocks) {
        if (block.start >= block.end) continue;  // covers no minute
        edges.push_back(block.start);
        edges.push_back(block.end);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    std::vector<BlockOverlap> out;
    // Between two neighbouring edges the same blocks cover every minute.
    for (size_t i = 1; i < edges.size(); ++i) {
        const int32_t from = edges[i - 1];
        const int32_t to = edges[i];
        size_t covering = 0;
        std::vector<const ReservationEntry*> entries;
        for (const TimeBlock& block : blocks) {
            if (block.start > from || block.end < to || block.start >= block.end) continue;
            ++covering;
            if (std::find(entries.begin(), entries.end(), block.entry) == entries.end()) entries.push_back(block.entry);
        }
        if (covering >= 2) out.push_back(BlockOverlap{from, to, std::move(entries)});
    }
    return out;
}

WeekOverlaps overlapsOfWeek(const WeekSchedule& week) {
    WeekOverlaps out;
    for (int k = 0; k < WeekSchedule::kDays; ++k) out[static_cast<size_t>(k)] = overlapsOf(week.slot(k).blocks);
    return out;
}

std::vector<const ReservationEntry*> overlappingRows(const WeekOverlaps& overlaps, const ReservationEntry* row) {
    std::vector<const ReservationEntry*> out;
    for (const std::vector<BlockOverlap>& day : overlaps) {
        for (const BlockOverlap& overlap : day) {
            if (std::find(overlap.entries.begin(), overlap.entries.end(), row) == overlap.entries.end()) continue;
            out.insert(out.end(), overlap.entries.begin(), overlap.entries.end());
        }
    }
    // Elements of one vector: their addresses are their list order.
    std::sort(out.begin(), out.end(), std::less<const ReservationEntry*>());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

PixelArea overlapArea(const TimelineLayout& layout, int32_t dayIndex, int32_t start, int32_t end) {
    const PixelRect block = blockRect(layout, dayIndex, start, end);
    // The block's border lies on the day lines; the overlap fills what is between them.
    PixelArea area;
    if (layout.portrait) {
        area.left = block.left + 1;
        area.right = block.right;
        area.top = block.top;
        area.bottom = std::max(block.bottom, block.top + 1);
    } else {
        area.left = block.left;
        area.right = std::max(block.right, block.left + 1);
        area.top = block.top + 1;
        area.bottom = block.bottom;
    }
    return area;
}

const BlockOverlap* overlapAtPixel(const TimelineLayout& layout, const WeekOverlaps& overlaps, int32_t x, int32_t y) {
    const BlockOverlap* found = nullptr;
    for (int32_t k = 0; k < WeekSchedule::kDays; ++k) {
        for (const BlockOverlap& overlap : overlaps[static_cast<size_t>(k)]) {
            if (overlapArea(layout, k, overlap.start, overlap.end).contains(x, y)) found = &overlap;
        }
    }
    return found;
}
