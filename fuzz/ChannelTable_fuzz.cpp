// Fuzzes loading "channels.ini" from a real file: every entry sits under its own code, and
// save + load + save gives the same bytes and the same entries (a lone station code aside).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "settings/ChannelTable.h"
#include "tests/support/TempDir.h"

namespace {

void checkTable(const ChannelTable& table) {
    check(table.size() > 0);
    for (const auto& [code, entry] : table) {
        check(entry.code == code);
        check(code != -1);  // -1 only ever selects by label
        check(entry.mailCode.find(',') == std::string::npos);
        check(entry.stationCode.find(',') == std::string::npos);
    }
    if (!table.userDefined()) {
        check(table.size() == 75);
        for (const auto& [code, entry] : table) check(entry.name.empty() && entry.mailCode.empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TempDir workspace("pelorane-fuzz-channels");  // one folder for the whole run
    const std::string path = workspace.file("channels.ini");
    writeBytes(path, std::string(reinterpret_cast<const char*>(data), size));

    ChannelTable table;
    table.load(path);
    checkTable(table);
    for (const auto& [code, entry] : table) {
        const ChannelEntry* byName = table.findByName(entry.name);
        check(byName != nullptr && byName->code <= code && byName->name == entry.name);
    }

    check(table.save());
    const std::string first = readBytes(path);
    ChannelTable again;
    again.load(path);
    checkTable(again);
    check(again.size() == table.size());
    for (const auto& [code, entry] : table) {
        const ChannelEntry* other = again.findByCode(code);
        check(other != nullptr);
        check(other->label == entry.label && other->name == entry.name && other->mailCode == entry.mailCode);
        const bool kept = !entry.name.empty() || !entry.mailCode.empty();
        check(other->stationCode == (kept ? entry.stationCode : std::string()));
    }
    check(again.save());
    check(readBytes(path) == first);
    return 0;
}
