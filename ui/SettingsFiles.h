// Writing the two settings files, and telling the user when that is not possible.
#pragma once

#include <windows.h>

class ChannelTable;
class ConfigStore;

// Write "Pelorane.ini" or "channels.ini"; on failure a message box over owner (may be null) names
// the file, the first time in this run only. True when the file was written.
bool saveSettings(HWND owner, ConfigStore& config);
bool saveChannels(HWND owner, ChannelTable& channels);
