// The reservation list dialog: fetches the recorder's list on a worker thread, shows it as lines and a timeline.
#include "ui/ReservationListDialog.h"

#include <string>

#include "core/Application.h"
#include "recorder/ReservationList.h"
#include "settings/ConfigStore.h"
#include "ui/Dpi.h"
#include "ui/Framework.h"
#include "ui/Resource.h"
#include "ui/Text.h"
#include "ui/TimelineControl.h"

namespace {

const char kTitleSuffix[] = " - \x98\x5e\x89\xe6\x97\x5c\x96\xf1\x88\xea\x97\x97";  // " - 録画予約一覧"

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
// Bytes of "YYYY/" that a dated row's line leaves out.
constexpr size_t kYearPrefixLength = 5;

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
    int dpi = kStandardScreenDpi;  // the layout's: pixel sizes below are for 96 DPI and scale with it
};

// One list line: date (a dated row without its year "YYYY/"), time, channel and title, TAB-separated.
std::string listLine(const ReservationEntry& row) {
    std::string date = row.dateText;
    if (row.weekdayMask == 0) {
        date = date.size() > kYearPrefixLength ? date.substr(kYearPrefixLength) : std::string();
    }
    return date + '\t' + row.timeText + '\t' + row.channelText + '\t' + row.title;
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

// Moved to a monitor of another DPI: the place the system suggests, then the layout at the new DPI.
void dpiChanged(ReservationListDialog& d, WPARAM wParam, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested != nullptr) {
        SetWindowPos(d.hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const int dpi = HIWORD(wParam);
    d.dpi = dpi > 0 ? dpi : kStandardScreenDpi;
    layOut(d);
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
    SendMessageW(d.list, LB_RESETCONTENT, 0, 0);
    for (const ReservationEntry& row : d.rows) {
        SendMessageW(d.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wideFromSjis(listLine(row)).c_str()));
    }
    EnableWindow(GetDlgItem(d.hwnd, IDC_REFRESH), TRUE);
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
    std::string text = notify.entry->title;
    if (notify.overlap != nullptr) {
        const auto& rows = notify.overlap->entries;
        text = rows.front()->title;
        for (size_t i = 1; i < rows.size(); ++i) text += " / " + rows[i]->title;
    }
    showStatus(d, text);
}

BOOL onInit(ReservationListDialog& d) {
    d.list = GetDlgItem(d.hwnd, IDC_RESERVATIONS);
    d.status = GetDlgItem(d.hwnd, IDC_LIST_STATUS);
    d.poster.dialog = d.hwnd;

    INT tabStops[] = {32, 68, 86};
    SendMessageW(d.list, LB_SETTABSTOPS, 3, reinterpret_cast<LPARAM>(tabStops));

    d.dpi = windowDpi(d.hwnd);
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
