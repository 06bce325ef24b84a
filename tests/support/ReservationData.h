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

// The booking the recorder tests send: CH4 of the default table, 2027/03/03 21:00–22:54, a title
// in which the second byte of ソ is a backslash, video rate 3000, DVDR compatibility and audio mode 1.
inline void setSampleBooking(Reservation& r, const ChannelTable& channels) {
    r.channel = channels.findByCode(4);
    setSchedule(r, 2027, 3, 3, 21, 0, 22, 54);
    r.title = "\x83\x5c\x83\x8c test";  // ソレ test
    r.vrate = 3000;
    r.dvdr = 1;
    r.amode = 1;
}
