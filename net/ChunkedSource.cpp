// Chunked transfer coding (RFC 9112 section 7.1).
//
//   5\r\nhello\r\n3;ext=1\r\n abc\r\n0\r\nTrailer: x\r\n\r\n   ->   "hello" " ab"...
//
// A size line is hexadecimal digits, then optional blanks, then nothing or ";" and extensions.
// Anything else ("zz", "", "-0", "0x10", "5 5") is not a size and breaks the body: reading it as 0
// would take a cut body for complete. The body is complete only once the zero-size chunk has been
// read: a connection that ends inside a chunk, before a size line's LF or before the last chunk
// has broken the body off.
#include "net/ChunkedSource.h"

#include "net/HttpResponse.h"

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The chunk size of a size line, or -1 when the line holds none or one past 31 bits.
long long chunkSize(const std::string& line) {
    size_t i = 0;
    long long size = 0;
    for (; i < line.size() && hexValue(line[i]) >= 0; ++i) {
        size = size * 16 + hexValue(line[i]);
        if (size > 0x7FFFFFFF) return -1;
    }
    if (i == 0) return -1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i < line.size() && line[i] != ';') return -1;
    return size;
}

}  // namespace

bool ChunkedSource::readLine(std::string& line) {
    line.clear();
    // Every byte before the LF counts, dropped CRs included, so that a peer sending CRs without
    // end cannot hold the read; one CR on top of the longest line is the line's own CR LF.
    int received = 0;
    for (;;) {
        const int b = inner_.next();
        if (b < 0) return false;
        ++consumed_;
        if (b == '\n') return true;
        if (++received > kMaxChunkLineBytes + 1) return false;
        if (b == '\r') continue;
        if (static_cast<int>(line.size()) >= kMaxChunkLineBytes) return false;
        line.push_back(static_cast<char>(b));
    }
}

int ChunkedSource::next() {
    if (size_ < 0) return -1;
    if (delivered_ == size_) {
        delivered_ = 0;
        std::string line;
        // After a chunk's data comes the CR LF that closes it; more data there means the size lied.
        if (!first_ && !readLine(line)) {
            size_ = -1;
            return -1;
        }
        if (!line.empty()) {
            broken_ = true;
            size_ = -1;
            return -1;
        }
        first_ = false;
        if (!readLine(line)) {
            size_ = -1;
            return -1;
        }
        size_ = chunkSize(line);
        if (size_ < 0) {
            broken_ = true;
            return -1;
        }
        if (size_ == 0) {
            // Trailers carry nothing the client uses; the end of the source ends them too. They
            // are bounded like a head, every byte counted, so that a flood of them breaks the body.
            complete_ = true;
            for (;;) {
                const long long before = consumed_;
                if (!readLine(line) || line.empty()) break;
                trailerBytes_ += consumed_ - before;
                if (trailerBytes_ > kMaxResponseHeadBytes) {
                    complete_ = false;
                    broken_ = true;
                    break;
                }
            }
            size_ = -1;
            return -1;
        }
    }
    const int b = inner_.next();
    if (b < 0) {
        size_ = -1;
        return -1;
    }
    ++delivered_;
    return b;
}
