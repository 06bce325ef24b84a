// Small checks shared by the fuzz targets.
#pragma once

#include <string>

// Stops the run the way libFuzzer reports as a crash, with the input saved.
inline void check(bool condition) {
    if (!condition) __builtin_trap();
}

// Readers must fold ASCII names to lower case.
inline bool hasUpperCase(const std::string& s) {
    for (char c : s) {
        if (c >= 'A' && c <= 'Z') return true;
    }
    return false;
}
