// Fuzzes the iEPG reader from memory with a small channel table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/IepgReader.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/MemoryStream.h"

namespace {

const ChannelTable& fuzzChannels() {
    static const ChannelTable table = [] {
        ChannelTable t;
        const char* const names[] = {"", "NHK", "\x83\x65\x83\x58\x83\x67\x8b\xc7", ""};  // -, NHK, テスト局, -
        const char* const codes[] = {"", "DFS00400", "", "BSDT101"};  // a code of a named and of an unnamed one
        int32_t code = 1;
        for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
            ChannelEntry entry;
            entry.code = code;
            entry.label = "CH" + std::to_string(code);
            entry.name = names[i];
            entry.stationCode = codes[i];
            t.setEntry(entry);
            ++code;
        }
        return t;
    }();
    return table;
}

bool isClockPart(int32_t value) { return value >= 0 && value <= 99; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // Split into two reads so a chunk boundary lands somewhere inside the data.
    const size_t cut = size / 3;
    ChunkStream stream({text.substr(0, cut), text.substr(cut)});
    BufferedReader reader(stream);
    ConfigStore config;
    Reservation reservation;
    reservation.title = "untouched";
    reservation.detail = "untouched";
    const bool ok = readIepg(reader, reservation, fuzzChannels(), config);
    if (!ok) {
        if (reservation.title != "untouched" || reservation.detail != "untouched") __builtin_trap();
        return 0;
    }
    // Success needs the content-type line, a full date and two "HH:MM" times.
    if (size < 63 || reservation.date.year == 0 || reservation.date.month == 0 || reservation.date.day == 0) {
        __builtin_trap();
    }
    if (!isClockPart(reservation.startHour) || !isClockPart(reservation.startMinute) ||
        !isClockPart(reservation.endHour) || !isClockPart(reservation.endMinute)) {
        __builtin_trap();
    }
    if (reservation.detail.size() + reservation.title.size() > size) __builtin_trap();
    if (reservation.genre != kNoGenre) __builtin_trap();
    // Only a name or a code names a channel: a missing or empty value never picks the unnamed one.
    if (reservation.channel != nullptr && reservation.channel->name.empty() &&
        reservation.channel->stationCode.empty()) {
        __builtin_trap();
    }
    return 0;
}
