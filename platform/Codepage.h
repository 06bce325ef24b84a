// Conversions between UTF-8 (paths, command line) and Shift_JIS / code page 932 (all program text).
#pragma once

#include <string>

// False (and out unchanged) when the input is not valid in its encoding or has no equivalent.
bool utf8ToSjis(const std::string& utf8, std::string& out);
bool sjisToUtf8(const std::string& sjis, std::string& out);
