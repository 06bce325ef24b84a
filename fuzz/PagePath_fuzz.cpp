// Fuzzes the request path resolver: input = port selector byte, base path, "\n", reference.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "recorder/PagePath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int port = (data[0] & 1) != 0 ? 8080 : 80;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t split = input.find('\n');
    const std::string base = split == std::string::npos ? std::string("/program/b_prgrm.htm") : input.substr(0, split);
    const std::string reference = split == std::string::npos ? input : input.substr(split + 1);
    const std::string host = "Rec.Example";

    const std::string path = resolvePagePath(base, reference, host, port);
    if (path.empty()) return 0;
    // It goes into the request line as it is: one absolute path, nothing that ends or splits it.
    check(path[0] == '/' && path.compare(0, 2, "//") != 0);
    for (const char c : path) {
        const unsigned char byte = static_cast<unsigned char>(c);
        check(byte >= 0x21 && byte != 0x7F && byte != '#');
    }
    for (const char c : reference) {
        const unsigned char byte = static_cast<unsigned char>(c);
        check(byte >= 0x21 && byte != 0x7F);
    }
    // Dot segments are gone: the result read again on any page is itself.
    check(resolvePagePath(base, path, host, port) == path);
    check(resolvePagePath("/", path, "elsewhere", 1) == path);
    check(pageDirectory(path).back() == '/');
    return 0;
}
