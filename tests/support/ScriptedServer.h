// A loopback server for tests: answers each connection with the next scripted reply and records
// what the client sent. Runs on its own thread until destroyed.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "platform/ListenSocket.h"

// One scripted answer and how its connection ends.
struct ScriptedReply {
    enum class End { Close, Reset, Silence };
    ScriptedReply(std::string data, End end = End::Close, int dripMs = 0) : data(std::move(data)), end(end), dripMs(dripMs) {}
    ScriptedReply(const char* data) : data(data) {}
    std::string data;
    End end = End::Close;  // orderly close, a reset, or holding the connection until the client leaves
    int dripMs = 0;        // > 0: one byte at a time with this pause between
};

class ScriptedServer {
public:
    // Each reply is sent after the request head (and a Content-Length body) has arrived, then the
    // connection ends as the reply says.
    explicit ScriptedServer(std::vector<ScriptedReply> replies) : replies_(std::move(replies)) {
        listening_ = socket_.listen();
        thread_ = std::thread([this] { serve(); });
    }
    // Plain replies, each closed in order. A template, so that a braced list still picks the
    // constructor above.
    template <typename Text, typename = std::enable_if_t<std::is_same<Text, std::string>::value>>
    explicit ScriptedServer(const std::vector<Text>& replies)
        : ScriptedServer(std::vector<ScriptedReply>(replies.begin(), replies.end())) {}
    ~ScriptedServer() {
        stop_ = true;
        thread_.join();
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    bool listening() const { return listening_; }
    int port() const { return socket_.port(); }
    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void serve() {
        size_t next = 0;
        while (!stop_) {
            auto conn = socket_.accept(50, 60000);
            if (!conn) continue;
            const std::string request = readRequest(*conn);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            if (next >= replies_.size()) {
                conn->close();
                continue;
            }
            const ScriptedReply& reply = replies_[next++];
            if (reply.dripMs > 0) {
                for (size_t i = 0; i < reply.data.size() && !stop_; ++i) {
                    if (conn->write(reply.data.data() + i, 1) != 1) break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(reply.dripMs));
                }
            } else {
                conn->write(reply.data.data(), static_cast<int>(reply.data.size()));
            }
            if (reply.end == ScriptedReply::End::Reset) {
                conn->reset();
                continue;
            }
            if (reply.end == ScriptedReply::End::Silence) {
                char sink[256];
                while (!stop_ && conn->read(sink, sizeof sink) > 0) {
                }
            }
            conn->close();
        }
    }

    static std::string readRequest(ByteStream& conn) {
        std::string data;
        char buffer[1024];
        size_t headEnd = std::string::npos;
        size_t want = 0;
        for (;;) {
            if (headEnd != std::string::npos && data.size() >= headEnd + 4 + want) break;
            const int n = conn.read(buffer, sizeof buffer);
            if (n <= 0) break;
            data.append(buffer, static_cast<size_t>(n));
            if (headEnd == std::string::npos) {
                headEnd = data.find("\r\n\r\n");
                if (headEnd != std::string::npos) {
                    const size_t at = data.find("Content-Length: ");
                    if (at != std::string::npos && at < headEnd) want = std::stoul(data.substr(at + 16));
                }
            }
        }
        return data;
    }

    ListenSocket socket_;
    bool listening_ = false;
    std::vector<ScriptedReply> replies_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
};
