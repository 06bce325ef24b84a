// Byte-stream framework: buffered reading and writing, line splitting.
#include "io/Streams.h"

#include <algorithm>

int ByteSink::write(const char* data, int length) {
    int accepted = 0;
    while (accepted < length && put(static_cast<unsigned char>(data[accepted]))) ++accepted;
    return accepted;
}

int ByteSink::newline() {
    if (!put(13)) return 0;
    return put(10) ? 2 : 0;
}

int ByteSink::pump(ByteSource& source) {
    int count = 0;
    for (;;) {
        const int b = source.next();
        if (b < 0 || !put(b)) return count;
        ++count;
    }
}

bool StringSink::put(int byte) {
    target_.push_back(static_cast<char>(byte));
    return true;
}

int StringSink::write(const char* data, int length) {
    if (length <= 0) return 0;
    target_.append(data, static_cast<size_t>(length));
    return length;
}

int BufferedReader::refill() {
    if (fill_ == -1) return -1;
    position_ = 0;
    fill_ = stream_.read(buffer_, kStreamBufferSize);
    if (fill_ <= 0) {  // end of data, error and time-out all end the data for good
        failed_ = fill_ < 0;
        fill_ = -1;
        return -1;
    }
    return static_cast<unsigned char>(buffer_[position_++]);
}

bool LineReader::readLine(std::string& out) {
    out.clear();
    if (ended_) return false;
    for (;;) {
        const int b = next();
        if (b < 0) {
            ended_ = true;
            return !out.empty();
        }
        if (b == 13) continue;
        if (b == 10) return true;
        out.push_back(static_cast<char>(b));
    }
}

BufferedWriter::~BufferedWriter() { flush(); }

bool BufferedWriter::put(int byte) {
    if (fill_ == kStreamBufferSize && !flush()) return false;
    buffer_[fill_++] = static_cast<char>(byte);
    return true;
}

bool BufferedWriter::flush() {
    int sent = 0;
    while (sent < fill_) {
        const int n = stream_.write(buffer_ + sent, fill_ - sent);
        if (n < 0) {
            // Keep only what is still unsent, so a later flush does not repeat bytes.
            std::copy(buffer_ + sent, buffer_ + fill_, buffer_);
            fill_ -= sent;
            return false;
        }
        if (n == 0) {  // a channel that accepts nothing would loop for ever
            std::copy(buffer_ + sent, buffer_ + fill_, buffer_);
            fill_ -= sent;
            return false;
        }
        sent += n;
    }
    fill_ = 0;
    return true;
}
