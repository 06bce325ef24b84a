// Timeline geometry from the client size; all divisions truncate like the drawing they serve.
// The grid is laid out in 96-DPI pixels and each position is scaled to the screen's DPI only at
// the end, so that at 96 DPI the arithmetic is exactly the unscaled one.
#include "recorder/TimelineLayout.h"

#include <algorithm>

namespace {

constexpr int32_t kDays = 7;
constexpr int32_t kHours = 24;
constexpr int32_t kMinutesPerHour = 60;

int32_t atLeastZero(int32_t value) { return value < 0 ? 0 : value; }

// The pixel where a position `units`/`perCell` cells after `origin` falls (origin and cell in 96-DPI
// pixels): truncated once, after scaling, so 1.5 times a 96-DPI position is off by less than a pixel.
int32_t axisPixel(const TimelineLayout& layout, int32_t origin, int32_t cell, int64_t units, int32_t perCell) {
    const int64_t scaled = (int64_t{origin} * perCell + int64_t{cell} * units) * layout.dpi;
    return static_cast<int32_t>(scaled / (int64_t{perCell} * kStandardDpi));
}

// The cell whose drawn start (see axisPixel) is the last at or before `pixel`; pixel is at or past
// the drawn origin, so the result is never negative.
int32_t cellAt(const TimelineLayout& layout, int32_t origin, int32_t cell, int64_t pixel) {
    const int64_t room = (pixel + 1) * kStandardDpi - int64_t{origin} * layout.dpi - 1;
    return static_cast<int32_t>(room / (int64_t{cell} * layout.dpi));
}

// The minute whose exact position is the last at or before `pixel` (at 96 DPI: pixels past the
// origin × 60 / cell).
int32_t minuteAt(const TimelineLayout& layout, int32_t origin, int32_t cell, int64_t pixel) {
    const int64_t room = pixel * kMinutesPerHour * kStandardDpi - int64_t{origin} * kMinutesPerHour * layout.dpi;
    return static_cast<int32_t>(std::max<int64_t>(room, 0) / (int64_t{cell} * layout.dpi));
}

}  // namespace

TimelineLayout timelineLayout(int32_t width, int32_t height, int32_t dpi) {
    TimelineLayout layout;
    layout.dpi = dpi > 0 ? dpi : kStandardDpi;
    layout.portrait = width < height;
    const int32_t w = static_cast<int32_t>(int64_t{width} * kStandardDpi / layout.dpi);
    const int32_t h = static_cast<int32_t>(int64_t{height} * kStandardDpi / layout.dpi);
    if (layout.portrait) {
        layout.x0 = 20;
        layout.y0 = 12;
        layout.colWidth = atLeastZero((w - 21) / kDays);
        layout.rowHeight = atLeastZero((h - 12) / kHours);
    } else {
        layout.x0 = 14;
        layout.y0 = 15;
        layout.colWidth = atLeastZero((w - 15) / kHours);
        layout.rowHeight = atLeastZero((h - 15) / kDays);
    }
    return layout;
}

int32_t scaledLength(const TimelineLayout& layout, int32_t pixels) {
    const int64_t scaled = int64_t{pixels} * layout.dpi;
    const int64_t half = kStandardDpi / 2;
    return static_cast<int32_t>((scaled >= 0 ? scaled + half : scaled - half) / kStandardDpi);
}

PixelPoint gridOrigin(const TimelineLayout& layout) {
    return PixelPoint{axisPixel(layout, layout.x0, 0, 0, 1), axisPixel(layout, layout.y0, 0, 0, 1)};
}

int32_t hourPosition(const TimelineLayout& layout, int32_t hourIndex) {
    return layout.portrait ? axisPixel(layout, layout.y0, layout.rowHeight, hourIndex, 1)
                           : axisPixel(layout, layout.x0, layout.colWidth, hourIndex, 1);
}

int32_t dayPosition(const TimelineLayout& layout, int32_t dayIndex) {
    return layout.portrait ? axisPixel(layout, layout.x0, layout.colWidth, dayIndex, 1)
                           : axisPixel(layout, layout.y0, layout.rowHeight, dayIndex, 1);
}

PixelRect blockRect(const TimelineLayout& layout, int32_t dayIndex, int32_t start, int32_t end) {
    PixelRect r;
    if (layout.portrait) {
        r.left = dayPosition(layout, dayIndex);
        r.right = dayPosition(layout, dayIndex + 1);
        r.top = axisPixel(layout, layout.y0, layout.rowHeight, start, kMinutesPerHour);
        r.bottom = axisPixel(layout, layout.y0, layout.rowHeight, end, kMinutesPerHour);
    } else {
        r.left = axisPixel(layout, layout.x0, layout.colWidth, start, kMinutesPerHour);
        r.right = axisPixel(layout, layout.x0, layout.colWidth, end, kMinutesPerHour);
        r.top = dayPosition(layout, dayIndex);
        r.bottom = dayPosition(layout, dayIndex + 1);
    }
    return r;
}

bool gridPointAt(const TimelineLayout& layout, uint32_t x, uint32_t y, GridPoint& point) {
    const int64_t px = x;
    const int64_t py = y;
    const PixelPoint origin = gridOrigin(layout);
    if (px < origin.x || py < origin.y) return false;
    if (layout.colWidth <= 0 || layout.rowHeight <= 0) return false;
    if (layout.portrait) {
        point.dayIndex = cellAt(layout, layout.x0, layout.colWidth, px);
        point.minute = minuteAt(layout, layout.y0, layout.rowHeight, py);
    } else {
        point.dayIndex = cellAt(layout, layout.y0, layout.rowHeight, py);
        point.minute = minuteAt(layout, layout.x0, layout.colWidth, px);
    }
    return true;
}
