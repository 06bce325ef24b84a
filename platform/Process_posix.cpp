// Module path from /proc and a command line rebuilt from the process's arguments.
#include "platform/Process.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <vector>

std::string modulePath() {
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return std::string();
    return std::string(buffer.data(), static_cast<size_t>(n));
}

std::string commandLineText() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Arguments are NUL-separated; skip the program's own name, quote those holding spaces or quotes.
    std::string line;
    size_t start = raw.find('\0');
    if (start == std::string::npos) return line;
    ++start;
    while (start < raw.size()) {
        size_t end = raw.find('\0', start);
        if (end == std::string::npos) end = raw.size();
        const std::string arg = raw.substr(start, end - start);
        if (!line.empty()) line.push_back(' ');
        if (arg.empty() || arg.find_first_of(" \"") != std::string::npos) {
            line.push_back('"');
            for (char c : arg) {
                if (c == '"') line.push_back('"');
                line.push_back(c);
            }
            line.push_back('"');
        } else {
            line += arg;
        }
        start = end + 1;
    }
    return line;
}
