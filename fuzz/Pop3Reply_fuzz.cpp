// The POP3 client fed from memory: the fuzz bytes are the server's greeting and replies to a
// USER/PASS and an APOP login; reply lines stay bounded and "+OK" decides positivity.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/Pop3Client.h"

namespace {

// Serves the fuzz bytes in reads of varying size; records what the client writes.
class ReplayStream : public ByteStream {
public:
    ReplayStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool close() override { return true; }
    int read(char* buffer, int size) override {
        if (position_ >= size_) return 0;
        size_t n = 1 + (position_ * 5 + size_) % 61;
        if (n > size_ - position_) n = size_ - position_;
        if (n > static_cast<size_t>(size)) n = static_cast<size_t>(size);
        for (size_t i = 0; i < n; ++i) buffer[i] = static_cast<char>(data_[position_ + i]);
        position_ += n;
        return static_cast<int>(n);
    }
    int write(const char* data, int size) override {
        written.append(data, static_cast<size_t>(size));
        return size;
    }
    std::string written;

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

void check(const Pop3Client& client, bool positive) {
    const std::string& line = client.lastReply();
    if (line.size() > kMaxReplyLineLength) __builtin_trap();
    if (line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    if (positive != (line.compare(0, 3, "+OK") == 0)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReplayStream stream(data, size);
    Pop3Client client(stream);
    check(client, client.readReply());
    const bool hasTimestamp = client.greeting().find('<') != std::string::npos;
    const size_t before = stream.written.size();
    if (client.apop("user", "password") != hasTimestamp) __builtin_trap();
    // APOP goes out as one line: name, the 32-digit digest, CR LF.
    if (hasTimestamp && stream.written.size() - before != 5 + 5 + 32 + 2) __builtin_trap();
    check(client, client.readReply());
    client.user("user");
    check(client, client.readReply());
    client.pass("password");
    check(client, client.readReply());
    client.quit();
    check(client, client.readReply());
    return 0;
}
