// A loopback mail server for tests: greets, answers each command line with the next scripted
// reply, records what the client sent and whether the client ended each connection.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ListenSocket.h"

class ScriptedMailServer {
public:
    // A reply of kHangUp makes the server close the connection instead of answering.
    static constexpr const char* kHangUp = "\x01hang-up";
    // A greeting or reply of kCrFlood sends up to kCrFloodBytes CR bytes with no LF, then nothing
    // more: a client that waits for the end of that line stalls until its receive time-out.
    static constexpr const char* kCrFlood = "\x01cr-flood";
    static constexpr size_t kCrFloodBytes = size_t{16} << 20;

    // Every connection gets the greeting (nothing when empty), then replies[i] as the answer to its
    // i-th command line. After a reply starting with "354" the lines up to the "." line are message
    // lines; the next reply answers that "." line. Replies are sent as given (CR LF included).
    // Once the replies run out the server keeps reading, answering nothing.
    ScriptedMailServer(std::string greeting, std::vector<std::string> replies)
        : greeting_(std::move(greeting)), replies_(std::move(replies)) {
        listening_ = socket_.listen();
        thread_ = std::thread([this] { serve(); });
    }
    ~ScriptedMailServer() {
        stop_ = true;
        thread_.join();
    }
    ScriptedMailServer(const ScriptedMailServer&) = delete;
    ScriptedMailServer& operator=(const ScriptedMailServer&) = delete;

    bool listening() const { return listening_; }
    int port() const { return socket_.port(); }
    int connections() const { return connections_.load(); }

    // Every byte received, all connections in order.
    std::string received() {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    // The received bytes split at LF, CR bytes before the LF removed; a last partial line included.
    std::vector<std::string> lines() {
        const std::string data = received();
        std::vector<std::string> out;
        size_t start = 0;
        while (start < data.size()) {
            size_t end = data.find('\n', start);
            if (end == std::string::npos) end = data.size();
            std::string line = data.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            out.push_back(line);
            start = end + 1;
        }
        return out;
    }
    // Waits at most timeoutMs until at least count connections have been accepted.
    bool waitForConnections(int count, int timeoutMs = 3000) {
        return waitUntil(timeoutMs, [&] { return connections_ >= count; });
    }
    // Waits at most timeoutMs until count connections have been accepted and the client has ended
    // every one of them (closed or reset it). A connection the server hung up on never counts.
    bool closedByClient(int count, int timeoutMs = 3000) {
        return waitUntil(timeoutMs, [&] { return !busy_ && connections_ == count && closedByClient_ == count; });
    }

private:
    static constexpr int kPollMs = 100;
    // A failed read that returns well before the poll time-out is an error (a reset), not a wait.
    static constexpr int kErrorWithinMs = kPollMs / 2;

    void serve() {
        while (!stop_) {
            std::unique_ptr<AcceptedStream> conn = socket_.accept(20, kPollMs);
            if (!conn) continue;
            busy_ = true;
            ++connections_;
            if (serveConnection(*conn)) ++closedByClient_;
            conn->close();
            busy_ = false;
        }
    }

    // True when the client ended the connection.
    bool serveConnection(ByteStream& conn) {
        if (!greeting_.empty() && !send(conn, greeting_)) return false;
        size_t next = 0;
        bool inData = false;
        std::string pending;
        char buffer[1024];
        while (!stop_) {
            const auto started = std::chrono::steady_clock::now();
            const int n = conn.read(buffer, sizeof buffer);
            if (n == 0) return true;
            if (n < 0) {
                const auto waited = std::chrono::steady_clock::now() - started;
                if (waited < std::chrono::milliseconds(kErrorWithinMs)) return true;
                continue;
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                received_.append(buffer, static_cast<size_t>(n));
            }
            pending.append(buffer, static_cast<size_t>(n));
            size_t lf;
            while ((lf = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, lf);
                pending.erase(0, lf + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (inData && line != ".") continue;
                inData = false;
                if (next >= replies_.size()) continue;
                const std::string& reply = replies_[next++];
                if (!send(conn, reply)) return false;
                if (reply.compare(0, 3, "354") == 0) inData = true;
            }
        }
        return false;
    }

    template <typename Condition>
    static bool waitUntil(int timeoutMs, Condition done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (done()) return true;
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    static bool send(ByteStream& conn, const std::string& reply) {
        if (reply == kHangUp) return false;
        if (reply == kCrFlood) {
            const std::string crs(64 * 1024, '\r');
            // A write that fails (the client stopped reading or left) ends the flood, not the
            // connection: the client must end the read itself.
            for (size_t sent = 0; sent < kCrFloodBytes && send(conn, crs); sent += crs.size()) {
            }
            return true;
        }
        return conn.write(reply.data(), static_cast<int>(reply.size())) == static_cast<int>(reply.size());
    }

    ListenSocket socket_;
    bool listening_ = false;
    std::string greeting_;
    std::vector<std::string> replies_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> busy_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> closedByClient_{0};
    std::thread thread_;
    std::mutex mutex_;
    std::string received_;
};
