// The four settings dialogs: channels (102), mail (103), HTTP (104) and tool (105).
#pragma once

#include <windows.h>

// Each shows its dialog modally over owner (may be null) and returns 1 when OK was confirmed, 2 when
// it was cancelled or closed, -1 when the dialog could not be created.

// Edits the channel table in place; OK writes "channels.ini" (a failure is reported, see SettingsFiles.h).
int runChannelDialog(HWND owner);
// Edits the mail settings in memory.
int runMailDialog(HWND owner);
// Edits the recorder and proxy settings; OK writes "Pelorane.ini" at once (reported when that fails).
int runHttpDialog(HWND owner);
// Edits the main dialog's title, the two booking actions and the addresses; registers the iEPG type.
int runToolDialog(HWND owner);
