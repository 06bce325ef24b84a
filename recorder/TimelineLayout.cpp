// Timeline geometry from the client size; all divisions truncate like the drawing they serve.
#include "recorder/TimelineLayout.h"

namespace {

constexpr int32_t kDays = 7;
constexpr int32_t kHours = 24;
constexpr int32_t kMinutesPerHour = 60;

int32_t atLeastZero(int32_t value) { return value < 0 ? 0 : value; }

}  // namespace

TimelineLayout timelineLayout(int32_t width, int32_t height) {
    TimelineLayout layout;
    layout.portrait = width < height;
    if (layout.portrait) {
        layout.x0 = 20;
        layout.y0 = 12;
        layout.colWidth = atLeastZero((width - 21) / kDays);
        layout.rowHeight = atLeastZero((height - 12) / kHours);
    } else {
        layout.x0 = 14;
        layout.y0 = 15;
        layout.colWidth = atLeastZero((width - 15) / kHours);
        layout.rowHeight = atLeastZero((height - 15) / kDays);
    }
    return layout;
}

int32_t hourPosition(const TimelineLayout& layout, int32_t hourIndex) {
    return layout.portrait ? layout.y0 + hourIndex * layout.rowHeight : layout.x0 + hourIndex * layout.colWidth;
}

int32_t dayPosition(const TimelineLayout& layout, int32_t dayIndex) {
    return layout.portrait ? layout.x0 + dayIndex * layout.colWidth : layout.y0 + dayIndex * layout.rowHeight;
}

PixelRect blockRect(const TimelineLayout& layout, int32_t dayIndex, int32_t start, int32_t end) {
    PixelRect r;
    if (layout.portrait) {
        r.left = layout.x0 + dayIndex * layout.colWidth;
        r.right = r.left + layout.colWidth;
        r.top = layout.y0 + layout.rowHeight * start / kMinutesPerHour;
        r.bottom = layout.y0 + layout.rowHeight * end / kMinutesPerHour;
    } else {
        r.left = layout.x0 + layout.colWidth * start / kMinutesPerHour;
        r.right = layout.x0 + layout.colWidth * end / kMinutesPerHour;
        r.top = layout.y0 + dayIndex * layout.rowHeight;
        r.bottom = r.top + layout.rowHeight;
    }
    return r;
}

bool gridPointAt(const TimelineLayout& layout, uint32_t x, uint32_t y, GridPoint& point) {
    const int64_t px = x;
    const int64_t py = y;
    if (px < layout.x0 || py < layout.y0) return false;
    if (layout.colWidth <= 0 || layout.rowHeight <= 0) return false;
    const int64_t dx = px - layout.x0;
    const int64_t dy = py - layout.y0;
    if (layout.portrait) {
        point.dayIndex = static_cast<int32_t>(dx / layout.colWidth);
        point.minute = static_cast<int32_t>(dy * kMinutesPerHour / layout.rowHeight);
    } else {
        point.dayIndex = static_cast<int32_t>(dy / layout.rowHeight);
        point.minute = static_cast<int32_t>(dx * kMinutesPerHour / layout.colWidth);
    }
    return true;
}
