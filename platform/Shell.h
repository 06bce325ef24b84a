// Handing a URL to the desktop, which opens it with the registered program.
#pragma once

#include <string>

// Opens the URL (Shift_JIS bytes) with the program the system has registered for it.
// Nonzero when the system accepted it; 0 when it could not be started or reported failure.
int openUrl(const std::string& url);
