// The remote-control panel (template 106, menu 136): every button and menu entry sends one key.
#pragma once

#include <windows.h>

// Runs the panel modally, owned by `owner` (may be null). Returns the EndDialog value
// (2 for Escape or the close box), -1 when it could not be created.
int runRemoteDialog(HWND owner);
