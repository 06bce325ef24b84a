// Fuzzes the booking verdict reader: never reads past its input, and the verdict follows the markers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "recorder/PageAnalysis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    const ResultMessage r = readResultMessage(body);
    const bool hasKeyword = body.find("msg=") != std::string::npos || body.find("alert") != std::string::npos;
    if (!hasKeyword) {
        if (r.success || r.message != "Unknown...") __builtin_trap();
        return 0;
    }
    if (r.success != (body.find("history.back();") == std::string::npos)) __builtin_trap();
    // The message lies strictly between two quotes, so it is shorter than the body and holds none.
    if (r.message.size() >= body.size()) __builtin_trap();
    if (r.message.find('"') != std::string::npos) __builtin_trap();
    return 0;
}
