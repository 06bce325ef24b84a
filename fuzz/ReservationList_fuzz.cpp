// Fuzzes the reservation table reader and its cell parsers on any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "recorder/ReservationList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    size_t rowTags = 0;
    for (size_t i = 0; i + 2 < body.size(); ++i) {
        if (body[i] == '<' && (body[i + 1] | 0x20) == 't' && (body[i + 2] | 0x20) == 'r') ++rowTags;
    }
    const ReservationEntries list = parseReservationList(body);
    if (list.size() > rowTags) __builtin_trap();
    for (const ReservationEntry& e : list) {
        if (e.channelText.empty() || e.channelText == "---") __builtin_trap();
        if (!e.timeText.empty() && e.timeText.size() != 11) __builtin_trap();
        if (e.weekdayMask != 0 && (e.year != 0 || e.month != 0 || e.day != 0)) __builtin_trap();
        if (e.weekday > 6) __builtin_trap();
    }

    // The cell parsers on the raw bytes, which may hold anything a decoded cell cannot.
    ReservationEntry e;
    parseDateCell(e, body);
    if (e.dateText != body || e.weekday > 6) __builtin_trap();
    parseTimeCell(e, body);
    if (e.timeText != (body.size() == 11 ? body : std::string())) __builtin_trap();

    lastFrameSource(body);
    return 0;
}
