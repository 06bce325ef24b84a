// The timeline window: layout on resize, grid and blocks on paint, the row under the pointer to the parent.
#include "ui/TimelineControl.h"

#include <cstdio>

#include "platform/Clock.h"
#include "ui/Dpi.h"

namespace {

constexpr COLORREF kOneTimeColour = RGB(255, 255, 51);  // light yellow
constexpr COLORREF kWeeklyColour = RGB(255, 51, 255);   // pink
constexpr COLORREF kSundayColour = RGB(255, 0, 0);
constexpr COLORREF kSaturdayColour = RGB(0, 0, 255);
constexpr COLORREF kOverlapColour = RGB(255, 0, 0);
constexpr COLORREF kTextColour = RGB(0, 0, 0);
constexpr int kSunday = 0;
constexpr int kSaturday = 6;
constexpr int kHourRows = 24;
constexpr int kFirstHour = 5;
// In 96-DPI pixels, scaled like the grid.
constexpr int kTickLength = 3;
constexpr int kHourLabelLeft = 1;        // portrait: from the window's left edge
constexpr int kHourLabelAboveTick = 5;   // portrait: the label's top above its tick
constexpr int kHourLabelTop = 1;         // landscape: from the window's top edge
constexpr int kHourLabelBeforeTick = 6;  // landscape: the label's left before its tick
constexpr int kDayLabelInset = 2;        // from the day's opening line
// Sent to child windows after their parent's DPI changed (Windows 10 1703); MinGW's headers for
// Windows 7 do not have it.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// A brush this painting made; deleted when the painting ends (after the guards gave the old one back).
class OwnedBrush {
public:
    explicit OwnedBrush(COLORREF colour) : brush_(CreateSolidBrush(colour)) {}
    ~OwnedBrush() {
        if (brush_ != nullptr) DeleteObject(brush_);
    }
    OwnedBrush(const OwnedBrush&) = delete;
    OwnedBrush& operator=(const OwnedBrush&) = delete;
    HBRUSH get() const { return brush_; }

private:
    HBRUSH brush_;
};

void line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// "%02d" of a small number: the hour and day labels.
void drawTwoDigits(const DeviceContext& dc, int x, int y, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    dc.drawText(x, y, text, 2);
}

}  // namespace

LRESULT TimelineControl::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (dpi_ <= 0) dpi_ = windowDpi(hwnd);
        layOut();
        startAtCurrentBroadcastDay();
        return 0;
    case WM_SIZE:
        layout_ = timelineLayout(LOWORD(lParam), HIWORD(lParam), dpi_);
        return 0;
    case kDpiChangedAfterParent:
        setDpi(windowDpi(hwnd));
        return 0;
    case WM_PAINT:
        paint();
        return 1;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
        return point(lParam);
    default:
        return defaultProc(message, wParam, lParam);
    }
}

void TimelineControl::setDpi(int dpi) {
    if (dpi == dpi_) return;
    dpi_ = dpi;
    if (hwnd == nullptr) return;
    layOut();
    InvalidateRect(hwnd, nullptr, FALSE);
}

void TimelineControl::layOut() {
    RECT client = {};
    GetClientRect(hwnd, &client);
    layout_ = timelineLayout(client.right, client.bottom, dpi_);
}

void TimelineControl::startAtCurrentBroadcastDay() {
    const CalendarDate first = broadcastDayOf(currentLocalTime());
    schedule_.setStart(first.year, first.month, first.day);
    overlaps_ = WeekOverlaps();
}

void TimelineControl::showRows(const ReservationEntries& rows) {
    startAtCurrentBroadcastDay();
    schedule_.distribute(rows);
    overlaps_ = overlapsOfWeek(schedule_);
    if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
}

void TimelineControl::paint() {
    PaintContext context(hwnd);
    const HDC dc = context.handle();
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    context.textOut(0, 0, ETO_OPAQUE, &context.updateRect(), nullptr, 0, nullptr);

    const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(GetParent(hwnd), WM_GETFONT, 0, 0));
    SelectionGuard fontGuard(context, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    // Brushes before the guard: the guard gives the old brush back before they are deleted.
    const OwnedBrush oneTimeBrush(kOneTimeColour);
    const OwnedBrush weeklyBrush(kWeeklyColour);
    const OwnedBrush overlapBrush(kOverlapColour);
    SelectionGuard brushGuard(context, oneTimeBrush.get());

    const TimelineLayout& g = layout_;
    const PixelPoint origin = gridOrigin(g);
    const int hourAxisEnd = hourPosition(g, kHourRows);
    const int tick = scaledLength(g, kTickLength);
    SetTextColor(dc, kTextColour);
    for (int i = 0; i < kHourRows; ++i) {
        const int at = hourPosition(g, i);
        if (g.portrait) {
            line(dc, origin.x, at, origin.x - tick, at);
            if (i % 2 == 1) {
                drawTwoDigits(context, scaledLength(g, kHourLabelLeft), at - scaledLength(g, kHourLabelAboveTick),
                              kFirstHour + i);
            }
        } else {
            line(dc, at, origin.y, at, origin.y - tick);
            if (i % 2 == 1) {
                drawTwoDigits(context, at - scaledLength(g, kHourLabelBeforeTick), scaledLength(g, kHourLabelTop),
                              kFirstHour + i);
            }
        }
    }

    for (int k = 0; k < WeekSchedule::kDays; ++k) {
        const int closing = dayPosition(g, k + 1);
        if (g.portrait) {
            line(dc, closing, origin.y, closing, hourAxisEnd);
            if (k == 0) line(dc, origin.x, origin.y, origin.x, hourAxisEnd);
        } else {
            line(dc, origin.x, closing, hourAxisEnd, closing);
            if (k == 0) line(dc, origin.x, origin.y, hourAxisEnd, origin.y);
        }

        const CalendarDate date = schedule_.dateOf(k);
        SetTextColor(dc, date.dayOfWeek == kSunday     ? kSundayColour
                         : date.dayOfWeek == kSaturday ? kSaturdayColour
                                                       : kTextColour);
        const int inset = scaledLength(g, kDayLabelInset);
        if (g.portrait) {
            drawTwoDigits(context, dayPosition(g, k) + inset, 0, date.day);
        } else {
            drawTwoDigits(context, 0, dayPosition(g, k) + inset, date.day);
        }

        for (const TimeBlock& block : schedule_.slot(k).blocks) {
            SelectObject(dc, block.weekly ? weeklyBrush.get() : oneTimeBrush.get());
            const PixelRect r = blockRect(g, k, block.start, block.end);
            Rectangle(dc, r.left, r.top, r.right + 1, r.bottom + 1);
        }
        // On top of the blocks: minutes that would lose a programme on a recorder with one tuner.
        for (const BlockOverlap& overlap : overlaps_[static_cast<size_t>(k)]) {
            const PixelArea a = overlapArea(g, k, overlap.start, overlap.end);
            const RECT area = {a.left, a.top, a.right, a.bottom};
            FillRect(dc, &area, overlapBrush.get());
        }
    }
}

LRESULT TimelineControl::point(LPARAM lParam) {
    GridPoint at;
    if (!gridPointAt(layout_, LOWORD(lParam), HIWORD(lParam), at)) return 0;
    TimelineNotify notify = {};
    notify.header.hwndFrom = hwnd;
    notify.header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
    notify.header.code = kNotifyCode;
    // What is red names its overlap, to the pixel; elsewhere the first block at that minute.
    notify.overlap = overlapAtPixel(layout_, overlaps_, LOWORD(lParam), HIWORD(lParam));
    notify.entry = notify.overlap != nullptr ? notify.overlap->entries.front()
                                             : schedule_.hitTest(at.dayIndex, at.minute);
    return SendMessageW(GetParent(hwnd), WM_NOTIFY, notify.header.idFrom, reinterpret_cast<LPARAM>(&notify));
}
