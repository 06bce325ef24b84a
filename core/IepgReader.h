// Reading a programme from an iEPG file into a reservation: version 1 ("application/x-tv-program-info")
// or version 2 of digital broadcasting ("application/x-tv-program-digital-info").
#pragma once

#include <cstddef>
#include <string>

#include "core/Reservation.h"
#include "io/Streams.h"

class ChannelTable;
class ConfigStore;

// A real iEPG file is a few hundred bytes; anything longer than this is refused as not being one.
constexpr size_t kMaxIepgBytes = 1024 * 1024;

// Reads an iEPG file from source. True when channel, date, times, title, detail and genre were set;
// on false the reservation is left untouched. The channel is the station's (version 1: by name;
// version 2: by service code, else by name), or none.
bool readIepg(ByteSource& source, Reservation& reservation, const ChannelTable& channels,
              const ConfigStore& config);

// Opens the file at path (UTF-8), or failing that the path without its last extension, and reads it
// as readIepg does.
bool readIepgFile(const std::string& path, Reservation& reservation, const ChannelTable& channels,
                  const ConfigStore& config);
