// Fuzzes the ISO-2022-JP encoder: valid 7-bit output for any bytes, same result however it is fed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/JisEncoder.h"

namespace {

// Only this encoder's escapes, even runs of 0x21-0x7E inside ESC $ B, single-byte mode at the end.
bool wellFormed(const std::string& text) {
    bool doubleByte = false;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '\x1b') {
            const std::string escape = text.substr(i, 3);
            if (escape == "\x1b$B" && !doubleByte) {
                doubleByte = true;
            } else if (escape == "\x1b(J" && doubleByte) {
                doubleByte = false;
            } else {
                return false;
            }
            i += 3;
        } else if (doubleByte) {
            if (i + 1 >= text.size() || text[i] < 0x21 || text[i] > 0x7E || text[i + 1] < 0x21 ||
                text[i + 1] > 0x7E) {
                return false;
            }
            i += 2;
        } else {
            ++i;
        }
    }
    return !doubleByte;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string whole = toIso2022Jp(line);

    // No 8-bit byte, no SO or SI and only the encoder's own escapes, properly nested, for any input.
    for (const char c : whole) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\x0e' || c == '\x0f') __builtin_trap();
    }
    if (!wellFormed(whole)) __builtin_trap();

    // Fed in two writes split in the middle, or after a reset of a used encoder: the same bytes.
    std::string split;
    StringSink splitSink(split);
    JisEncoder encoder(splitSink);
    encoder.write(line.substr(0, size / 2));
    encoder.write(line.substr(size / 2));
    encoder.flush();
    if (split != whole) __builtin_trap();

    std::string again;
    StringSink againSink(again);
    JisEncoder reused(againSink);
    reused.write(line.substr(size / 3));  // leaves held bytes and double-byte mode behind
    reused.reset();
    again.clear();
    reused.write(line);
    reused.flush();
    if (again != whole) __builtin_trap();
    return 0;
}
