// A byte source over bytes held in memory.
#include "recorder/MemorySource.h"

MemorySource::MemorySource(const std::string& bytes) : MemorySource(bytes.data(), bytes.size()) {}

MemorySource::MemorySource(const char* data, size_t size) : position_(data), end_(data + size) {}

void MemorySource::skipTo(const char* position) {
    // Comparing with the current range keeps a stray pointer from moving the source backwards or past its end.
    if (position > end_) position = end_;
    if (position > position_) position_ = position;
}
