// The reservation list dialog: fetches the recorder's list on a worker thread, shows it as lines and a timeline.
#include "ui/ReservationListDialog.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/Application.h"
#include "recorder/BlockOverlaps.h"
#include "recorder/ReservationList.h"
#include "settings/ConfigStore.h"
#include "ui/Dpi.h"
#include "ui/Framework.h"
#include "ui/Resource.h"
#include "ui/Text.h"
#include "ui/TimelineControl.h"

namespace {

const char kTitleSuffix[] = " - \x98\x5e\x89\xe6\x97\x5c\x96\xf1\x88\xea\x97\x97";  // " - 録画予約一覧"
// Begins the line of a row that shares minutes with another: the red of the timeline in words.
const char kOverlapMark[] = "\x81\xa6";  // "※"
// Between the titles of rows that overlap, in the title line.
const char kTitleSeparator[] = " / ";

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
// Bytes of "YYYY/" that a dated row's line leaves out.
constexpr size_t kYearPrefixLength = 5;
// Date, time and channel before the title; the list box's tab stops are in quarters of its font's
// average letter width, and a column ends one letter before the next begins.
constexpr int kTabbedColumns = 3;
constexpr int kTabUnitsPerLetter = 4;
constexpr int kColumnGapUnits = 4;

// Posts the completion command to the dialog; the job calls it on its own thread.
class CompletionPoster : public ListDialogHost {
public:
    void postCompletion() override { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(kJobDoneCommand, 0), 0); }
    HWND dialog = nullptr;  // set before the first job starts
};

// The rows shown are the dialog's own vector: the job fetches aside and a successful fetch is
// swapped in only when the completion command is handled, so the timeline's blocks (which point
// into `rows`) stay valid while a fetch runs.
struct ReservationListDialog {
    explicit ReservationListDialog(const ConfigStore& settings) : config(settings), job(poster, settings) {}

    HWND hwnd = nullptr;
    const ConfigStore& config;
    HWND list = nullptr;
    HWND status = nullptr;
    CompletionPoster poster;
    ReservationListJob job;
    ReservationEntries rows;
    TimelineControl timeline;
    std::string statusText;
    std::vector<std::wstring> lines;  // as the list shows them
    int dpi = kStandardScreenDpi;  // the layout's: pixel sizes below are for 96 DPI and scale with it
    // The font the dialog manager made from the template, at the DPI the dialog opened on, and the
    // one made for the DPI of the monitor it has been moved to since (owned; null until then).
    HFONT templateFont = nullptr;
    int templateDpi = kStandardScreenDpi;
    HFONT dpiFont = nullptr;

    ~ReservationListDialog() {
        if (dpiFont != nullptr) DeleteObject(dpiFont);  // the dialog and its controls are gone by now
    }
};

// One list line: date (a dated row without its year "YYYY/"), time, channel and title, TAB-separated,
// marked "※" when the row overlaps another.
std::string listLine(const ReservationEntry& row, bool overlaps) {
    std::string date = row.dateText;
    if (row.weekdayMask == 0) {
        date = date.size() > kYearPrefixLength ? date.substr(kYearPrefixLength) : std::string();
    }
    return (overlaps ? kOverlapMark : "") + date + '\t' + row.timeText + '\t' + row.channelText + '\t' + row.title;
}

// The titles of rows that overlap, in their order, as the title line shows them.
std::string titlesOf(const std::vector<const ReservationEntry*>& rows) {
    std::string text;
    for (const ReservationEntry* row : rows) text += (text.empty() ? "" : kTitleSeparator) + row->title;
    return text;
}

// A control at (x, y), width × height in 96-DPI pixels, scaled to the dialog's DPI.
void place(const ReservationListDialog& d, HWND control, int x, int y, int width, int height) {
    MoveWindow(control, scaledForDpi(x, d.dpi), scaledForDpi(y, d.dpi), scaledForDpi(width, d.dpi),
               scaledForDpi(height, d.dpi), TRUE);
}

// The frame measured on the window itself, not computed from its style: that is right at any DPI
// without AdjustWindowRectExForDpi, which Windows 7 lacks.
void resizeClientArea(const ReservationListDialog& d) {
    RECT window = {};
    RECT client = {};
    GetWindowRect(d.hwnd, &window);
    GetClientRect(d.hwnd, &client);
    const int frameWidth = (window.right - window.left) - client.right;
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    SetWindowPos(d.hwnd, nullptr, 0, 0, frameWidth + scaledForDpi(kClientWidth, d.dpi),
                 frameHeight + scaledForDpi(kClientHeight, d.dpi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The dialog's fixed layout at its DPI; the timeline is created the first time.
void layOut(ReservationListDialog& d) {
    resizeClientArea(d);
    place(d, d.status, 0, 0, 520, 14);
    place(d, GetDlgItem(d.hwnd, IDC_REFRESH), 520, 0, 120, 22);
    d.timeline.setDpi(d.dpi);
    if (d.timeline.hwnd == nullptr) {
        d.timeline.create(d.hwnd, WS_CHILD | WS_VISIBLE, scaledForDpi(0, d.dpi), scaledForDpi(14, d.dpi),
                          scaledForDpi(300, d.dpi), scaledForDpi(466, d.dpi), IDC_TIMELINE);
    } else {
        place(d, d.timeline.hwnd, 0, 14, 300, 466);
    }
    place(d, d.list, 300, 24, 340, 456);
}

// Tab stops just past the widest date, time and channel, so that the columns of every line start at
// the same place whatever the texts and the font, and a horizontal extent that reaches the end of
// the longest line, so that a long title can be scrolled into view. Measured with the list's font.
void fitColumns(const ReservationListDialog& d) {
    const HDC dc = GetDC(d.list);
    if (dc == nullptr) return;
    const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(d.list, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    const auto width = [dc](const std::wstring& text) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    // The average letter width the list box converts its tab stops with.
    const int letter = std::max(1, (width(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2);
    int widths[kTabbedColumns + 1] = {};
    for (const std::wstring& line : d.lines) {
        size_t begin = 0;
        for (int column = 0; column <= kTabbedColumns && begin <= line.size(); ++column) {
            const size_t end = column < kTabbedColumns ? line.find(L'\t', begin) : std::wstring::npos;
            const size_t stop = end == std::wstring::npos ? line.size() : end;
            widths[column] = std::max(widths[column], width(line.substr(begin, stop - begin)));
            if (end == std::wstring::npos) break;
            begin = end + 1;
        }
    }
    SelectObject(dc, previous);
    ReleaseDC(d.list, dc);

    INT stops[kTabbedColumns] = {};
    int at = 0;
    for (int column = 0; column < kTabbedColumns; ++column) {
        at += (widths[column] * kTabUnitsPerLetter + letter - 1) / letter + kColumnGapUnits;  // rounded up
        stops[column] = at;
    }
    SendMessageW(d.list, LB_SETTABSTOPS, kTabbedColumns, reinterpret_cast<LPARAM>(stops));
    const int extent = MulDiv(at, letter, kTabUnitsPerLetter) + widths[kTabbedColumns] + letter;
    SendMessageW(d.list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(d.lines.empty() ? 0 : extent), 0);
}

// The controls get the template's font made for the dialog's DPI (the dialog manager's own is kept
// for the DPI it was made for).
void setFonts(ReservationListDialog& d) {
    HFONT made = d.dpi != d.templateDpi ? fontForDpi(d.templateFont, d.templateDpi, d.dpi) : nullptr;
    setChildFonts(d.hwnd, made != nullptr ? made : d.templateFont);
    if (d.dpiFont != nullptr) DeleteObject(d.dpiFont);  // no control holds it any more
    d.dpiFont = made;
}

// Moved to a monitor of another DPI: the place the system suggests, fonts made for the new DPI, then
// the layout and the list's columns at that DPI.
void dpiChanged(ReservationListDialog& d, WPARAM wParam, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested != nullptr) {
        SetWindowPos(d.hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const int dpi = HIWORD(wParam);
    d.dpi = dpi > 0 ? dpi : kStandardScreenDpi;
    setFonts(d);
    layOut(d);
    fitColumns(d);
    InvalidateRect(d.hwnd, nullptr, TRUE);
}

void showStatus(ReservationListDialog& d, const std::string& text) {
    // The pointer reports on every move: rewriting the same text would only flicker.
    if (text == d.statusText) return;
    d.statusText = text;
    setWindowText(d.status, text);
}

void startFetch(ReservationListDialog& d) {
    if (d.job.running()) return;  // one fetch at a time; the button is disabled meanwhile anyway
    EnableWindow(GetDlgItem(d.hwnd, IDC_REFRESH), FALSE);
    if (!d.job.start()) {
        // No thread: report the end ourselves, as a failed fetch would.
        d.poster.postCompletion();
    }
}

void fetchFinished(ReservationListDialog& d) {
    d.job.wait();
    d.job.takeList(d.rows);  // after a failed fetch the rows stay as they were
    d.timeline.showRows(d.rows);
    d.lines.clear();
    for (const ReservationEntry& row : d.rows) {
        const bool overlaps = !overlappingRows(d.timeline.overlaps(), &row).empty();
        d.lines.push_back(wideFromSjis(listLine(row, overlaps)));
    }
    SendMessageW(d.list, LB_RESETCONTENT, 0, 0);
    fitColumns(d);
    for (const std::wstring& line : d.lines) {
        SendMessageW(d.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    EnableWindow(GetDlgItem(d.hwnd, IDC_REFRESH), TRUE);
}

// A line chosen in the list, with the keyboard as with the mouse: the title line shows what
// pointing at the row's block shows, its title or, when it overlaps others, the titles of them all.
void lineChosen(ReservationListDialog& d) {
    const LRESULT line = SendMessageW(d.list, LB_GETCURSEL, 0, 0);
    if (line < 0 || static_cast<size_t>(line) >= d.rows.size()) return;
    const ReservationEntry& row = d.rows[static_cast<size_t>(line)];  // one line per row, in row order
    const std::vector<const ReservationEntry*> overlapping = overlappingRows(d.timeline.overlaps(), &row);
    showStatus(d, overlapping.empty() ? row.title : titlesOf(overlapping));
}

void pointed(ReservationListDialog& d, const TimelineNotify& notify) {
    if (notify.entry == nullptr) {
        showStatus(d, std::string());
        return;
    }
    // The row's own line (lines are added in row order, one per row), which is line number - 1
    // as long as the recorder numbers its rows from 1 without gaps, and right even when it does not.
    for (size_t line = 0; line < d.rows.size(); ++line) {
        if (&d.rows[line] == notify.entry) {
            SendMessageW(d.list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
            break;
        }
    }
    // Over an overlap: every reservation there, in list order.
    showStatus(d, notify.overlap != nullptr ? titlesOf(notify.overlap->entries) : notify.entry->title);
}

BOOL onInit(ReservationListDialog& d) {
    d.list = GetDlgItem(d.hwnd, IDC_RESERVATIONS);
    d.status = GetDlgItem(d.hwnd, IDC_LIST_STATUS);
    d.poster.dialog = d.hwnd;

    d.dpi = windowDpi(d.hwnd);
    d.templateDpi = d.dpi;
    d.templateFont = reinterpret_cast<HFONT>(SendMessageW(d.hwnd, WM_GETFONT, 0, 0));
    keepOwnLayoutOnDpiChange(d.hwnd);
    layOut(d);

    setWindowText(d.hwnd, d.config.getPelorane() + kTitleSuffix);

    PostMessageW(d.hwnd, WM_COMMAND, MAKEWPARAM(IDC_REFRESH, BN_CLICKED), 0);
    return TRUE;
}

INT_PTR onMessage(ReservationListDialog& d, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDC_REFRESH:
            startFetch(d);
            return TRUE;
        case kJobDoneCommand:
            fetchFinished(d);
            return TRUE;
        case IDC_RESERVATIONS:
            if (HIWORD(wParam) == LBN_SELCHANGE) lineChosen(d);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            d.job.wait();  // the job holds this dialog's host and settings: never leave it running
            EndDialog(d.hwnd, LOWORD(wParam));
            return TRUE;
        default:
            return TRUE;  // every command is the dialog's own
        }
    }
    if (message == WM_DPICHANGED) {
        dpiChanged(d, wParam, lParam);
        return TRUE;
    }
    if (message == WM_GETFONT && d.dpiFont != nullptr) {
        // The font of the dialog's DPI, for the timeline's labels.
        SetWindowLongPtrW(d.hwnd, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(d.dpiFont));
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header != nullptr && d.timeline.hwnd != nullptr && header->hwndFrom == d.timeline.hwnd &&
            header->code == TimelineControl::kNotifyCode) {
            pointed(d, *reinterpret_cast<const TimelineNotify*>(lParam));
        }
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int runReservationListDialog(HWND owner) {
    Application* application = theApplication();
    if (application == nullptr) return -1;
    ReservationListDialog dialog(application->config());
    const INT_PTR result =
        runModalDialog<ReservationListDialog, &onInit, &onMessage>(IDD_RESERVATION_LIST, owner, dialog);
    // However the dialog ended, the job must not outlive the record it reports to.
    dialog.job.wait();
    return static_cast<int>(result);
}
