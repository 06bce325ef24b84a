// Booking a reservation through the recorder's web forms: the form body and the four-step walk.
#pragma once

#include <memory>
#include <string>

#include "core/Reservation.h"
#include "net/WorkerThread.h"
#include "platform/SocketStream.h"

// The 17 form fields in the recorder's order, URL-encoded and joined by "&".
std::string buildRegistrationForm(const Reservation& reservation);

// "登録処理(1/4)" … "登録処理(4/4)" and "リトライ待ち…".
std::string registrationStepText(int step);
extern const char* const kRetryWaitText;

// The walk: frame set, "main" frame (retried once), the form page, the POST to entry.htm.
class HttpRegistrationJob : public DialogJob {
public:
    HttpRegistrationJob(DialogHost& host, const ConfigStore& config, std::string formBody,
                        int timeoutMs = kDefaultSocketTimeoutMs, int retryDelayMs = 1000)
        : DialogJob(host, config), form_(std::move(formBody)), timeoutMs_(timeoutMs), retryDelayMs_(retryDelayMs) {}

    // 1 when the recorder accepted the reservation, 0 otherwise.
    int execute() override;

    // The body of the latest answer.
    const std::string& lastBody() const { return body_; }

private:
    // One request with a fresh client; true only when it completed with status 200.
    bool requestPage(const std::string& method, const std::string& path, const std::string& body);

    std::string form_;
    std::string body_;
    int timeoutMs_;
    int retryDelayMs_;
};

// Builds the form on the caller's thread and starts the job. The caller clears its cancel flag
// before and keeps the returned job until the completion command; empty when no thread started.
std::unique_ptr<HttpRegistrationJob> startHttpRegistration(DialogHost& host, const ConfigStore& config,
                                                           const Reservation& reservation);
