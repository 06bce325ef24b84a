// Response head reader.
//
//   HTTP/1.1 200 OK\r\n
//   Content-Length: 42\r\n
//   ETag: "6b1-2a"\r\n
//   \r\n
//
// Header names are kept in lower case; values keep trailing blanks. A line without ":" becomes a
// header with an empty value. A repeated name keeps the later value.
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
}

std::string HttpResponse::header(const std::string& name, const std::string& defaultValue) const {
    const auto it = headers_.find(name);
    return it == headers_.end() ? defaultValue : it->second;
}

int HttpResponse::headerInt(const std::string& name, int defaultValue) const {
    const auto it = headers_.find(name);
    return it == headers_.end() ? defaultValue : parseDecimal(it->second);
}

bool HttpResponse::isChunked() const { return header("transfer-encoding") == "chunked"; }

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
                    headers_[name] = std::string();
                    state = HeadState::LineStart;
                } else if (b == ':') {
                    state = HeadState::Gap;
                } else {
                    name.push_back(lower(static_cast<char>(b)));
                }
                break;
            case HeadState::Gap:
                if (b == '\n') {
                    headers_[name] = std::string();
                    state = HeadState::LineStart;
                } else if (!isHeaderSpace(b)) {
                    value.assign(1, static_cast<char>(b));
                    state = HeadState::Value;
                }
                break;
            case HeadState::Value:
                if (b == '\n') {
                    headers_[name] = value;
                    state = HeadState::LineStart;
                } else {
                    value.push_back(static_cast<char>(b));
                }
                break;
        }
    }
}
