// The reservation list dialog (template 137): the recorder's reservations as a list and a week timeline.
#pragma once

#include <windows.h>

// Runs the dialog modally, owned by `owner` (may be null); the first fetch starts as it opens.
// Returns the EndDialog value (2 for Escape or the close box), -1 when it could not be created.
int runReservationListDialog(HWND owner);
