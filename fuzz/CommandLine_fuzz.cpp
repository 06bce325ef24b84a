// Fuzzes the command-line splitter: re-quoting the arguments and splitting again gives the same list.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/CommandLine.h"

namespace {

// Every argument in quotes with its quotes doubled, separated by single spaces.
std::string joinQuoted(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty()) text += ' ';
        text += '"';
        for (const char c : argument) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> arguments = splitCommandLine(text);
    size_t total = 0;
    for (const std::string& argument : arguments) total += argument.size();
    if (total > size) __builtin_trap();  // every input byte yields at most one argument byte
    if (splitCommandLine(joinQuoted(arguments)) != arguments) __builtin_trap();
    return 0;
}
