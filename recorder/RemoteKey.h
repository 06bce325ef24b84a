// One key press of the recorder's network remote control.
#pragma once

#include <string>

#include "platform/SocketStream.h"

class ConfigStore;

// Command ids of the remote-control panel; the key code is the id minus kFirstRemoteKeyId.
constexpr int kFirstRemoteKeyId = 10000;
constexpr int kLastRemoteKeyId = 10218;

enum class RemoteKeyResult {
    Sent,           // the request was made; its outcome is not examined (the recorder answers nothing useful)
    NotConfigured,  // no recorder address or a port outside 1-65535: the caller should open the HTTP settings
    InvalidKey,     // the id is not a key of the panel; nothing was sent
};

// "/remote/remote.htm?key=XX" with two upper-case hex digits, or "" for an id outside the panel's range.
std::string remoteKeyPath(int commandId);
// GETs the key's page from the configured recorder and discards the answer.
RemoteKeyResult sendRemoteKey(const ConfigStore& config, int commandId, int timeoutMs = kDefaultSocketTimeoutMs);
