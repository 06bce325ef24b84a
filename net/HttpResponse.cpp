// Response head reader.
//
//   HTTP/1.1 200 OK\r\n
//   Content-Length: 42\r\n
//   ETag: "6b1-2a"\r\n
//   \r\n
//
// Header names are kept in lower case; values keep trailing blanks. A line without ":" becomes a
// header with an empty value. A repeated name keeps the later value; a repeated Content-Length
// is remembered, as two lengths leave the body's end unknown.
#include "net/HttpResponse.h"

#include "settings/Numbers.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isHeaderSpace(int b) { return b == ' ' || b == '\t' || b == '\r' || b == 0x0B || b == 0x0C; }

enum class HeadState { LineStart, Name, Gap, Value };

}  // namespace

void HttpResponse::clear() {
    status_ = 0;
    reason_.clear();
    headers_.clear();
    lengthHeaders_ = 0;
}

std::string HttpResponse::header(const std::string& name, const std::string& defaultValue) const {
    const auto it = headers_.find(name);
    return it == headers_.end() ? defaultValue : it->second;
}

int HttpResponse::headerInt(const std::string& name, int defaultValue) const {
    const auto it = headers_.find(name);
    return it == headers_.end() ? defaultValue : parseDecimal(it->second);
}

bool HttpResponse::isChunked() const {
    const std::string value = header("transfer-encoding");
    const size_t comma = value.rfind(',');
    size_t first = comma == std::string::npos ? 0 : comma + 1;
    size_t end = value.size();
    while (first < end && isHeaderSpace(value[first])) ++first;
    while (end > first && isHeaderSpace(value[end - 1])) --end;
    static const char kChunked[] = "chunked";
    if (end - first != sizeof kChunked - 1) return false;
    for (size_t i = 0; i < end - first; ++i) {
        if (lower(value[first + i]) != kChunked[i]) return false;
    }
    return true;
}

int HttpResponse::contentLength() const {
    const auto it = headers_.find("content-length");
    if (it == headers_.end()) return -1;
    if (lengthHeaders_ > 1) return -2;
    const std::string& value = it->second;
    size_t end = value.size();
    while (end > 0 && isHeaderSpace(value[end - 1])) --end;
    if (end == 0) return -2;
    long long length = 0;
    for (size_t i = 0; i < end; ++i) {
        if (!isDigit(value[i])) return -2;
        if (length < 0x7FFFFFFF) length = length * 10 + (value[i] - '0');
    }
    // Past 2 GiB, as the number reader does: no body the client takes is that long anyway.
    return length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length);
}

bool HttpResponse::readHead(ByteSource& source) {
    clear();
    int budget = kMaxResponseHeadBytes;

    // Status line: "HTTP/1.x DDD reason", CR dropped, LF ends it.
    std::string line;
    for (;;) {
        const int b = source.next();
        if (b < 0) {
            if (line.empty()) return false;
            break;
        }
        if (--budget < 0) return false;
        if (b == '\r') continue;
        if (b == '\n') break;
        line.push_back(static_cast<char>(b));
    }
    if (line.size() <= 12 || line.compare(0, 7, "HTTP/1.") != 0 || (line[7] != '0' && line[7] != '1') ||
        line[8] != ' ' || !isDigit(line[9]) || !isDigit(line[10]) || !isDigit(line[11]) || line[12] != ' ') {
        return false;
    }
    status_ = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    reason_ = line.substr(13);

    // Header lines. An LF always ends the line, also while skipping the blanks after ":", so an
    // empty value never swallows the next line (or the body).
    HeadState state = HeadState::LineStart;
    std::string name;
    std::string value;
    // A repeated Content-Length keeps the later value, but counts: two of them leave the length unknown.
    const auto store = [&](const std::string& text) {
        headers_[name] = text;
        if (name == "content-length") ++lengthHeaders_;
        state = HeadState::LineStart;
    };
    for (;;) {
        const int b = source.next();
        if (b < 0) return false;
        if (--budget < 0) return false;
        if (b == '\r') continue;
        switch (state) {
            case HeadState::LineStart:
                if (b == '\n') return true;  // the empty line ends the head
                name.assign(1, lower(static_cast<char>(b)));
                value.clear();
                state = b == ':' ? HeadState::Gap : HeadState::Name;
                if (b == ':') name.clear();
                break;
            case HeadState::Name:
                if (b == '\n') {
                    store(std::string());
                } else if (b == ':') {
                    state = HeadState::Gap;
                } else {
                    name.push_back(lower(static_cast<char>(b)));
                }
                break;
            case HeadState::Gap:
                if (b == '\n') {
                    store(std::string());
                } else if (!isHeaderSpace(b)) {
                    value.assign(1, static_cast<char>(b));
                    state = HeadState::Value;
                }
                break;
            case HeadState::Value:
                if (b == '\n') {
                    store(value);
                } else {
                    value.push_back(static_cast<char>(b));
                }
                break;
        }
    }
}
