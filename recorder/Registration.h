// Booking a reservation through the recorder's web forms: the form body and the four-step walk.
#pragma once

#include <memory>
#include <string>

#include "core/Reservation.h"
#include "net/WorkerThread.h"
#include "platform/SocketStream.h"
#include "recorder/ReservationList.h"

// The 17 form fields in the recorder's order, URL-encoded and joined by "&".
std::string buildRegistrationForm(const Reservation& reservation);

// "登録処理(1/4)" … "登録処理(4/4)" and "リトライ待ち…".
std::string registrationStepText(int step);
extern const char* const kRetryWaitText;
// The list check's message lines: "予約一覧を確認中…", "予約一覧に登録されています。",
// "予約一覧で確認できませんでした。"
extern const char* const kListCheckText;
extern const char* const kListedText;
extern const char* const kListUnreadText;

// What the recorder's list shows of a booked reservation, copied so that the job does not depend
// on the channel table while it runs.
struct BookedProgramme {
    int year = 0;
    int month = 0;
    int day = 0;
    int start = 0;  // minutes after midnight
    int end = 0;
    std::string channelLabel;
    std::string channelName;
};

BookedProgramme bookedProgramme(const Reservation& reservation);
// True when a row has the booked date, the booked start and end and, as its channel, the
// channel's label or name.
bool listHoldsProgramme(const ReservationEntries& list, const BookedProgramme& booked);

// The walk: frame set, "main" frame (retried once), the form page, the POST to entry.htm. When the
// POST's answer is unclear, the reservation list decides whether the recorder booked.
class HttpRegistrationJob : public DialogJob {
public:
    HttpRegistrationJob(DialogHost& host, const ConfigStore& config, const Reservation& reservation,
                        int timeoutMs = kDefaultSocketTimeoutMs, int retryDelayMs = 1000)
        : DialogJob(host, config),
          form_(buildRegistrationForm(reservation)),
          booked_(bookedProgramme(reservation)),
          timeoutMs_(timeoutMs),
          retryDelayMs_(retryDelayMs) {}

    // 1 when the recorder accepted the reservation, 0 otherwise.
    int execute() override;

    // The body of the latest answer.
    const std::string& lastBody() const { return body_; }

private:
    // One request with a fresh client; true only when it completed with status 200.
    bool requestPage(const std::string& method, const std::string& path, const std::string& body);
    // The POST and the reading of its answer; the job's result.
    int postForm(const std::string& path);
    // After an unclear answer: 1 when the list holds the booking; otherwise 0, after an error box
    // with boxText when that is not empty.
    int checkList(const std::string& boxText);

    std::string form_;
    BookedProgramme booked_;
    std::string body_;
    int timeoutMs_;
    int retryDelayMs_;
};

// Builds the form on the caller's thread and starts the job. The caller clears its cancel flag
// before and keeps the returned job until the completion command; empty when no thread started.
std::unique_ptr<HttpRegistrationJob> startHttpRegistration(DialogHost& host, const ConfigStore& config,
                                                           const Reservation& reservation);
