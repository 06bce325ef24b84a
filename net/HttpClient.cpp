// HTTP/1.1 requests over one connection per attempt (RFC 9110, 9112), with resumption by Range.
#include "net/HttpClient.h"

#include "net/Base64.h"
#include "net/ChunkedSource.h"
#include "platform/Clock.h"
#include "settings/ConfigStore.h"
#include "settings/Numbers.h"

const char* const kConnectFailedText = "\x90\xda\x91\xb1\x8e\xb8\x94\x73\x81\x49";  // 接続失敗！
const char* const kSendFailedText = "\x91\x97\x90\x4d\x8e\xb8\x94\x73\x81\x49";     // 送信失敗！
const char* const kReceiveFailedText = "\x8e\xf3\x90\x4d\x8e\xb8\x94\x73\x81\x49";  // 受信失敗！

bool BodyReceiver::onRetry(int attempt) {
    // A server that keeps breaking off without progress must not keep the job busy for ever.
    if (attempt >= kMaxAttempts || body_.size() <= sizeAtLastAttempt_) return false;
    sizeAtLastAttempt_ = body_.size();
    return true;
}

std::string basicCredentials(const std::string& user, const std::string& password) {
    return "Basic " + base64Encode(user + ":" + password);
}

bool HttpClient::configureFromSettings(const ConfigStore& config) {
    if (!config.isHttpConfigured()) return false;
    const std::string server = config.getHttpserver();
    setHeader("Connection", "close");
    host = server;
    port = config.getHttpport();
    const std::string user = config.getHttpuser();
    const std::string pass = config.getHttppass();
    if (!user.empty() || !pass.empty()) authorization = basicCredentials(user, pass);
    const std::string proxy = config.getProxyserver();
    if (!proxy.empty()) {
        proxyHost = proxy;
        proxyPort = config.getProxyport();
        const std::string proxyUser = config.getProxyuser();
        const std::string proxyPass = config.getProxypass();
        if (!proxyUser.empty() || !proxyPass.empty()) proxyAuthorization = basicCredentials(proxyUser, proxyPass);
    }
    return true;
}

void HttpClient::setHeader(const std::string& name, const std::string& value) { headers_[name] = value; }

std::string HttpClient::requestHead() {
    std::string head = method.empty() ? std::string("GET") : method;
    head += ' ';
    const bool viaProxy = !proxyHost.empty();
    if (viaProxy) {
        head += "http://" + host;
        if (port != 80) head += ":" + formatInt(port);
        if (!path.empty() && path[0] != '/') head += '/';
    }
    head += path + " HTTP/1.1\r\n";
    setHeader("host", host);
    if (!authorization.empty()) setHeader("authorization", authorization);
    if (viaProxy && !proxyAuthorization.empty()) setHeader("proxy-authorization", proxyAuthorization);
    for (const auto& h : headers_) head += h.first + ": " + h.second + "\r\n";
    head += "\r\n";
    return head;
}

namespace {

// "bytes N-M/T" of a 206 answer: false unless the value has exactly that form.
bool parseContentRange(const std::string& value, long long& first, long long& last, long long& total) {
    size_t at = 0;
    const auto number = [&](long long& out) {
        const size_t begin = at;
        out = 0;
        while (at < value.size() && value[at] >= '0' && value[at] <= '9' && at - begin < 12) {
            out = out * 10 + (value[at] - '0');
            ++at;
        }
        return at > begin && (at == value.size() || value[at] < '0' || value[at] > '9');
    };
    const auto literal = [&](char c) { return at < value.size() && value[at++] == c; };
    if (value.compare(0, 6, "bytes ") != 0) return false;
    at = 6;
    return number(first) && literal('-') && number(last) && literal('/') && number(total) && at == value.size();
}

// A header value holding control bytes would break the request head it is copied into.
bool hasControlBytes(const std::string& value) {
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    }
    return false;
}

// Passes body bytes to the receiver until the length is reached or the source ends; false when
// the receiver refuses a byte. A template so that the plain reader's next() is inlined.
template <typename Source, typename Receiver>
bool deliverBody(Source& source, int length, Receiver& receiver, long long& delivered) {
    while (length < 0 || delivered < length) {
        const int b = source.next();
        if (b < 0) break;
        if (!receiver.onByte(b)) return false;
        ++delivered;
    }
    return true;
}

// The common case (plain body into the standard receiver) a buffer's worth at a time; the
// receiver sees exactly what byte-wise delivery would give it.
bool deliverBody(BufferedReader& source, int length, BodyReceiver& receiver, long long& delivered) {
    while (length < 0 || delivered < length) {
        const long long left = length < 0 ? kStreamBufferSize : length - delivered;
        const char* data = nullptr;
        const int n = source.takeSpan(&data, left < kStreamBufferSize ? static_cast<int>(left) : kStreamBufferSize);
        if (n <= 0) break;
        if (!receiver.onBytes(data, n)) return false;
        delivered += n;
    }
    return true;
}

}  // namespace

std::unique_ptr<ByteStream> HttpClient::openConnection(const std::string& dialHost, int dialPort, int64_t deadline) {
    if (connector_) return connector_(dialHost, dialPort, deadline);
    auto socket = std::make_unique<SocketStream>(timeoutMs_);
    socket->setDeadline(deadline);
    if (!socket->open(dialHost, dialPort)) return nullptr;
    return socket;
}

bool HttpClient::readFinalHead(ByteSource& reader) {
    // Interim answers (100 Continue and the like) come before the real one and are dropped.
    for (int interim = 0; interim <= kMaxInterimAnswers; ++interim) {
        if (!response_.readHead(reader)) return false;
        if (response_.status() < 100 || response_.status() > 199) return true;
    }
    return false;
}

bool HttpClient::sendRequest(const std::string& requestPath, const std::string& body, HttpReceiver& receiver) {
    const bool viaProxy = !proxyHost.empty();
    const std::string& dialHost = viaProxy ? proxyHost : host;
    const int dialPort = viaProxy ? proxyPort : port;
    if (!receiver.onConnect(dialHost, dialPort)) return false;
    path = requestPath;
    if (!body.empty()) setHeader("Content-Length", formatInt(static_cast<int32_t>(body.size())));
    // Only a page fetch may be repeated to get the rest: a form or a remote key sent again would
    // book twice or toggle the recorder back.
    const bool resumable = resumeShortBodies && body.empty() && (method.empty() || method == "GET");
    // However slowly the server sends, the request as a whole ends.
    const int64_t deadline = clock_() + deadlineMs_;

    long long deliveredInAll = 0;
    long long firstLength = -1;  // only a body of known length is ever resumed
    std::string firstEtag;
    for (int attempt = 0;; ++attempt) {
        if (attempt > 0 && clock_() >= deadline) {
            receiver.onError(kReceiveFailedText);
            return false;
        }
        const std::unique_ptr<ByteStream> connection = openConnection(dialHost, dialPort, deadline);
        if (!connection) {
            receiver.onError(kConnectFailedText);
            return false;
        }
        ByteStream& socket = *connection;
        const std::string head = requestHead();
        if (socket.write(head.data(), static_cast<int>(head.size())) != static_cast<int>(head.size()) ||
            (!body.empty() && socket.write(body.data(), static_cast<int>(body.size())) != static_cast<int>(body.size()))) {
            receiver.onError(kSendFailedText);
            return false;
        }
        BufferedReader reader(socket);
        if (!readFinalHead(reader)) {
            receiver.onError(kReceiveFailedText);
            return false;
        }
        if (!receiver.onHeaders(response_)) return false;
        // A resumed attempt must continue the same page exactly where it broke off: a server that
        // sends the whole body again (200), another part, or a part of a changed page would
        // corrupt it.
        if (attempt == 0) {
            // A part sent unasked is not the whole page, however complete it looks.
            if (response_.status() == 206) {
                receiver.onError(kReceiveFailedText);
                return false;
            }
            firstEtag = response_.header("etag");
        } else {
            long long first = 0;
            long long last = 0;
            long long total = 0;
            const auto etag = response_.headers().find("etag");
            const bool samePage = firstEtag.empty() || (etag != response_.headers().end() && etag->second == firstEtag);
            if (response_.status() != 206 || !parseContentRange(response_.header("content-range"), first, last, total) ||
                first != deliveredInAll || total != firstLength || last != total - 1 || !samePage) {
                receiver.onError(kReceiveFailedText);
                return false;
            }
        }
        const bool bodyless = response_.status() == 204 || response_.status() == 304;
        const bool chunked = response_.isChunked() && !bodyless;
        int length = bodyless ? 0 : response_.contentLength();
        // A length that is no number leaves no end to trust: neither it nor the close is the end.
        if (length == -2 && !chunked) {
            receiver.onError(kReceiveFailedText);
            return false;
        }
        // A chunked body ends with its last chunk; a Content-Length beside the coding is not its
        // length (RFC 9112 6.3) and must not cut it short or ask for more.
        if (length < 0 || (attempt == 0 && chunked)) length = -1;
        if (attempt == 0) {
            firstLength = length;
        } else {
            // A resumed part brings exactly the rest of the first answer's length: more would grow
            // the page past it, a different announced length is not the rest of that page.
            const long long rest = firstLength - deliveredInAll;
            if (length >= 0 && length != rest) {
                receiver.onError(kReceiveFailedText);
                return false;
            }
            length = static_cast<int>(rest);
        }
        if (!receiver.onLength(length)) return false;

        long long delivered = 0;
        bool accepted;
        bool brokenOff = false;
        BodyReceiver* collector = dynamic_cast<BodyReceiver*>(&receiver);
        if (chunked) {
            ChunkedSource source(reader);
            accepted = deliverBody(source, length, receiver, delivered);
            // Without its last chunk a chunked body was cut, whatever the method.
            brokenOff = !source.complete() && (length < 0 || delivered < length);
        } else if (collector != nullptr) {
            accepted = deliverBody(reader, length, *collector, delivered);
        } else {
            accepted = deliverBody(reader, length, receiver, delivered);
        }
        if (!accepted) return false;
        // Without a length only the peer's orderly close ends the body; a reset or a time-out
        // has cut it somewhere unknown.
        if (length < 0 && !chunked) brokenOff = reader.failed();
        deliveredInAll += delivered;
        if (!brokenOff && (length < 0 || delivered == length)) {
            receiver.onComplete();
            return true;
        }
        if (brokenOff || !resumable) {
            receiver.onError(kReceiveFailedText);
            return false;
        }
        if (!receiver.onRetry(attempt + 1)) return false;
        setHeader("range", "bytes=" + formatInt(static_cast<int32_t>(deliveredInAll)) + "-");
        const std::string etag = response_.header("etag");
        setHeader("etag", hasControlBytes(etag) ? std::string() : etag);
    }
}
