// Registers the program as the handler of iEPG files (".iepg", "application/x-tv-program-info").
#pragma once

#include <windows.h>

// Writes the file type's keys under HKEY_CLASSES_ROOT for this executable and, when every key and
// value was written, shows the success message box owned by `owner`. False on any failure (nothing
// shown, nothing undone).
bool registerIepgAssociation(HWND owner);
