// HttpClient::sendRequest over replayed answers: the fuzz bytes are a flag byte (bit 0: a form is
// posted, bit 1: a remote key, never resumed), then the answers the connections get, one after
// another, separated by kSeparator. An answer ending in kResetMark fails its last read (a reset or
// a time-out) instead of ending cleanly; one ending in kSlowMark does the same, and each of its
// reads takes 50 seconds of the client's clock. Whatever they hold, the body never grows past the
// first Content-Length, attempts stay within the bound, every "range" asks for exactly the bytes
// delivered so far, no byte is delivered twice, a form or a key goes out once, no attempt starts
// past the request's deadline, an interim answer never reaches the receiver, and a body of unknown
// length that ended in a reset is never complete.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "net/HttpClient.h"
#include "settings/Numbers.h"

namespace {

const std::string kSeparator = "\n--next--\n";
const std::string kResetMark = "<<reset";
const std::string kSlowMark = "<<slow";
constexpr int64_t kSlowReadMs = 50000;

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// One connection: serves its answer in reads of varying size, keeps what the client writes.
class ReplayConnection : public ByteStream {
public:
    ReplayConnection(std::string answer, std::string& written, char& failed, int64_t& now, int64_t deadline)
        : answer_(std::move(answer)), written_(written), failed_(failed), now_(now), deadline_(deadline) {
        if (endsWith(answer_, kSlowMark)) {
            answer_.resize(answer_.size() - kSlowMark.size());
            slow_ = failsAtEnd_ = true;
        } else if (endsWith(answer_, kResetMark)) {
            answer_.resize(answer_.size() - kResetMark.size());
            failsAtEnd_ = true;
        }
    }
    bool close() override { return true; }
    int read(char* buffer, int size) override {
        if (slow_) now_ += kSlowReadMs;
        // A socket waits no longer than the deadline the client gave it.
        if (now_ >= deadline_ || (position_ >= answer_.size() && failsAtEnd_)) {
            failed_ = 1;  // the client saw a reset or a time-out
            return -1;
        }
        if (position_ >= answer_.size()) return 0;
        size_t n = 1 + (position_ * 13 + answer_.size()) % 211;
        if (n > answer_.size() - position_) n = answer_.size() - position_;
        if (n > static_cast<size_t>(size)) n = static_cast<size_t>(size);
        answer_.copy(buffer, n, position_);
        position_ += n;
        return static_cast<int>(n);
    }
    int write(const char* data, int size) override {
        written_.append(data, static_cast<size_t>(size));
        return size;
    }

private:
    std::string answer_;
    std::string& written_;
    char& failed_;
    int64_t& now_;
    int64_t deadline_;
    bool slow_ = false;
    bool failsAtEnd_ = false;
    size_t position_ = 0;
};

// The standard receiver, watched: the length each attempt announces and the bytes it brought.
class WatchingReceiver : public BodyReceiver {
public:
    explicit WatchingReceiver(std::string& body) : BodyReceiver(body) {}
    bool onHeaders(const HttpResponse& response) override {
        check(response.status() < 100 || response.status() > 199);  // interim answers are dropped
        return BodyReceiver::onHeaders(response);
    }
    bool onLength(int length) override {
        lengths.push_back(length);
        return BodyReceiver::onLength(length);
    }
    std::vector<int> lengths;
};

// The value of the "range" request header in a request head, or "" when it has none.
std::string rangeOf(const std::string& request) {
    const std::string name = "\r\nrange: ";
    const size_t at = request.find(name);
    if (at == std::string::npos) return std::string();
    const size_t end = request.find("\r\n", at + name.size());
    return request.substr(at + name.size(), end - at - name.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool post = (data[0] & 1) != 0;
    const bool key = !post && (data[0] & 2) != 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string> answers;
    for (size_t at = 0;;) {
        const size_t next = input.find(kSeparator, at);
        answers.push_back(input.substr(at, next == std::string::npos ? std::string::npos : next - at));
        if (next == std::string::npos) break;
        at = next + kSeparator.size();
    }

    std::vector<std::string> requests;
    std::vector<size_t> bodyAtConnect;
    std::string body;
    WatchingReceiver receiver(body);
    std::deque<char> failures;  // per connection: a read failed (a deque keeps references valid)
    int64_t now = 0;
    HttpClient client;
    client.host = "rec.example";
    client.setHeader("Connection", "close");
    client.method = post ? "POST" : "GET";
    client.resumeShortBodies = !key;
    client.setClock([&now] { return now; });
    client.setConnector([&](const std::string&, int, int64_t deadline) -> std::unique_ptr<ByteStream> {
        check(requests.size() < static_cast<size_t>(kMaxAttempts));  // attempts stay within the bound
        check(now < deadline);                                        // none starts past the deadline
        requests.emplace_back();
        bodyAtConnect.push_back(body.size());
        const size_t index = requests.size() - 1;
        const std::string answer = index < answers.size() ? answers[index] : std::string();
        failures.push_back(0);
        return std::make_unique<ReplayConnection>(answer, requests.back(), failures.back(), now, deadline);
    });
    const bool complete = client.sendRequest("/program/rsv/entry.htm", post ? "title_name=a" : "", receiver);

    check(complete == receiver.complete());
    if (post || key) check(requests.size() == 1);  // a form or a key is never sent twice
    // Every resumed attempt asks for exactly the bytes delivered before it opened; the first for none.
    for (size_t i = 0; i < requests.size(); ++i) {
        const std::string expected = i == 0 ? std::string() : "bytes=" + formatInt(static_cast<int32_t>(bodyAtConnect[i])) + "-";
        check(rangeOf(requests[i]) == expected);
    }
    // The body never grows past the length the first answer announced: no byte twice, none extra.
    if (!receiver.lengths.empty() && receiver.lengths[0] >= 0) {
        check(body.size() <= static_cast<size_t>(receiver.lengths[0]));
    }
    // Without a length or chunks, only a clean end completes a single answer's body.
    const HttpResponse& last = client.response();
    const int status = last.status();
    if (complete && requests.size() == 1 && failures.back() != 0 && !last.isChunked() && status != 204 &&
        status != 304 && last.headerInt("content-length", -1) < 0) {
        check(false);
    }
    return 0;
}
