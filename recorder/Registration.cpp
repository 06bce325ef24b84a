// The registration walk through the recorder's pages, as a browser would do it.
#include "recorder/Registration.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "net/HttpClient.h"
#include "net/UrlEncode.h"
#include "recorder/PageAnalysis.h"
#include "recorder/PagePath.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"

const char* const kRetryWaitText = "\x83\x8a\x83\x67\x83\x89\x83\x43\x91\xd2\x82\xbf\x81\x63";  // リトライ待ち…

std::string registrationStepText(int step) {
    // 登録処理(n/4)
    return std::string("\x93\x6f\x98\x5e\x8f\x88\x97\x9d(") + std::to_string(step) + "/4)";
}

std::string buildRegistrationForm(const Reservation& r) {
    std::string body;
    if (r.bExec != 0) appendFormField(body, "bExec", std::string("ON"));
    appendFormField(body, "title_name", r.title);
    appendFormField(body, "channel", r.channel != nullptr ? r.channel->code : 0);
    appendFormField(body, "disc", r.disc);
    appendFormField(body, "dvdr", r.dvdr);
    char date[32];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", r.date.year, r.date.month, r.date.day);
    appendFormField(body, "date", std::string(date));
    appendFormField(body, "vrate", r.vrate);
    appendFormField(body, "start_hour", r.startHour);
    appendFormField(body, "start_minute", r.startMinute);
    appendFormField(body, "amode", r.amode);
    appendFormField(body, "bVPerform", r.bVPerform);
    appendFormField(body, "bAutoChapter", r.bAutoChapter);
    appendFormField(body, "end_hour", r.endHour);
    appendFormField(body, "end_minute", r.endMinute);
    appendFormField(body, "genre", r.genre);
    appendFormField(body, "detail", r.detail);
    appendFormField(body, "end_form", std::string("0"));
    return body;
}

bool HttpRegistrationJob::requestPage(const std::string& method, const std::string& path, const std::string& body) {
    HttpClient client(timeoutMs_);
    if (!client.configureFromSettings(config())) return false;
    client.method = method;
    body_.clear();
    BodyReceiver receiver(body_);
    return client.sendRequest(path, body, receiver) && client.response().status() == 200;
}

int HttpRegistrationJob::execute() {
    const char* const framesetPath = "/program/b_prgrm.htm";
    // Paths found on the pages are followed only on the configured recorder.
    const std::string server = config().getHttpserver();
    const int port = config().getHttpport();

    showStep(registrationStepText(1));
    if (cancelRequested()) return 0;
    if (!requestPage("GET", framesetPath, std::string())) return 0;
    const std::string framePath = resolvePagePath(framesetPath, findMainFrame(body_), server, port);
    if (framePath.empty()) return 0;
    const std::string baseDirectory = pageDirectory(framePath);

    showStep(registrationStepText(2));
    // The recorder sometimes answers the first request for this page badly: one retry after a pause.
    if (cancelRequested() || !requestPage("GET", framePath, std::string())) {
        showStep(kRetryWaitText);
        std::this_thread::sleep_for(std::chrono::milliseconds(retryDelayMs_));
        if (!requestPage("GET", framePath, std::string())) return 0;
    }
    const std::string link = resolvePagePath(framePath, findLastLink(body_), server, port);
    if (link.empty()) return 0;

    showStep(registrationStepText(3));
    if (cancelRequested()) return 0;
    if (!requestPage("GET", link, std::string())) return 0;
    if (findMainFrame(body_).empty()) return 0;
    const std::string formTarget = baseDirectory + "entry.htm";

    showStep(registrationStepText(4));
    if (cancelRequested()) return 0;
    if (!requestPage("POST", formTarget, form_)) return 0;

    const ResultMessage result = readResultMessage(body_);
    if (result.success) {
        showStep(result.message);
        return 1;
    }
    host().showErrorBox(result.message);
    return 0;
}

std::unique_ptr<HttpRegistrationJob> startHttpRegistration(DialogHost& host, const ConfigStore& config,
                                                           const Reservation& reservation) {
    auto job = std::make_unique<HttpRegistrationJob>(host, config, buildRegistrationForm(reservation));
    if (!job->start()) return nullptr;
    return job;
}
