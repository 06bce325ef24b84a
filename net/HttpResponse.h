// The status and headers of one HTTP response, and the reader of a response head.
#pragma once

#include <map>
#include <string>

#include "io/Streams.h"

// Upper bound on one response head; a larger head is treated as a broken answer.
constexpr int kMaxResponseHeadBytes = 64 * 1024;

class HttpResponse {
public:
    void clear();
    int status() const { return status_; }
    const std::string& reason() const { return reason_; }
    const std::map<std::string, std::string>& headers() const { return headers_; }
    // The value of a header (name in lower case), or the default when the header is absent.
    std::string header(const std::string& name, const std::string& defaultValue = std::string()) const;
    // The header read as a decimal number, or the default when absent.
    int headerInt(const std::string& name, int defaultValue) const;

    // Reads the status line and header lines up to the empty line. False when the status line is
    // missing or malformed, the data ends inside the head, or the head exceeds kMaxResponseHeadBytes.
    bool readHead(ByteSource& source);
    // The last coding "transfer-encoding" names is "chunked" (in any letter case, blanks around it
    // ignored): the body is framed by chunks.
    bool isChunked() const;
    // The body length "content-length" gives: -1 when absent, -2 when it is not one decimal number
    // (a sign, a list of values, two such headers), which leaves the end of the body unknown.
    int contentLength() const;

private:
    int status_ = 0;
    std::string reason_;
    std::map<std::string, std::string> headers_;
    int lengthHeaders_ = 0;
};
