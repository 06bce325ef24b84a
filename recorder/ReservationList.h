// The recorder's reservation list: fetching its page, reading its rows, and the job that does both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/WorkerThread.h"
#include "platform/SocketStream.h"

class ConfigStore;

// One row of the recorder's reservation table. Numeric fields a row does not set stay 0; the narrow
// fields keep the low bits of the decimal value read, as the recorder's record does.
struct ReservationEntry {
    int32_t number = 0;        // the recorder's slot number
    bool enabled = false;      // the row's check image is "/img/parts/check_on.gif"
    uint8_t weekdayMask = 0;   // weekly: bit 0 Sunday .. bit 6 Saturday; "毎日" sets all eight
    uint16_t year = 0;         // dated reservations only
    uint8_t month = 0;
    uint8_t day = 0;
    uint8_t weekday = 0;       // 0 Sunday .. 6 Saturday
    uint16_t start = 0;        // minutes after midnight
    uint16_t end = 0;          // smaller than start when the recording runs past midnight
    std::string title;
    std::string dateText;
    std::string timeText;      // set only for a time cell of exactly 11 bytes
    std::string channelText;
    std::string extraText1;
    std::string extraText2;
    std::string extraText3;
};

using ReservationEntries = std::vector<ReservationEntry>;

// Sets dateText and, from a recurrence label or "YYYY/MM/DD(曜)", the mask or the date.
void parseDateCell(ReservationEntry& entry, const std::string& text);
// For an 11-byte "HH:MM-HH:MM" sets start, end and timeText; any other length sets nothing.
void parseTimeCell(ReservationEntry& entry, const std::string& text);
// The table's rows from the top up to the first free slot ("---") or the first row that does not fit.
ReservationEntries parseReservationList(const std::string& body);

// The src of the last "frame" start tag of a frame set ("" when it has none or there is no frame).
std::string lastFrameSource(const std::string& body);

// Reads the list from the configured recorder. True when `list` was replaced by the rows read;
// on any failure (not configured, exchange failed, not a 2xx answer, no list frame) `list` is untouched.
bool fetchReservationList(const ConfigStore& config, ReservationEntries& list,
                          int timeoutMs = kDefaultSocketTimeoutMs);

// What the list job needs of the reservation list dialog.
class ListDialogHost {
public:
    virtual ~ListDialogHost() = default;
    // Posts the completion command (WM_COMMAND 6) to the dialog; called on the job's thread.
    virtual void postCompletion() = 0;
};

// Fetches the list on a worker thread and reports the end to the dialog; run() always returns 1.
//
// Contract: the rows the dialog shows (and its timeline points into) are the dialog's own vector,
// never the job's. The job builds each fetch aside and keeps it only when the fetch succeeded. When
// the completion command arrives the dialog calls wait() and then takeList(), which swaps the new
// rows into the dialog's vector; after a failed fetch takeList() leaves that vector alone.
class ReservationListJob : public WorkerThread {
public:
    ReservationListJob(ListDialogHost& host, const ConfigStore& config, int timeoutMs = kDefaultSocketTimeoutMs)
        : host_(host), config_(config), timeoutMs_(timeoutMs) {}

    int run() override;

    // True when a fetched list was waiting: it is moved into `rows` and the job holds none any more.
    // False (rows unchanged) when no fetch has succeeded since the last take, or while the thread
    // has not been joined with wait().
    bool takeList(ReservationEntries& rows);

private:
    ListDialogHost& host_;
    const ConfigStore& config_;
    int timeoutMs_;
    // Written by the job's thread only; read by the dialog's thread only after wait().
    ReservationEntries list_;
    bool fetched_ = false;
};
