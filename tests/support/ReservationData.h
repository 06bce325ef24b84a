// Channel entries and booking times as the tests write them.
#pragma once

#include <cstdint>
#include <string>

#include "core/Reservation.h"
#include "settings/ChannelTable.h"

// A channel at position `code`, labelled "CH<code>", with the given station name.
inline ChannelEntry channelEntry(int32_t code, const std::string& name) {
    ChannelEntry entry;
    entry.code = code;
    entry.label = "CH" + std::to_string(code);
    entry.name = name;
    return entry;
}

// Sets the day and the start and end times, leaving every other field as it was.
inline void setSchedule(Reservation& r, uint16_t year, uint16_t month, uint16_t day, int32_t startHour,
                        int32_t startMinute, int32_t endHour, int32_t endMinute) {
    r.date.year = year;
    r.date.month = month;
    r.date.day = day;
    r.startHour = startHour;
    r.startMinute = startMinute;
    r.endHour = endHour;
    r.endMinute = endMinute;
}
