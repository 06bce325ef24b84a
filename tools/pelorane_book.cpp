// Console front end for the booking road: reads an iEPG file, books it on the recorder over HTTP
// and prints each step, the recorder's answer and its reservation list. Text is shown as UTF-8.
//
//   pelorane_book DIR FILE.iepg
//
// DIR holds "Pelorane.ini" and "channels.ini" as the program keeps them beside its executable;
// the settings file is written back at the end, as the program does when it closes.
#include <cstdio>
#include <mutex>
#include <string>

#include "core/IepgReader.h"
#include "net/WorkerThread.h"
#include "platform/Codepage.h"
#include "recorder/Registration.h"
#include "recorder/ReservationList.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"

namespace {

std::string shown(const std::string& sjis) {
    std::string utf8;
    return sjisToUtf8(sjis, utf8) ? utf8 : sjis;
}

class ConsoleHost : public DialogHost {
public:
    void setStepText(const std::string& text) override { say("  ", text); }
    void setResultText(const std::string& text) override { say("  => ", text); }
    bool cancelRequested() const override { return false; }
    void postCompletion() override {}
    void showErrorBox(const std::string& text) override { say("  [message box] ", text); }

private:
    void say(const char* prefix, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::printf("%s%s\n", prefix, shown(text).c_str());
        std::fflush(stdout);
    }
    std::mutex mutex_;
};

std::string twoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pelorane_book DIR FILE.iepg\n");
        return 2;
    }
    std::string dir = argv[1];
    if (!dir.empty() && dir.back() != '/') dir += '/';
    ChannelTable channels;
    channels.load(dir + "channels.ini");
    ConfigStore config;
    config.load(dir + "Pelorane.ini");

    Reservation reservation;
    if (!readIepgFile(argv[2], reservation, channels, config)) {
        std::printf("could not read the iEPG file %s\n", argv[2]);
        return 1;
    }
    // The options come from the last used settings, as when the main dialog opens.
    reservation.disc = config.getDisc();
    reservation.dvdr = config.getDvdr();
    reservation.vrate = config.getVrate();
    reservation.amode = config.getAmode();
    reservation.bExec = config.getBExec();
    reservation.bAutoChapter = config.getBAutoChapter();
    reservation.bVPerform = config.getBVPerform();
    // Option values the recorder does not know fall back to the first entry, as the combo boxes do.
    reservation.dvdr = dvdrOptions()[dvdrOptions().indexOfValue(reservation.dvdr)].value;
    reservation.vrate = vrateOptions()[vrateOptions().indexOfValue(reservation.vrate)].value;
    reservation.amode = amodeOptions()[amodeOptions().indexOfValue(reservation.amode)].value;

    std::printf("programme: %s\n", shown(reservation.title).c_str());
    std::printf("  %04d/%02d/%02d %s:%s-%s:%s on %s\n", reservation.date.year, reservation.date.month,
                reservation.date.day, twoDigits(reservation.startHour).c_str(),
                twoDigits(reservation.startMinute).c_str(), twoDigits(reservation.endHour).c_str(),
                twoDigits(reservation.endMinute).c_str(),
                reservation.channel != nullptr ? shown(reservation.channel->label + " " + reservation.channel->name).c_str()
                                               : "(station not in the channel table)");
    if (reservation.channel == nullptr) return 1;
    if (!config.isHttpConfigured()) {
        std::printf("no recorder address (httpserver) in %sPelorane.ini\n", dir.c_str());
        return 1;
    }

    std::printf("booking on http://%s:%d\n", config.getHttpserver().c_str(), config.getHttpport());
    ConsoleHost host;
    auto job = startHttpRegistration(host, config, reservation);
    if (!job) {
        std::printf("could not start the booking\n");
        return 1;
    }
    job->wait();
    const bool booked = job->exitCode() == 1;

    ReservationEntries list;
    if (fetchReservationList(config, list)) {
        std::printf("reservations on the recorder:\n");
        for (const ReservationEntry& e : list) {
            std::printf("  %2d %s %-16s %-12s %-6s %s\n", e.number, e.enabled ? "on " : "off",
                        shown(e.dateText).c_str(), shown(e.timeText).c_str(), shown(e.channelText).c_str(),
                        shown(e.title).c_str());
        }
    } else {
        std::printf("could not read the reservation list\n");
    }
    config.save();
    return booked ? 0 : 1;
}
