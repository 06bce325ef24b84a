// Decodes a chunked HTTP body from the source that follows the response head.
#pragma once

#include <string>

#include "io/Streams.h"

// Upper bound on one chunk-size or trailer line and on all trailer lines together.
constexpr int kMaxChunkLineBytes = 64 * 1024;

class ChunkedSource : public ByteSource {
public:
    explicit ChunkedSource(ByteSource& inner) : inner_(inner) {}
    // The next body byte, or -1 after the last chunk, at the end of the inner source or on a bad size line.
    int next() override;
    // True once the last (zero-size) chunk has been read: only then did the whole body arrive.
    bool complete() const { return complete_; }
    // A size line that is not a size, a trailer flood, or a read error or time-out below.
    bool failed() const override { return broken_ || inner_.failed(); }

private:
    // One LF-terminated line without its CR bytes; false when the source ends before the LF or the
    // line (CR bytes counted) runs past its bound.
    bool readLine(std::string& line);

    ByteSource& inner_;
    long long size_ = 0;       // -1 once the body has ended
    long long delivered_ = 0;  // bytes given out of the current chunk
    bool first_ = true;
    bool complete_ = false;
    bool broken_ = false;
    long long consumed_ = 0;      // bytes read by readLine, LF and CR included
    long long trailerBytes_ = 0;
};
