// A byte source over bytes held in memory, typically an HTTP response body.
#pragma once

#include <cstddef>
#include <string>

#include "io/Streams.h"

// Reads the bytes of a string it does not own; the string must outlive the source.
// The class is final so that readers holding a MemorySource* get the inline next() without a virtual call.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(const std::string& bytes);
    MemorySource(const std::string&&) = delete;  // a temporary would die before the source
    MemorySource(const char* data, size_t size);

    // The next byte as 0..255, or -1 once the position has reached the end.
    int next() override { return position_ < end_ ? static_cast<unsigned char>(*position_++) : -1; }

    // Direct access for readers that scan ahead: the unread bytes are [position(), end()).
    const char* position() const { return position_; }
    const char* end() const { return end_; }
    // Marks the bytes before `position` as read; positions outside the unread range are clamped.
    void skipTo(const char* position);

private:
    const char* position_;
    const char* end_;
};
