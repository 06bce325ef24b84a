// Response head reader followed by the chunked decoder, fed from memory.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <string>

#include "net/ChunkedSource.h"
#include "net/HttpResponse.h"
#include "tests/support/StringSource.h"

namespace {

struct Decoded {
    std::string bytes;
    bool complete;
};

Decoded decodeChunked(const uint8_t* data, size_t size) {
    StringSource source(data, size);
    ChunkedSource chunked(source);
    Decoded out{std::string(), false};
    for (int b; (b = chunked.next()) >= 0;) {
        out.bytes.push_back(static_cast<char>(b));
        if (out.bytes.size() > size) __builtin_trap();  // a decoder never yields more than it read
    }
    if (chunked.next() != -1) __builtin_trap();
    out.complete = chunked.complete();
    return out;
}

// The input as a chunked body, with chunk sizes (and an extension now and then) taken from the
// input itself: decoding it must give the input back, complete.
void checkRoundTrip(const uint8_t* data, size_t size) {
    std::string encoded;
    char line[32];
    for (size_t at = 0, i = 0; at < size; ++i) {
        const uint8_t steer = data[i % size];
        const size_t length = std::min<size_t>(size - at, 1 + steer % 97);
        std::snprintf(line, sizeof line, (steer & 0x80) != 0 ? "%zX;ext=%u\r\n" : "%zx\r\n", length, steer);
        encoded += line;
        encoded.append(reinterpret_cast<const char*>(data) + at, length);
        encoded += "\r\n";
        at += length;
    }
    encoded += (size % 2 == 0) ? "0\r\n\r\n" : "0\r\nX-Trailer: 1\r\n\r\n";
    const Decoded back = decodeChunked(reinterpret_cast<const uint8_t*>(encoded.data()), encoded.size());
    if (!back.complete || back.bytes != std::string(reinterpret_cast<const char*>(data), size)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    checkRoundTrip(data, size);
    StringSource source(data, size);
    HttpResponse response;
    if (!response.readHead(source)) return 0;
    if (response.status() < 0 || response.status() > 999) __builtin_trap();
    // Decode the rest as chunked whatever the header says, to reach the decoder with any bytes.
    const uint8_t* body = data + source.position();
    const size_t bodySize = size - source.position();
    const Decoded whole = decodeChunked(body, bodySize);
    // The end state: a body cut short may only be complete when the last chunk lies inside the
    // part that arrived, and then the bytes after the cut change nothing. So a decoder that took
    // the end of the data for the last chunk is caught on every body that goes on after the cut.
    const size_t cut = bodySize == 0 ? 0 : data[size - 1] % bodySize;
    const Decoded part = decodeChunked(body, cut);
    if (part.complete && (!whole.complete || part.bytes != whole.bytes)) __builtin_trap();
    if (!part.complete && whole.bytes.compare(0, part.bytes.size(), part.bytes) != 0) __builtin_trap();
    return 0;
}
