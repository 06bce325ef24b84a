// The current local time from GetLocalTime, the monotonic clock from GetTickCount64.
#include "platform/Clock.h"

#include <windows.h>

LocalTime currentLocalTime() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.dayOfWeek = st.wDayOfWeek;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.milliseconds = st.wMilliseconds;
    return t;
}

int64_t monotonicMilliseconds() { return static_cast<int64_t>(GetTickCount64()); }
