// The body lines of a reservation mail and the launch of the user's mail program with them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/Reservation.h"

class ConfigStore;

// The command line is formatted into a buffer of this size, terminator included.
constexpr size_t kMailCommandBufferSize = 1024;
constexpr size_t kMaxMailCommandLength = kMailCommandBufferSize - 1;

// Fills lines with the command line ("open <rduser> tv SC<mailCode> HHMM HHMM MMDD"), the title and
// the detail. False, with lines empty, when the reservation has no channel or the command line
// would be longer than kMaxMailCommandLength.
bool buildMailCommand(const Reservation& reservation, const ConfigStore& config, std::vector<std::string>& lines);
// "mailto:<to>?body=" + each line encoded and followed by "%0D%0A", + "&bcc=<from>" when the
// addresses differ; the addresses themselves are not encoded.
std::string buildMailtoUrl(const std::vector<std::string>& lines, const std::string& to, const std::string& from);
// Opens the user's mail program with the reservation mail prepared. Nonzero when it was started;
// 0, with nothing launched, when buildMailCommand refuses the reservation.
int launchMailer(const Reservation& reservation, const ConfigStore& config);
// Opens the user's mail program with body lines from buildMailCommand; nonzero when it was started.
int openMailer(const std::vector<std::string>& lines, const ConfigStore& config);
