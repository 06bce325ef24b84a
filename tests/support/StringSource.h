// A ByteSource over a copy of some bytes, for feeding readers from memory in tests and fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/Streams.h"

// Hands out one byte per call. It is not a MemorySource, so readers take their byte-at-a-time path.
class StringSource : public ByteSource {
public:
    explicit StringSource(std::string data) : data_(std::move(data)) {}
    StringSource(const uint8_t* data, size_t size) : data_(reinterpret_cast<const char*>(data), size) {}
    int next() override { return position_ < data_.size() ? static_cast<unsigned char>(data_[position_++]) : -1; }
    // How many bytes have been handed out.
    size_t position() const { return position_; }

private:
    std::string data_;
    size_t position_ = 0;
};
