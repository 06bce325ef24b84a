// Reservation mail body lines and the mailto: launch.
#include "core/MailCommand.h"

#include <cstdio>

#include "net/UrlEncode.h"
#include "platform/Shell.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"

bool buildMailCommand(const Reservation& reservation, const ConfigStore& config, std::vector<std::string>& lines) {
    lines.clear();
    if (reservation.channel == nullptr) return false;
    const std::string user = config.getRduser();
    char command[kMailCommandBufferSize];
    // snprintf never writes past the buffer and reports the full length, so an over-long line
    // (unbounded rduser or mailCode) is refused rather than sent cut short.
    const int length = std::snprintf(command, sizeof command, "open %s tv SC%s %02d%02d %02d%02d %02d%02d",
                                     user.c_str(), reservation.channel->mailCode.c_str(),
                                     static_cast<int>(reservation.startHour), static_cast<int>(reservation.startMinute),
                                     static_cast<int>(reservation.endHour), static_cast<int>(reservation.endMinute),
                                     static_cast<int>(reservation.date.month), static_cast<int>(reservation.date.day));
    if (length < 0 || static_cast<size_t>(length) > kMaxMailCommandLength) return false;
    lines.emplace_back(command, static_cast<size_t>(length));
    lines.push_back(reservation.title);
    lines.push_back(reservation.detail);
    return true;
}

std::string buildMailtoUrl(const std::vector<std::string>& lines, const std::string& to, const std::string& from) {
    std::string url = "mailto:" + to + "?body=";
    for (const std::string& line : lines) {
        url += urlEncode(line);
        url += "%0D%0A";
    }
    if (to != from) url += "&bcc=" + from;
    return url;
}

int launchMailer(const Reservation& reservation, const ConfigStore& config) {
    std::vector<std::string> lines;
    if (!buildMailCommand(reservation, config, lines)) return 0;
    return openMailer(lines, config);
}

int openMailer(const std::vector<std::string>& lines, const ConfigStore& config) {
    return openUrl(buildMailtoUrl(lines, config.getTo(), config.getFrom()));
}
