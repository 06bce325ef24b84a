// A loopback server for tests: answers each connection with the next scripted reply and records
// what the client sent. Runs on its own thread until destroyed.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ListenSocket.h"

class ScriptedServer {
public:
    // Each reply is sent whole after the request head (and a Content-Length body) has arrived,
    // then the connection is closed. A reply of kSilent sends nothing and closes.
    explicit ScriptedServer(std::vector<std::string> replies) : replies_(std::move(replies)) {
        listening_ = socket_.listen();
        thread_ = std::thread([this] { serve(); });
    }
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
            if (next < replies_.size()) {
                const std::string& reply = replies_[next++];
                conn->write(reply.data(), static_cast<int>(reply.size()));
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
    std::vector<std::string> replies_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
};
