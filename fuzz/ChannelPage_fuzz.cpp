// Fuzzes the channel page reader over a default table: positions and labels never change.
#include <cstddef>
#include <cstdint>
#include <string>

#include "recorder/ChannelPage.h"
#include "settings/ChannelTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ChannelTable defaults = [] {
        ChannelTable t;
        t.load("");
        return t;
    }();
    const std::string body(reinterpret_cast<const char*>(data), size);
    ChannelTable table = defaults;
    ChannelPageReader reader(table);
    if (!parseHtml(body, reader)) __builtin_trap();  // the reader never stops a page

    if (table.size() != defaults.size()) __builtin_trap();
    auto before = defaults.begin();
    for (const auto& [code, e] : table) {
        if (code != before->first || e.code != before->second.code || e.label != before->second.label) __builtin_trap();
        // "--" marks an unused position and is never imported as a station name.
        if (e.name == "--") __builtin_trap();
        ++before;
    }
    return 0;
}
