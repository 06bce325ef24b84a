// Response head reader followed by the chunked decoder, fed from memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/ChunkedSource.h"
#include "net/HttpResponse.h"
#include "tests/support/StringSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StringSource source(data, size);
    HttpResponse response;
    if (response.readHead(source)) {
        if (response.status() < 0 || response.status() > 999) __builtin_trap();
        // Decode as chunked whatever the header says, to reach the decoder with any bytes.
        ChunkedSource chunked(source);
        size_t produced = 0;
        while (chunked.next() >= 0) {
            if (++produced > size) __builtin_trap();  // a decoder never yields more than it read
        }
        if (chunked.next() != -1) __builtin_trap();
    }
    return 0;
}
