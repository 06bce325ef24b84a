// The program's arguments: splitting the command-line text and filling a reservation from it.
#pragma once

#include <string>
#include <vector>

#include "core/Reservation.h"
#include "platform/Clock.h"

class ChannelTable;
class ConfigStore;

// Splits at spaces; double quotes group, "" inside quotes is one quote; an unterminated quote drops its argument.
std::vector<std::string> splitCommandLine(const std::string& text);

// Fills channel, date, times, title, detail and genre from the positional form
// (station, YYYYMMDD, HHMM, HHMM, unused, title, detail[, genre]); missing arguments read as empty.
void fillFromArguments(const std::vector<std::string>& arguments, Reservation& reservation,
                       const ChannelTable& channels, const ConfigStore& config);

// Fills the default reservation: no channel, now until an hour later, empty texts, the configured genre.
void fillDefault(Reservation& reservation, const ConfigStore& config, const LocalTime& now);
// Same, at the current local time.
void fillDefault(Reservation& reservation, const ConfigStore& config);
