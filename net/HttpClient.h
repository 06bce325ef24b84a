// HTTP/1.1 client for the recorder's web interface: one connection per attempt, optional proxy,
// Basic credentials, chunked bodies and resumption of short GET bodies with a byte range.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "net/HttpResponse.h"
#include "platform/Clock.h"
#include "platform/SocketStream.h"

class ConfigStore;

// Receives one request's progress; a false answer ends the request without a message.
class HttpReceiver {
public:
    // Before the first attempt, with the address that will be dialled (the proxy's when set).
    virtual bool onConnect(const std::string& host, int port) = 0;
    // After the status line and headers of each attempt.
    virtual bool onHeaders(const HttpResponse& response) = 0;
    // The body length of each attempt, -1 when unknown.
    virtual bool onLength(int length) = 0;
    // Each body byte in order, across all attempts.
    virtual bool onByte(int byte) = 0;
    // Before a resumed attempt; attempts count from 1.
    virtual bool onRetry(int attempt) = 0;
    // One of the three failure messages.
    virtual void onError(const std::string& message) = 0;
    // Once, when the whole body has arrived.
    virtual void onComplete() = 0;

protected:
    ~HttpReceiver() = default;
};

// Upper bounds of the standard receiver: recorder pages are a few KiB.
constexpr int kMaxBodyBytes = 16 * 1024 * 1024;
constexpr int kMaxAttempts = 8;
// Interim (1xx) answers dropped before the final one; one more fails the request.
constexpr int kMaxInterimAnswers = 8;
// One request, all attempts included, ends within this many receive time-outs: 3 minutes with the
// default 60 seconds, and proportionally less where a caller or a test shortens the time-out.
constexpr int kRequestDeadlineTimeouts = 3;

// The standard receiver: collects the body into a string the caller owns. It allows a resumed
// attempt only when the previous one brought at least one new byte, and at most kMaxAttempts in all.
class BodyReceiver : public HttpReceiver {
public:
    explicit BodyReceiver(std::string& body) : body_(body) {}
    bool onConnect(const std::string&, int) override { return true; }
    bool onHeaders(const HttpResponse&) override { return true; }
    bool onLength(int) override { return true; }
    // Inline and final: the client calls it without a virtual dispatch for every body byte.
    bool onByte(int byte) final {
        if (body_.size() >= static_cast<size_t>(kMaxBodyBytes)) return false;
        body_.push_back(static_cast<char>(byte));
        return true;
    }
    // The same as onByte for each byte in turn, in one step: the client's bulk path.
    bool onBytes(const char* data, int count) {
        const size_t room = static_cast<size_t>(kMaxBodyBytes) - body_.size();
        if (static_cast<size_t>(count) > room) {
            body_.append(data, room);
            return false;
        }
        body_.append(data, static_cast<size_t>(count));
        return true;
    }
    bool onRetry(int attempt) override;
    void onError(const std::string& message) override { error_ = message; }
    void onComplete() override { complete_ = true; }

    const std::string& error() const { return error_; }
    bool complete() const { return complete_; }

private:
    std::string& body_;
    size_t sizeAtLastAttempt_ = 0;
    std::string error_;
    bool complete_ = false;
};

// "接続失敗！", "送信失敗！", "受信失敗！"
extern const char* const kConnectFailedText;
extern const char* const kSendFailedText;
extern const char* const kReceiveFailedText;

class HttpClient {
public:
    explicit HttpClient(int timeoutMs = kDefaultSocketTimeoutMs)
        : timeoutMs_(timeoutMs), deadlineMs_(static_cast<int64_t>(timeoutMs) * kRequestDeadlineTimeouts) {}

    // Server, credentials and proxy from the settings; false (nothing changed) when they are not
    // ConfigStore::isHttpConfigured (no recorder address, or a port outside 1-65535).
    bool configureFromSettings(const ConfigStore& config);
    // Sets a request header, replacing an earlier value; headers stay for later requests.
    void setHeader(const std::string& name, const std::string& value);
    // Performs the request; true only when the receiver's onComplete was called. Interim (1xx)
    // answers are skipped. A body of known length that breaks off is asked for again by range only
    // for a page fetch (a GET without body while resumeShortBodies is set), and only the rest of the
    // same page is accepted then. Every other broken body fails with "受信失敗！": a short one, a
    // chunked one without its last chunk or with a bad size line, one of unknown length that
    // ended by a reset or time-out instead of the server's close, one whose Content-Length is not
    // one number, and a part (206) that no range asked for. Past the deadline the request fails
    // like a time-out.
    bool sendRequest(const std::string& path, const std::string& body, HttpReceiver& receiver);
    // The request head as the next attempt would send it.
    std::string requestHead();
    // Replaces the socket each attempt opens (fuzz targets replay recorded answers through it);
    // the connector returns null when the connection cannot be made. The deadline is a reading of
    // the client's clock after which the stream should fail its reads like a time-out.
    using Connector = std::function<std::unique_ptr<ByteStream>(const std::string& host, int port, int64_t deadline)>;
    void setConnector(Connector connector) { connector_ = std::move(connector); }
    // Replaces the monotonic clock (milliseconds) the deadline is measured with.
    using Clock = std::function<int64_t()>;
    void setClock(Clock clock) { clock_ = std::move(clock); }
    // The time one request may take in all, in milliseconds.
    void setDeadline(int64_t deadlineMs) { deadlineMs_ = deadlineMs; }

    const HttpResponse& response() const { return response_; }
    const std::map<std::string, std::string>& requestHeaders() const { return headers_; }

    std::string method;  // empty means GET
    std::string path;
    std::string host;
    int port = 80;
    std::string authorization;
    std::string proxyHost;
    int proxyPort = 8080;
    std::string proxyAuthorization;
    // Page fetches may fetch the rest of a short body by range; commands (a remote key) must not
    // be sent again and clear this.
    bool resumeShortBodies = true;

private:
    std::unique_ptr<ByteStream> openConnection(const std::string& host, int port, int64_t deadline);
    // The first answer head that is not an interim (1xx) answer; false when a head cannot be read
    // or more than kMaxInterimAnswers come.
    bool readFinalHead(ByteSource& reader);

    int timeoutMs_;
    int64_t deadlineMs_;
    Connector connector_;
    Clock clock_ = monotonicMilliseconds;
    std::map<std::string, std::string> headers_;
    HttpResponse response_;
};

// "Basic " + Base64 of user ":" password.
std::string basicCredentials(const std::string& user, const std::string& password);
