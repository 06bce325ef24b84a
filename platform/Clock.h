// The local-time record, the current local time, and a clock for time-outs.
#pragma once

#include <cstdint>

// Same members and order as the Windows SYSTEMTIME record.
struct LocalTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

// The current local date and time, every member filled (day of week 0 = Sunday).
LocalTime currentLocalTime();

// Milliseconds from an arbitrary fixed point; never goes back, whatever the wall clock does.
int64_t monotonicMilliseconds();
