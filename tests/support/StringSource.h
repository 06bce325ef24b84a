// A ByteSource over a string, for feeding readers from memory in tests.
#pragma once

#include <string>

#include "net/Streams.h"

class StringSource : public ByteSource {
public:
    explicit StringSource(std::string data) : data_(std::move(data)) {}
    int next() override { return position_ < data_.size() ? static_cast<unsigned char>(data_[position_++]) : -1; }

private:
    std::string data_;
    size_t position_ = 0;
};
