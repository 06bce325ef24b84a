// Writing the two settings files, and telling the user when that is not possible.
#pragma once

#include <windows.h>

class ChannelTable;
class ConfigStore;

// Write "Pelorane.ini" or "channels.ini"; on failure a message box over owner (may be null) names
// the file that holds the settings now, the first time in this run for that file only. True when
// the file was written.
bool saveSettings(HWND owner, ConfigStore& config);
bool saveChannels(HWND owner, ChannelTable& channels);
// As saveSettings, but only when the settings differ from the file's (ConfigStore::saveIfChanged).
bool saveChangedSettings(HWND owner, ConfigStore& config);

// When a settings file was there at start but could not be read, says so in one box without owner
// naming each such file: the program goes on with defaults, the file is kept as ".bak".
void reportUnreadFiles(const ChannelTable& channels, const ConfigStore& config);
