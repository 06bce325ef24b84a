// Pixel geometry of the week timeline: grid origin and cell sizes, block rectangles, pointer to grid.
#pragma once

#include <cstdint>

constexpr int32_t kStandardDpi = 96;

// The grid of a timeline window. Portrait (narrower than high): days across, hours down;
// landscape: hours across, days down. Origin and cell sizes are in pixels of a 96-DPI screen;
// on a screen of `dpi` every position is that many times larger (1.5 at 144 DPI), so the grid
// keeps its shape and looks the same at every DPI. Cell sizes are never negative; 0 means the
// window is smaller than its margins and the grid has no area.
struct TimelineLayout {
    bool portrait = true;
    int32_t x0 = 20;
    int32_t y0 = 12;
    int32_t colWidth = 0;   // portrait: a day; landscape: an hour
    int32_t rowHeight = 0;  // portrait: an hour; landscape: a day
    int32_t dpi = kStandardDpi;
};

// The layout of a client area of width × height pixels on a screen of `dpi` (at least 1).
TimelineLayout timelineLayout(int32_t width, int32_t height, int32_t dpi = kStandardDpi);

// A length of `pixels` at 96 DPI on a screen of the layout's DPI, rounded: margins, ticks, text offsets.
int32_t scaledLength(const TimelineLayout& layout, int32_t pixels);

// The grid origin in the window's pixels.
struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
};
PixelPoint gridOrigin(const TimelineLayout& layout);

// Pixel position along the hour axis where hour row `hourIndex` (0 = 5:00 .. 24) begins.
int32_t hourPosition(const TimelineLayout& layout, int32_t hourIndex);
// Pixel position along the day axis where day `dayIndex` (0..7) begins.
int32_t dayPosition(const TimelineLayout& layout, int32_t dayIndex);

struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;   // the block's border is drawn through right and bottom (inclusive)
    int32_t bottom = 0;
};

// The rectangle of a block of day `dayIndex` covering [start, end) minutes after 5:00.
PixelRect blockRect(const TimelineLayout& layout, int32_t dayIndex, int32_t start, int32_t end);

struct GridPoint {
    int32_t dayIndex = 0;  // may be 7 or more right of / below the grid
    int32_t minute = 0;    // minutes after 5:00
};

// The grid point under the pointer at window pixel (x, y): the day whose column (portrait) or row
// (landscape) holds that pixel as drawn, and the minute at the pixel's position. False when the
// pointer is left of or above the grid origin, or when the grid has no area (no division by a zero
// cell size).
bool gridPointAt(const TimelineLayout& layout, uint32_t x, uint32_t y, GridPoint& point);
