// The main reservation dialog: opening, the channel list, validation, the three bookings, the job's end.
#include "ui/MainDialog.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <utility>
#include <vector>

#include "core/Application.h"
#include "core/MailCommand.h"
#include "net/MailSendJob.h"
#include "platform/Process.h"
#include "platform/Utf16_win.h"
#include "recorder/Registration.h"
#include "recorder/WeekSchedule.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "ui/Framework.h"
#include "ui/RemoteDialog.h"
#include "ui/ReservationListDialog.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"
#include "ui/Text.h"

namespace {

// チャンネルを選択してください。
const char kChooseChannelText[] =
    "\x83\x60\x83\x83\x83\x93\x83\x6c\x83\x8b\x82\xf0\x91\x49\x91\xf0\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3"
    "\x82\xa2\x81\x42";
// 正しい時刻を指定してください。
const char kBadTimeText[] =
    "\x90\xb3\x82\xb5\x82\xa2\x8e\x9e\x8d\x8f\x82\xf0\x8e\x77\x92\xe8\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3"
    "\x82\xa2\x81\x42";
constexpr char kChannelNameSeparator[] = ":";
constexpr int32_t kMaxMinute = 59;
constexpr int32_t kMaxHour = 23;

// The four time boxes in the order they are checked.
struct TimeBox {
    int id;
    int32_t Reservation::*field;
    uint32_t max;
};
constexpr TimeBox kTimeBoxes[] = {
    {IDC_START_HOUR, &Reservation::startHour, kMaxHour},
    {IDC_START_MINUTE, &Reservation::startMinute, kMaxMinute},
    {IDC_END_HOUR, &Reservation::endHour, kMaxHour},
    {IDC_END_MINUTE, &Reservation::endMinute, kMaxMinute},
};

// ---------------------------------------------------------------------------------------------
// Controls through the framework's wrappers.

ValueControl valueControl(HWND dialog, int id, int32_t value) {
    ValueControl control;
    control.bind(dialog, id);
    control.value = value;
    return control;
}

void writeText(HWND dialog, int id, const std::string& text) {
    TextControl control;
    control.bind(dialog, id);
    control.text = text;
    control.write();
}

std::string readText(HWND dialog, int id) {
    TextControl control;
    control.bind(dialog, id);
    control.read();
    return control.text;
}

int32_t readNumber(HWND dialog, int id) {
    ValueControl control = valueControl(dialog, id, 0);
    control.readNumber();
    return control.value;
}

int32_t readSelection(HWND dialog, int id) {
    ValueControl control = valueControl(dialog, id, 0);
    control.readSelection();
    return control.value;
}

// A value other than 0 or 1 keeps its value and its check box stays disabled.
void readCheck(HWND dialog, int id, int32_t& value) {
    ValueControl control = valueControl(dialog, id, value);
    control.readCheck();
    value = control.value;
}

// The date picker works on SYSTEMTIME, whose members LocalTime mirrors one for one.
SYSTEMTIME toSystemTime(const LocalTime& time) {
    SYSTEMTIME system = {};
    system.wYear = time.year;
    system.wMonth = time.month;
    system.wDayOfWeek = time.dayOfWeek;
    system.wDay = time.day;
    system.wHour = time.hour;
    system.wMinute = time.minute;
    system.wSecond = time.second;
    system.wMilliseconds = time.milliseconds;
    return system;
}

LocalTime toLocalTime(const SYSTEMTIME& system) {
    LocalTime time;
    time.year = system.wYear;
    time.month = system.wMonth;
    time.dayOfWeek = system.wDayOfWeek;
    time.day = system.wDay;
    time.hour = system.wHour;
    time.minute = system.wMinute;
    time.second = system.wSecond;
    time.milliseconds = system.wMilliseconds;
    return time;
}

// The picker's own format, not the system's short date: the same narrow "2031/06/14" everywhere,
// which the picker's width is made for.
void setDateFormat(HWND dialog) {
    SendDlgItemMessageW(dialog, IDC_DATE, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"yyyy/MM/dd"));
}

// False when the picker refused the date (no such day); it then keeps showing the one it had.
bool writeDate(HWND dialog, const LocalTime& date) {
    SYSTEMTIME system = toSystemTime(date);
    return SendDlgItemMessageW(dialog, IDC_DATE, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&system)) !=
           0;
}

void readDate(HWND dialog, LocalTime& date) {
    SYSTEMTIME system = {};
    if (SendDlgItemMessageW(dialog, IDC_DATE, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&system)) ==
        GDT_VALID) {
        date = toLocalTime(system);
    }
}

void postCommand(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

// ---------------------------------------------------------------------------------------------
// Channel list.

// The channel the user has chosen in the list; false when none is.
bool selectedChannelCode(HWND combo, int32_t& code) {
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return false;
    code = static_cast<int32_t>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
    return true;
}

// Lists the table in code order as "label:name" and selects the entry with `code` when `select`.
void fillChannelList(const MainDialog& dialog, bool select, int32_t code) {
    SendMessageW(dialog.channelCombo, CB_RESETCONTENT, 0, 0);
    const ChannelTable& table = *dialog.channels;
    for (const auto& [entryCode, entry] : table) {
        // A table of the user's own lists only named positions; the defaults list every one.
        if (entry.name.empty() && table.userDefined()) continue;
        std::string text = entry.label;
        if (!entry.name.empty()) text += kChannelNameSeparator + entry.name;
        const std::wstring wide = wideFromSjis(text);
        const LRESULT index =
            SendMessageW(dialog.channelCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        if (index == CB_ERR || index == CB_ERRSPACE) continue;
        SendMessageW(dialog.channelCombo, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(entryCode));
        if (select && entryCode == code) SendMessageW(dialog.channelCombo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Opening.

void setCaption(const MainDialog& dialog) { setWindowText(dialog.hwnd, dialog.config->getPelorane()); }

std::string executablePath() {
    const ApplicationBase* application = ApplicationBase::current();
    if (application != nullptr && !application->modulePath().empty()) return application->modulePath();
    return modulePath();
}

void setIcons(MainDialog& dialog) {
    if (ExtractIconExW(widenUtf8(executablePath()).c_str(), 0, &dialog.largeIcon, &dialog.smallIcon, 1) == 0) return;
    if (dialog.largeIcon != nullptr) {
        SendMessageW(dialog.hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(dialog.largeIcon));
    }
    if (dialog.smallIcon != nullptr) {
        SendMessageW(dialog.hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(dialog.smallIcon));
    }
}

// The reservation into the controls, the options from the settings. False when the dialog does not
// show the reservation's date: a day the calendar lacks (2/30) is not offered to the picker, which,
// as when it refuses a date itself, keeps showing the one it had.
bool loadControls(MainDialog& dialog) {
    const HWND w = dialog.hwnd;
    Reservation& r = dialog.reservation;
    const ConfigStore& config = *dialog.config;
    for (const TimeBox& box : kTimeBoxes) valueControl(w, box.id, r.*box.field).writeNumber();
    writeText(w, IDC_TITLE, r.title);
    writeText(w, IDC_DETAIL, r.detail);
    valueControl(w, IDC_GENRE, r.genre).writeSelection();

    r.bExec = config.getBExec();
    r.bAutoChapter = config.getBAutoChapter();
    r.bVPerform = config.getBVPerform();
    r.disc = config.getDisc();
    r.dvdr = config.getDvdr();
    r.vrate = config.getVrate();
    r.amode = config.getAmode();
    valueControl(w, IDC_EXEC, r.bExec).writeCheck();
    valueControl(w, IDC_AUTO_CHAPTER, r.bAutoChapter).writeCheck();
    valueControl(w, IDC_VPERFORM, r.bVPerform).writeCheck();
    valueControl(w, IDC_DISC, r.disc).writeSelection();
    valueControl(w, IDC_DVDR, r.dvdr).writeSelection();
    valueControl(w, IDC_VRATE, r.vrate).writeSelection();
    valueControl(w, IDC_AMODE, r.amode).writeSelection();
    if (!dateExists(r.date.year, r.date.month, r.date.day)) return false;
    return writeDate(w, r.date);
}

BOOL openMainDialog(MainDialog& dialog) {
    Application* application = theApplication();
    if (dialog.config == nullptr && application != nullptr) dialog.config = &application->config();
    if (dialog.channels == nullptr && application != nullptr) dialog.channels = &application->channels();
    if (dialog.config == nullptr || dialog.channels == nullptr) {
        EndDialog(dialog.hwnd, -1);
        return FALSE;
    }
    const HWND w = dialog.hwnd;
    dialog.host.attach(w);
    dialog.channelCombo = GetDlgItem(w, IDC_CHANNEL);
    SendDlgItemMessageW(w, IDC_START_MINUTE_SPIN, UDM_SETRANGE32, 0, kMaxMinute);
    SendDlgItemMessageW(w, IDC_END_MINUTE_SPIN, UDM_SETRANGE32, 0, kMaxMinute);
    setDateFormat(w);
    fillCombo(GetDlgItem(w, IDC_DISC), discOptions());
    fillCombo(GetDlgItem(w, IDC_DVDR), dvdrOptions());
    fillCombo(GetDlgItem(w, IDC_VRATE), vrateOptions());
    fillCombo(GetDlgItem(w, IDC_AMODE), amodeOptions());
    fillCombo(GetDlgItem(w, IDC_GENRE), genreOptions());
    const ChannelEntry* channel = dialog.reservation.channel;
    fillChannelList(dialog, channel != nullptr, channel != nullptr ? channel->code : 0);
    setCaption(dialog);
    const bool dateShown = loadControls(dialog);
    setIcons(dialog);
    // An automatic booking only for the date the dialog shows: any other would be booked as another day.
    if (channel != nullptr && dateShown) {
        const int32_t bootexec = dialog.config->getBootexec();
        if (bootexec == static_cast<int32_t>(BookingAction::SendMail)) postCommand(w, IDM_SEND_MAIL);
        if (bootexec == static_cast<int32_t>(BookingAction::SendHttp)) postCommand(w, IDM_SEND_HTTP);
    }
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Validation and bookings.

// Reads every control into the reservation and checks channel and times; stores genre at once and
// the other options only when everything passed.
bool validateReservation(MainDialog& dialog) {
    const HWND w = dialog.hwnd;
    Reservation& r = dialog.reservation;
    ConfigStore& config = *dialog.config;
    for (const TimeBox& box : kTimeBoxes) r.*box.field = readNumber(w, box.id);
    r.title = readText(w, IDC_TITLE);
    r.detail = readText(w, IDC_DETAIL);
    r.genre = readSelection(w, IDC_GENRE);
    readCheck(w, IDC_EXEC, r.bExec);
    readCheck(w, IDC_AUTO_CHAPTER, r.bAutoChapter);
    readCheck(w, IDC_VPERFORM, r.bVPerform);
    r.disc = readSelection(w, IDC_DISC);
    r.dvdr = readSelection(w, IDC_DVDR);
    r.vrate = readSelection(w, IDC_VRATE);
    r.amode = readSelection(w, IDC_AMODE);
    readDate(w, r.date);
    config.setGenre(r.genre);

    int32_t code = 0;
    const ChannelEntry* channel =
        selectedChannelCode(dialog.channelCombo, code) ? dialog.channels->findByCode(code) : nullptr;
    if (channel == nullptr) {
        SetFocus(dialog.channelCombo);
        showMessage(w, kChooseChannelText);
        return false;
    }
    for (const TimeBox& box : kTimeBoxes) {
        if (!valueControl(w, box.id, r.*box.field).inRange(0, box.max)) {  // focuses the box
            showMessage(w, kBadTimeText);
            return false;
        }
    }
    config.setBExec(r.bExec);
    config.setBAutoChapter(r.bAutoChapter);
    config.setBVPerform(r.bVPerform);
    config.setDisc(r.disc);
    config.setDvdr(r.dvdr);
    config.setVrate(r.vrate);
    config.setAmode(r.amode);
    r.channel = channel;
    return true;
}

// A booking that cannot start (no mail command, no thread, hence no completion command): report it
// as failed and stay ready for another try.
void reportStartFailure(const MainDialog& dialog) {
    showMessage(dialog.hwnd, std::string());
    showStatus(dialog.hwnd, kJobFailedText);
}

void startMailJob(MainDialog& dialog) {
    if (!validateReservation(dialog)) return;
    if (!dialog.config->isMailConfigured()) {
        postCommand(dialog.hwnd, IDM_MAIL_SETTINGS);
        return;
    }
    std::vector<std::string> lines;
    if (!buildMailCommand(dialog.reservation, *dialog.config, lines)) {
        reportStartFailure(dialog);
        return;
    }
    dialog.host.clearCancel();
    // Held before the thread starts: its completion command must find it.
    dialog.job = std::make_unique<MailSendJob>(dialog.host, *dialog.config, std::move(lines));
    if (!dialog.job->start()) {
        dialog.job.reset();
        reportStartFailure(dialog);
    }
}

void startHttpJob(MainDialog& dialog) {
    if (!validateReservation(dialog)) return;
    if (!dialog.config->isHttpConfigured()) {
        postCommand(dialog.hwnd, IDM_HTTP_SETTINGS);
        return;
    }
    dialog.host.clearCancel();
    // The completion command is posted, so it is handled only after the job has been stored here.
    dialog.job = startHttpRegistration(dialog.host, *dialog.config, dialog.reservation);
    if (!dialog.job) reportStartFailure(dialog);
}

// A mail command that cannot be built fails like a mail job that cannot start; a mail program that
// does not start shows nothing (the shell may have said why).
void launchMailerCommand(MainDialog& dialog) {
    if (!validateReservation(dialog)) return;
    std::vector<std::string> lines;
    if (!buildMailCommand(dialog.reservation, *dialog.config, lines)) {
        reportStartFailure(dialog);
        return;
    }
    if (openMailer(lines, *dialog.config) != 0) EndDialog(dialog.hwnd, IDOK);
}

// Command 6: the worker has posted its last word; join it and read how it went.
void finishJob(MainDialog& dialog) {
    const HWND cancelButton = GetDlgItem(dialog.hwnd, IDCANCEL);
    if (!dialog.job->wait()) {
        // The thread may still be leaving, writing into the job object: leave the object to it.
        static_cast<void>(dialog.job.release());
        EnableWindow(cancelButton, TRUE);
        return;
    }
    if (dialog.job->exitCode() != 0) {
        // Keeping the job ignores every command until the timer closes the dialog.
        if (SetTimer(dialog.hwnd, kCloseTimerId, kCloseDelayMs, nullptr) == 0) EndDialog(dialog.hwnd, IDCANCEL);
        return;
    }
    EnableWindow(cancelButton, TRUE);
    dialog.job.reset();
}

// The settings dialog may rebuild the table: keep codes, not entries, across it.
void editChannels(MainDialog& dialog) {
    int32_t chosen = 0;
    const bool anyChosen = selectedChannelCode(dialog.channelCombo, chosen);
    const ChannelEntry* reserved = dialog.reservation.channel;
    const int32_t reservedCode = reserved != nullptr ? reserved->code : 0;
    runChannelDialog(dialog.hwnd);
    if (reserved != nullptr) dialog.reservation.channel = dialog.channels->findByCode(reservedCode);
    fillChannelList(dialog, anyChosen, chosen);
}

// ---------------------------------------------------------------------------------------------
// Messages.

// Changes and choices hide a shown message; focus moves alone do not, or a message would vanish
// as soon as the focus returns to the dialog.
bool isUserAction(WORD code, HWND sender) {
    if (sender == nullptr) return true;  // menu items, accelerators, posted commands
    return code == BN_CLICKED || code == EN_CHANGE || code == CBN_SELCHANGE;
}

void handleJobCommand(MainDialog& dialog, int id, HWND sender) {
    if (id == IDCANCEL) {
        dialog.host.requestCancel();
        if (sender != nullptr) EnableWindow(sender, FALSE);
    } else if (id == kJobDoneCommand) {
        finishJob(dialog);
    }
}

void handleCommand(MainDialog& dialog, int id, WORD code, HWND sender) {
    if (dialog.job) {
        handleJobCommand(dialog, id, sender);
        return;
    }
    if (isUserAction(code, sender)) restoreOptionRow(dialog.hwnd);
    switch (id) {
        case IDOK:
            switch (static_cast<BookingAction>(dialog.config->getOkbutton())) {
                case BookingAction::LaunchMailer: launchMailerCommand(dialog); break;
                case BookingAction::SendMail: startMailJob(dialog); break;
                case BookingAction::SendHttp: startHttpJob(dialog); break;
                default: break;
            }
            break;
        case IDCANCEL: EndDialog(dialog.hwnd, IDCANCEL); break;
        case IDM_LAUNCH_MAILER: launchMailerCommand(dialog); break;
        case IDM_SEND_MAIL: startMailJob(dialog); break;
        case IDM_SEND_HTTP: startHttpJob(dialog); break;
        case IDM_RESERVATION_LIST: runReservationListDialog(dialog.hwnd); break;
        case IDM_REMOTE: runRemoteDialog(dialog.hwnd); break;
        case IDM_TOOL_SETTINGS:
            if (runToolDialog(dialog.hwnd) == IDOK) setCaption(dialog);
            break;
        case IDM_MAIL_SETTINGS: runMailDialog(dialog.hwnd); break;
        case IDM_HTTP_SETTINGS: runHttpDialog(dialog.hwnd); break;
        case IDM_CHANNEL_SETTINGS: editChannels(dialog); break;
        default: break;
    }
}

INT_PTR handleMainMessage(MainDialog& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            handleCommand(dialog, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_NOTIFY: {
            // The date is a field like the others: changing it hides a shown message too.
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!dialog.job && header != nullptr && header->idFrom == IDC_DATE &&
                header->code == DTN_DATETIMECHANGE) {
                restoreOptionRow(dialog.hwnd);
            }
            return FALSE;
        }
        case WM_TIMER:
            KillTimer(dialog.hwnd, kCloseTimerId);
            EndDialog(dialog.hwnd, IDCANCEL);
            return TRUE;
        case WM_ENDSESSION:
            // The session may end the process without running any destructor: write the settings now.
            if (wParam != FALSE) dialog.config->save();
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

MainDialog::~MainDialog() {
    if (!job) return;
    // The window is gone, so the job's text calls fail at once and cannot block this wait.
    host.requestCancel();
    job->wait();
}

int runMainDialog(MainDialog& dialog, HWND owner) {
    const INT_PTR result = runModalDialog<MainDialog, openMainDialog, handleMainMessage>(IDD_MAIN, owner, dialog);
    if (dialog.largeIcon != nullptr) DestroyIcon(dialog.largeIcon);
    if (dialog.smallIcon != nullptr) DestroyIcon(dialog.smallIcon);
    dialog.largeIcon = nullptr;
    dialog.smallIcon = nullptr;
    return static_cast<int>(result);
}
