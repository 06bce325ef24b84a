// Response head reader followed by the chunked decoder, fed from memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/ChunkedSource.h"
#include "net/HttpResponse.h"

namespace {

class BytesSource : public ByteSource {
public:
    BytesSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int next() override { return position_ < size_ ? data_[position_++] : -1; }
    size_t position() const { return position_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BytesSource source(data, size);
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
