// Byte-stream framework, the bottom layer every other one reads and writes through: raw channels,
// byte sources and byte sinks.
#pragma once

#include <cstddef>
#include <string>

// A raw channel (a socket or a file). Slot order is fixed: destructor, close, read, write.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    // True when closed afterwards without an error (also when already closed).
    virtual bool close() = 0;
    // Bytes placed in buffer; 0 when the other side ended the data; -1 on error or time-out.
    virtual int read(char* buffer, int size) = 0;
    // Bytes written, or -1 on error.
    virtual int write(const char* data, int size) = 0;
};

// Delivers one byte at a time.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The next byte as 0..255, or -1 at the end.
    virtual int next() = 0;
    // After -1: true when the data ended by a read error or a time-out, false at a clean end (the
    // peer closed in order, the file ended). Only a clean end completes data of unknown length.
    virtual bool failed() const { return false; }
};

// Accepts one byte at a time; filters wrap another sink.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool put(int byte) = 0;
    virtual bool flush() = 0;
    // A filter discards its pending state and collected output; plain sinks do nothing.
    virtual bool reset() { return true; }
    // Puts each byte in order, stops at the first refusal; returns the bytes accepted.
    virtual int write(const char* data, int length);
    // Puts CR LF; 2 when both were accepted, else 0.
    virtual int newline();

    int write(const std::string& text) { return write(text.data(), static_cast<int>(text.size())); }
    // Moves bytes from source to this sink until either side stops; returns the bytes put.
    int pump(ByteSource& source);
};

// Collects into a string the caller owns.
class StringSink : public ByteSink {
public:
    explicit StringSink(std::string& target) : target_(target) {}
    bool put(int byte) override;
    bool flush() override { return true; }
    int write(const char* data, int length) override;

private:
    std::string& target_;
};

constexpr int kStreamBufferSize = 1024;

// Reads a channel in blocks of kStreamBufferSize; the channel is not owned.
class BufferedReader final : public ByteSource {
public:
    explicit BufferedReader(ByteStream& stream) : stream_(stream) {}
    // Inline fast path: bodies pass through here one byte at a time.
    int next() override {
        if (position_ < fill_) return static_cast<unsigned char>(buffer_[position_++]);
        return refill();
    }
    bool failed() const override { return failed_; }

    // The buffered bytes that follow, at most max of them, as one span that is consumed at once;
    // refills when the buffer is empty. The span's length, or 0 at the end of the data.
    int takeSpan(const char** data, int max) {
        if (position_ >= fill_) {
            if (refill() < 0) return 0;
            --position_;  // refill() handed out the first byte: take it back into the span
        }
        const int n = fill_ - position_ < max ? fill_ - position_ : max;
        *data = buffer_ + position_;
        position_ += n;
        return n;
    }

private:
    int refill();

    ByteStream& stream_;
    char buffer_[kStreamBufferSize];
    int position_ = 0;
    int fill_ = 0;  // -1 once the end has been seen, for good
    bool failed_ = false;
};

// Text lines over another source; holds no buffer, so bytes after a line stay in the inner source.
class LineReader : public ByteSource {
public:
    explicit LineReader(ByteSource& inner) : inner_(inner) {}
    int next() override { return inner_.next(); }
    bool failed() const override { return inner_.failed(); }
    // Next line without CR bytes and without its LF; a last line without LF counts when not empty.
    bool readLine(std::string& out);

private:
    ByteSource& inner_;
    bool ended_ = false;
};

// Writes a channel in blocks of kStreamBufferSize; the channel is not owned.
class BufferedWriter : public ByteSink {
public:
    explicit BufferedWriter(ByteStream& stream) : stream_(stream) {}
    ~BufferedWriter() override;
    BufferedWriter(const BufferedWriter&) = delete;
    BufferedWriter& operator=(const BufferedWriter&) = delete;

    bool put(int byte) override;
    // Writes the unsent part until all is gone; false on a write error (the buffer keeps its content).
    bool flush() override;

private:
    ByteStream& stream_;
    char buffer_[kStreamBufferSize];
    int fill_ = 0;
};
