// What the process knows about itself: its executable's path and its command line.
#pragma once

#include <string>

// Full path of the running executable, UTF-8; empty when it cannot be found.
std::string modulePath();
// The command line without the program's own name, UTF-8 (quotes and spaces kept as typed).
std::string commandLineText();
