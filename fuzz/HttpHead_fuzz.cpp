// Response head reader followed by the chunked decoder, fed from memory.
#include <cstddef>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
