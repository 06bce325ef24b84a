// Fuzzes the INI loader from a real file: the loaded store keeps the loader's invariants, and
// save + load + save gives the same store and the same bytes.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "settings/ConfigStore.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

void checkShape(const ConfigStore& store) {
    for (const auto& [section, keys] : store.sections()) {
        check(section.find_first_of("\r\n]") == std::string::npos);
        check(!keys.empty());  // the loader creates a section only by storing a key
        for (const auto& [key, value] : keys) {
            check(!key.empty() && key[0] != '[');
            check(key.find_first_of("\r\n") == std::string::npos);
            check(key.find('=', 1) == std::string::npos);  // "=" may only start a key
            check(value.find_first_of("\r\n") == std::string::npos);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TempDir workspace("pelorane-fuzz-config");  // one folder for the whole run
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string path = workspace.file("Pelorane.ini");

    writeBytes(path, input);
    ConfigStore store;
    store.load(path);
    checkShape(store);

    // Whatever follows the last LF is never stored.
    const size_t lastLf = input.rfind('\n');
    writeBytes(path, lastLf == std::string::npos ? std::string() : input.substr(0, lastLf + 1));
    ConfigStore complete;
    complete.load(path);
    check(complete.sections() == store.sections());

    // Typed getters never fail, whatever the values.
    int32_t sum = 0;
#define READ_INT(Name, key, def) sum ^= store.get##Name();
#define READ_STRING(Name, key, def) sum ^= static_cast<int32_t>(store.get##Name().size());
    PELORANE_INT_SETTINGS(READ_INT)
    PELORANE_STRING_SETTINGS(READ_STRING)
#undef READ_INT
#undef READ_STRING
    (void)sum;
    store.isMailConfigured();

    check(store.save());
    const std::string first = readBytes(path);
    ConfigStore again;
    check(again.load(path));
    check(again.sections() == store.sections());
    check(again.save());
    check(readBytes(path) == first);
    check(!fs::exists(fs::u8path(path + ".tmp")));
    return 0;
}
