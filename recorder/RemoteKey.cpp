// Remote-control key presses: each one is a plain page request, "/remote/remote.htm?key=C0" for ↑.
#include "recorder/RemoteKey.h"

#include <cstdio>

#include "net/HttpClient.h"
#include "settings/ConfigStore.h"

std::string remoteKeyPath(int commandId) {
    // Only the panel's ids: any other value could format more than two digits or a sign.
    if (commandId < kFirstRemoteKeyId || commandId > kLastRemoteKeyId) return std::string();
    char path[40];
    std::snprintf(path, sizeof path, "/remote/remote.htm?key=%02X", static_cast<unsigned>(commandId - kFirstRemoteKeyId));
    return path;
}

RemoteKeyResult sendRemoteKey(const ConfigStore& config, int commandId, int timeoutMs) {
    const std::string path = remoteKeyPath(commandId);
    if (path.empty()) return RemoteKeyResult::InvalidKey;
    HttpClient client(timeoutMs);
    if (!client.configureFromSettings(config)) return RemoteKeyResult::NotConfigured;
    // A key is a command: asked again for "the rest", a recorder that ignores the range would
    // see pause or power pressed twice.
    client.resumeShortBodies = false;
    std::string body;
    BodyReceiver receiver(body);
    client.sendRequest(path, "", receiver);
    return RemoteKeyResult::Sent;
}
