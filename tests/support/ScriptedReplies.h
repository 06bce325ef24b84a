// Replies for a ScriptedServer and settings that send the recorder client to it.
#pragma once

#include <string>

#include "settings/ConfigStore.h"
#include "tests/support/ScriptedServer.h"

// A whole HTTP/1.1 response with a Content-Length for the body.
inline std::string httpReply(const std::string& body, int status = 200) {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// Settings whose recorder address is the server's loopback port.
inline ConfigStore configFor(const ScriptedServer& server) {
    ConfigStore config;
    config.setHttpserver("127.0.0.1");
    config.setHttpport(server.port());
    return config;
}
