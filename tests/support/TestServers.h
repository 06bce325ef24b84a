// Ports of the real servers started for the integration tests (see scripts/test-servers.sh).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "net/HttpClient.h"

// The KEY=VALUE file named by PELORANE_SERVERS_ENV; empty when it is not there.
inline std::map<std::string, std::string> testServerSettings() {
    std::map<std::string, std::string> values;
    const char* path = std::getenv("PELORANE_SERVERS_ENV");
    if (path == nullptr) return values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        values[line.substr(0, eq)] = value;
    }
    return values;
}

// The port stored under key, or 0 when the servers are not running.
inline int testServerPort(const std::string& key) {
    static const std::map<std::string, std::string> values = testServerSettings();
    const auto it = values.find(key);
    return it == values.end() ? 0 : std::atoi(it->second.c_str());
}

// A request to a simulator's /_sim/ control (POST when body is given); its answer. A failed exchange
// or a status other than 200 fails the calling test, so that a check for "no request" can never
// pass on a query that did not happen.
inline std::string simulatorControl(int port, const std::string& path, const std::string& body = "",
                                    bool* answered = nullptr) {
    HttpClient client(10000);
    client.host = "127.0.0.1";
    client.port = port;
    client.setHeader("Connection", "close");
    if (!body.empty()) client.method = "POST";
    std::string answer;
    BodyReceiver receiver(answer);
    const bool ok = client.sendRequest(path, body, receiver) && client.response().status() == 200;
    if (answered != nullptr) *answered = ok;
    if (!ok) {
        ADD_FAILURE() << "simulator control " << path << " on port " << port << " failed (status "
                      << client.response().status() << ")";
        return std::string();
    }
    return answer;
}

// The strings of a JSON array member of a simulator answer; fails the calling test when the member
// is missing, so that an empty list is only ever read from an answer that holds the list.
inline std::vector<std::string> jsonStrings(const std::string& json, const std::string& member) {
    std::vector<std::string> values;
    const size_t at = json.find("\"" + member + "\"");
    const size_t open = at == std::string::npos ? at : json.find('[', at);
    const size_t close = open == std::string::npos ? open : json.find(']', open);
    if (close == std::string::npos) {
        ADD_FAILURE() << "no list \"" << member << "\" in " << json.substr(0, 200);
        return values;
    }
    for (size_t q = json.find('"', open); q < close; q = json.find('"', q + 1)) {
        const size_t end = json.find('"', q + 1);
        values.push_back(json.substr(q + 1, end - q - 1));
        q = end;
    }
    return values;
}
