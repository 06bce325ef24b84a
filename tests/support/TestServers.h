// Ports of the real servers started for the integration tests (see scripts/test-servers.sh).
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

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
