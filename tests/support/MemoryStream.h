// In-memory ByteStream fakes for tests: a scripted reader and a recording writer.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "io/Streams.h"

// Serves the given chunks, one per read call (cut to the caller's size), then 0 (end of data).
class ChunkStream : public ByteStream {
public:
    explicit ChunkStream(std::vector<std::string> chunks) : chunks_(std::move(chunks)) {}
    bool close() override { return true; }
    int read(char* buffer, int size) override {
        ++reads;
        while (index_ < chunks_.size() && offset_ == chunks_[index_].size()) {
            ++index_;
            offset_ = 0;
        }
        if (index_ >= chunks_.size()) return endResult;
        const std::string& c = chunks_[index_];
        const size_t n = std::min(c.size() - offset_, static_cast<size_t>(size));
        c.copy(buffer, n, offset_);
        offset_ += n;
        return static_cast<int>(n);
    }
    int write(const char* data, int size) override {
        if (failWrites) return -1;
        const int n = maxWrite > 0 && size > maxWrite ? maxWrite : size;
        written.append(data, static_cast<size_t>(n));
        writeSizes.push_back(n);
        return n;
    }

    int reads = 0;
    int endResult = 0;
    bool failWrites = false;
    int maxWrite = 0;  // > 0: accept at most this many bytes per write call
    std::string written;
    std::vector<int> writeSizes;

private:
    std::vector<std::string> chunks_;
    size_t index_ = 0;
    size_t offset_ = 0;
};
