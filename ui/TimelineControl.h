// The week timeline: a custom-drawn child window with one coloured block per reservation and day.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "recorder/BlockOverlaps.h"
#include "recorder/ReservationList.h"
#include "recorder/TimelineLayout.h"
#include "recorder/WeekSchedule.h"
#include "ui/Framework.h"

// What the timeline sends its parent with WM_NOTIFY (code NM_CLICK) when the pointer moves over
// the grid or presses on it: the row under the pointer, or null over an empty part of the grid.
// Over a (red) overlap, `overlap` holds its rows in list order and `entry` is the first of them;
// elsewhere `overlap` is null.
struct TimelineNotify {
    NMHDR header;
    const ReservationEntry* entry;
    const BlockOverlap* overlap;
};

class TimelineControl : public XoWindowBase {
public:
    static constexpr UINT kNotifyCode = NM_CLICK;

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Starts the week at the current broadcast day, places `rows` on it and repaints without
    // erasing. The blocks point into `rows`: the vector must stay unchanged until the next call.
    void showRows(const ReservationEntries& rows);

    // The DPI to draw at, from now on: geometry, ticks and text offsets scale with it (96 draws the
    // unscaled pixels). Before create, or 0, the window's own DPI is taken when it is created.
    void setDpi(int dpi);

    const WeekSchedule& schedule() const { return schedule_; }
    // Where the blocks of the week shown overlap (painted red).
    const WeekOverlaps& overlaps() const { return overlaps_; }
    const TimelineLayout& layout() const { return layout_; }

private:
    void startAtCurrentBroadcastDay();
    void layOut();
    void paint();
    LRESULT point(LPARAM lParam);

    int dpi_ = 0;
    TimelineLayout layout_;
    WeekSchedule schedule_;
    WeekOverlaps overlaps_;  // of schedule_'s blocks
};
