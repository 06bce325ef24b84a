// Fuzzes the push HTML reader: in-memory and byte-wise runs agree, names are well-formed, refusals stop.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "recorder/HtmlTokenizer.h"
#include "recorder/MemorySource.h"
#include "tests/support/StringSource.h"

namespace {

// Records events and refuses the event numbered refuseAt (none when negative).
class CheckingHandler : public HtmlHandler {
public:
    explicit CheckingHandler(long refuseAt) : refuseAt_(refuseAt) {}
    bool onText(const std::string& text) override {
        // Collapsing turns every byte 0x00..0x20 into at most a blank, so no control byte survives.
        if (text.empty()) __builtin_trap();
        for (char c : text) {
            if (static_cast<unsigned char>(c) < 0x20) __builtin_trap();
        }
        return record("t" + text);
    }
    bool onStartTag(const std::string& name, const AttributeMap& attributes) override {
        if (hasUpperCase(name) || name.find_first_of(" \t>") != std::string::npos) __builtin_trap();
        std::string line = "s" + name;
        for (const auto& [key, value] : attributes) {
            if (key.empty() || hasUpperCase(key) || key.find_first_of(" \t\r\n\v\f=>") != std::string::npos) {
                __builtin_trap();
            }
            line += '\0' + key + '\0' + value;
        }
        return record(line);
    }
    bool onEndTag(const std::string& name) override {
        if (hasUpperCase(name) || name.find('>') != std::string::npos) __builtin_trap();
        return record("e" + name);
    }
    std::vector<std::string> events;

private:
    bool record(const std::string& line) {
        events.push_back(line);
        return static_cast<long>(events.size()) - 1 != refuseAt_;
    }
    long refuseAt_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    CheckingHandler all(-1);
    if (!parseHtml(input, all)) __builtin_trap();
    if (all.events.size() > size + 1) __builtin_trap();

    CheckingHandler bytewise(-1);
    StringSource source(data, size);
    HtmlTokenizer tokenizer;
    if (!tokenizer.run(&source, &bytewise)) __builtin_trap();
    if (bytewise.events != all.events) __builtin_trap();

    // Refusing one event stops the run right there.
    if (!all.events.empty()) {
        const long refuseAt = static_cast<long>(size > 0 ? data[0] : 0) % static_cast<long>(all.events.size());
        CheckingHandler refusing(refuseAt);
        if (parseHtml(input, refusing)) __builtin_trap();
        if (refusing.events.size() != static_cast<size_t>(refuseAt) + 1) __builtin_trap();
        for (size_t i = 0; i < refusing.events.size(); ++i) {
            if (refusing.events[i] != all.events[i]) __builtin_trap();
        }
    }
    return 0;
}
