// Chunked transfer coding (RFC 9112 section 7.1).
//
//   5\r\nhello\r\n3;ext=1\r\n abc\r\n0\r\nTrailer: x\r\n\r\n   ->   "hello" " ab"...
//
// The size is the leading hexadecimal number of its line; extensions after it are ignored. The
// body is complete only once the zero-size chunk has been read: a connection that ends inside a
// chunk, before a size line's LF or before the last chunk has broken the body off.
#include "net/ChunkedSource.h"

#include "settings/Numbers.h"

bool ChunkedSource::readLine(std::string& line) {
    line.clear();
    // Every byte before the LF counts, dropped CRs included, so that a peer sending CRs without
    // end cannot hold the read; one CR on top of the longest line is the line's own CR LF.
    int received = 0;
    for (;;) {
        const int b = inner_.next();
        if (b < 0) return false;
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
        // After a chunk's data comes the CR LF that closes it.
        if (!first_ && !readLine(line)) {
            size_ = -1;
            return -1;
        }
        first_ = false;
        if (!readLine(line)) {
            size_ = -1;
            return -1;
        }
        size_ = parseLong32(line, 16);
        if (size_ < 0) {
            size_ = -1;
            return -1;
        }
        if (size_ == 0) {
            complete_ = true;
            // Trailers carry nothing the client uses; the end of the source ends them too.
            int trailerBytes = 0;
            while (readLine(line) && !line.empty()) {
                trailerBytes += static_cast<int>(line.size());
                if (trailerBytes > kMaxChunkLineBytes) break;
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
