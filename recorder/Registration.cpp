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
// 予約一覧を確認中…
const char* const kListCheckText = "\x97\x5c\x96\xf1\x88\xea\x97\x97\x82\xf0\x8a\x6d\x94\x46\x92\x86\x81\x63";
// 予約一覧に登録されています。
const char* const kListedText =
    "\x97\x5c\x96\xf1\x88\xea\x97\x97\x82\xc9\x93\x6f\x98\x5e\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81\x42";
// 予約一覧で確認できませんでした。
const char* const kListUnreadText =
    "\x97\x5c\x96\xf1\x88\xea\x97\x97\x82\xc5\x8a\x6d\x94\x46\x82\xc5\x82\xab"
    "\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42";

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

BookedProgramme bookedProgramme(const Reservation& r) {
    BookedProgramme booked;
    booked.year = r.date.year;
    booked.month = r.date.month;
    booked.day = r.date.day;
    booked.start = r.startHour * 60 + r.startMinute;
    booked.end = r.endHour * 60 + r.endMinute;
    if (r.channel != nullptr) {
        booked.channelLabel = r.channel->label;
        booked.channelName = r.channel->name;
    }
    return booked;
}

bool listHoldsProgramme(const ReservationEntries& list, const BookedProgramme& booked) {
    for (const ReservationEntry& entry : list) {
        // Weekly rows and rows whose time cell could not be read carry no date or no times.
        if (entry.year == 0 || entry.timeText.empty()) continue;
        if (entry.year != booked.year || entry.month != booked.month || entry.day != booked.day) continue;
        if (entry.start != booked.start || entry.end != booked.end) continue;
        if ((!booked.channelLabel.empty() && entry.channelText == booked.channelLabel) ||
            (!booked.channelName.empty() && entry.channelText == booked.channelName)) {
            return true;
        }
    }
    return false;
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
    return postForm(formTarget);
}

int HttpRegistrationJob::postForm(const std::string& path) {
    HttpClient client(timeoutMs_);
    client.configureFromSettings(config());
    client.method = "POST";
    body_.clear();
    BodyReceiver receiver(body_);
    if (!client.sendRequest(path, form_, receiver)) {
        // Without a connection nothing was sent. Once the form may have gone out, only the list can
        // tell whether the recorder booked: the form is never sent twice.
        if (receiver.error() == kConnectFailedText) return 0;
        return checkList(std::string());
    }
    // A proxy that lost the recorder's answer (502) or stopped waiting for it (504) cannot tell
    // whether the form was stored; any other whole error page is the recorder's clear answer.
    const int status = client.response().status();
    if (status == 502 || status == 504) return checkList(std::string());
    if (status != 200) return 0;

    const ResultMessage result = readResultMessage(body_);
    if (!result.answered) return checkList(result.message);
    if (result.success) {
        showStep(result.message);
        return 1;
    }
    host().showErrorBox(result.message);
    return 0;
}

int HttpRegistrationJob::checkList(const std::string& boxText) {
    // The form has been posted: a cancel now would leave the outcome unknown, so the check runs.
    showStep(kListCheckText);
    ReservationEntries list;
    if (!fetchReservationList(config(), list, timeoutMs_)) {
        showStep(kListUnreadText);
        return 0;
    }
    if (listHoldsProgramme(list, booked_)) {
        showStep(kListedText);
        return 1;
    }
    if (!boxText.empty()) host().showErrorBox(boxText);
    return 0;
}

std::unique_ptr<HttpRegistrationJob> startHttpRegistration(DialogHost& host, const ConfigStore& config,
                                                           const Reservation& reservation) {
    auto job = std::make_unique<HttpRegistrationJob>(host, config, reservation);
    if (!job->start()) return nullptr;
    return job;
}
