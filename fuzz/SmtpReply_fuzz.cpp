// The SMTP client fed from memory: the fuzz bytes are the server's side of a whole dialogue
// (greeting, EHLO answer, AUTH prompts, MAIL/RCPT/DATA replies), and also a body line whose
// composed message must stay one message of 7-bit CR LF lines however hostile the text. A second
// pass reads them as a greeting and the EHLO answer that must offer STARTTLS.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/SmtpClient.h"

namespace {

// Serves the fuzz bytes in reads of varying size; accepts and counts every write.
class ReplayStream : public ByteStream {
public:
    ReplayStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool close() override { return true; }
    int read(char* buffer, int size) override {
        if (position_ >= size_) return 0;
        size_t n = 1 + (position_ * 7 + size_) % 97;  // uneven cuts across line ends
        if (n > size_ - position_) n = size_ - position_;
        if (n > static_cast<size_t>(size)) n = static_cast<size_t>(size);
        for (size_t i = 0; i < n; ++i) buffer[i] = static_cast<char>(data_[position_ + i]);
        position_ += n;
        return static_cast<int>(n);
    }
    // Inside sendMail, each write must follow the reply its step needs: a command after "250",
    // the message after "354"; a failed step is followed by nothing.
    int write(const char* data, int size) override {
        if (client != nullptr && mailWrites >= 0) {
            const std::string text(data, static_cast<size_t>(size));
            if (mailWrites > 0) {
                const std::vector<std::string>& reply = client->replyLines();
                const std::string need = text.compare(0, 5, "RCPT ") == 0 || text.compare(0, 4, "DATA") == 0 ? "250 " : "354 ";
                if (reply.empty() || reply.back().compare(0, 4, need) != 0) __builtin_trap();
            }
            if (text.compare(0, 5, "MAIL ") != 0 && mailWrites == 0) __builtin_trap();
            ++mailWrites;
        }
        return size;
    }

    const SmtpClient* client = nullptr;
    int mailWrites = -1;  // writes made by sendMail so far; -1 outside it

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

void checkReply(const SmtpClient& client, int code) {
    if (code < -1 || code > 999) __builtin_trap();
    if (client.replyLines().size() > kMaxReplyLines) __builtin_trap();
    for (const std::string& line : client.replyLines()) {
        if (line.size() > kMaxReplyLineLength) __builtin_trap();
        if (line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    }
}

// The message must be 7-bit CR LF lines, no line but the last one a lone ".".
void checkMessage(const std::string& message) {
    const std::string end = "\r\n.\r\n";
    if (message.size() < end.size() || message.compare(message.size() - end.size(), end.size(), end) != 0) {
        __builtin_trap();
    }
    if (message.find(end) != message.size() - end.size()) __builtin_trap();
    for (size_t i = 0; i < message.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(message[i]);
        if (c >= 0x80) __builtin_trap();
        if (c == '\r' && (i + 1 >= message.size() || message[i + 1] != '\n')) __builtin_trap();
        if (c == '\n' && (i == 0 || message[i - 1] != '\r')) __builtin_trap();
    }
}

// STARTTLS counts only as the keyword of an extension line, never on the line naming the server.
void checkStartTlsOffer(const uint8_t* data, size_t size) {
    ReplayStream stream(data, size);
    SmtpClient client(stream);
    client.readReply();
    if (!client.helloBeforeTls("localhost")) return;
    const std::vector<std::string>& lines = client.replyLines();
    if (lines.size() < 2 || lines.back().compare(0, 4, "250 ") != 0) __builtin_trap();
    bool keyword = false;
    for (size_t i = 1; i < lines.size() && !keyword; ++i) {
        std::string word = lines[i].substr(4, 9);
        for (char& c : word) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        keyword = word == "STARTTLS" || word == "STARTTLS ";
    }
    if (!keyword) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    checkMessage(composeMailMessage("a@x", "b@x", {"open", bytes}));

    ReplayStream stream(data, size);
    SmtpClient client(stream);
    for (int i = 0; i < 3; ++i) checkReply(client, client.readReply());
    const AuthMechanism mechanism = client.hello("localhost");
    if (static_cast<int>(mechanism) < 0 || static_cast<int>(mechanism) > 4) __builtin_trap();
    checkReply(client, -1);
    client.authenticate("user", "password");
    stream.client = &client;
    stream.mailWrites = 0;
    const bool sent = client.sendMail("a@x", "b@x", {"open", "title"});
    // MAIL, RCPT to, RCPT from, DATA and the message: all five only when the mail went out.
    if (sent && stream.mailWrites != 5) __builtin_trap();
    stream.mailWrites = -1;
    client.quit();
    checkReply(client, -1);
    checkStartTlsOffer(data, size);
    return 0;
}
