// Fuzzes the Base64 decoder over arbitrary bytes and the encode-decode round trip.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    // Arbitrary text: at most 3 bytes out per 4 characters, and whole and byte-wise feeding agree.
    const std::string decoded = base64Decode(input);
    if (decoded.size() > size / 4 * 3) __builtin_trap();
    Base64Decoder decoder;
    for (size_t i = 0; i < size; ++i) decoder.put(data[i]);
    decoder.flush();
    if (decoder.output() != decoded) __builtin_trap();

    // Round trip: the text is 4 characters per started group, from the alphabet and "=" only.
    const std::string encoded = base64Encode(input);
    if (encoded.size() != (size + 2) / 3 * 4) __builtin_trap();
    if (encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") !=
        std::string::npos) {
        __builtin_trap();
    }
    if (base64Decode(encoded) != input) __builtin_trap();
    return 0;
}
