// The program's version as the tool settings show it, read from the executable's version resource.
#pragma once

#include <string>

// "v" and the four-part file version ("v0.0.0.17"); empty when the executable carries no version.
std::string programVersionText();
