// Installation, servers, simulator controls and registry helpers of the dialog tests.
#include "Support.h"

#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>

#ifndef PELORANE_EXE_PATH
#define PELORANE_EXE_PATH ""
#endif

namespace ui {

const wchar_t* const kMainCaption = L"Pelorane";

std::wstring builtProgram() {
    const char* overridden = std::getenv("PELORANE_EXE");
    return windowsPath(overridden != nullptr && *overridden != '\0' ? overridden : PELORANE_EXE_PATH);
}

std::wstring helperProgram(const std::wstring& fileName) { return testDirectory() + fileName; }

const std::vector<ChannelLine>& standardChannels() {
    static const std::vector<ChannelLine> channels = {
        {1, "CH1", "001", "TT01", "東都総合テレビ"},
        {3, "CH3", "003", "TT03", "東都教育テレビ"},
        {4, "CH4", "004", "MN04", "みなと放送"},
        {5, "CH5", "", "", ""},
        {101, "BS1", "101", "BS01", "衛星第一放送"},
    };
    return channels;
}

std::string iepgBytes(const Iepg& p) {
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "year: %04d\r\nmonth: %02d\r\ndate: %02d\r\n", p.year, p.month, p.day);
    std::string text;
    if (p.serviceCode.empty()) {
        text = "Content-type: application/x-tv-program-info; charset=Shift_JIS\r\nversion: 1\r\n";
        text += "station: " + p.station + "\r\n";
    } else {
        text = "Content-type: application/x-tv-program-digital-info; charset=shift_jis\r\nversion: 2\r\n";
        text += "station: " + p.serviceCode + "\r\nstation-name: " + p.station + "\r\n";
    }
    text += numbers;
    text += "start: " + p.start + "\r\n";
    text += "end: " + p.end + "\r\n";
    text += "program-title: " + p.title + "\r\n";
    if (!p.subtitle.empty()) text += "program-subtitle: " + p.subtitle + "\r\n";
    text += "\r\n";
    text += p.detail;
    return sjis(text);
}

// ---------------------------------------------------------------------------------------------

std::wstring installationsFolder() {
    wchar_t local[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();  // the temporary folder, then
    const std::wstring folder = std::wstring(local) + L"\\PeloraneTests\\";
    CreateDirectoryW(folder.c_str(), nullptr);  // there already after the first test
    return folder;
}

Installation::Installation(const std::wstring& folderPrefix, const std::wstring& base)
    : folder_(folderPrefix, base) {
    ready_ = !folder_.path().empty() && CopyFileW(builtProgram().c_str(), exe().c_str(), FALSE) != FALSE;
}

bool Installation::writeSettings(const Settings& settings) {
    std::string text = "[config]\r\n";
    for (const auto& [key, value] : settings) text += key + "=" + value + "\r\n";
    return writeFile(settingsPath(), sjis(text));
}

bool Installation::writeChannels(const std::vector<ChannelLine>& channels) {
    std::string text = "[table]\r\n";
    for (const ChannelLine& c : channels) {
        if (c.name.empty() && c.mailCode.empty()) continue;
        text += c.label + "=" + c.mailCode + "," + c.stationCode + "," + c.name + "\r\n";
    }
    text += "[channel]\r\n";
    for (const ChannelLine& c : channels) text += std::to_string(c.code) + "=" + c.label + "\r\n";
    return writeFile(channelsPath(), sjis(text));
}

Settings Installation::readSettings() const {
    const auto sections = parseIni(readFile(settingsPath()));
    const auto it = sections.find("config");
    return it == sections.end() ? Settings() : it->second;
}

std::vector<std::string> Installation::readChannelTable() const {
    std::vector<std::string> lines;
    const std::string text = toUtf8(fromSjis(readFile(channelsPath())));
    bool inTable = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            inTable = line == "[table]";
            continue;
        }
        if (inTable && !line.empty()) lines.push_back(line);
    }
    return lines;
}

std::wstring Installation::writeIepg(const std::wstring& name, const Iepg& programme) {
    const std::wstring path = file(name);
    writeFile(path, iepgBytes(programme));
    return path;
}

bool Installation::start(const std::wstring& arguments) {
    if (!ready_) return false;
    // A start right after the copy can fail for a moment on a busy machine; try a few times.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (process_.start(exe(), arguments, folder())) return true;
        lastStartError_ = GetLastError();
        Sleep(200);
    }
    return false;
}

std::map<std::string, Settings> parseIni(const std::string& bytes) {
    std::map<std::string, Settings> sections;
    std::string section;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            section = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        sections[section][toUtf8(fromSjis(line.substr(0, eq)))] = toUtf8(fromSjis(line.substr(eq + 1)));
    }
    return sections;
}

// ---------------------------------------------------------------------------------------------

const std::map<std::string, std::string>& serverSettings() {
    static const std::map<std::string, std::string> values = [] {
        std::map<std::string, std::string> result;
        const char* path = std::getenv("PELORANE_SERVERS_ENV");
        if (path == nullptr || *path == '\0') return result;
        const std::string text = readFile(windowsPath(path));
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            start = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            std::string value = line.substr(eq + 1);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
            result[line.substr(0, eq)] = value;
        }
        return result;
    }();
    return values;
}

std::string serverValue(const std::string& key) {
    const auto it = serverSettings().find(key);
    return it == serverSettings().end() ? std::string() : it->second;
}

int serverPort(const std::string& key) { return std::atoi(serverValue(key).c_str()); }

std::wstring serverFolder(const std::string& key) {
    const std::string value = serverValue(key);
    if (value.empty()) return std::wstring();
    std::wstring path = windowsPath(value);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path;
}

HttpReply httpRequest(int port, const std::string& method, const std::string& target, const std::string& body,
                      const std::string& contentType) {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    HttpReply reply;
    if (!started || port <= 0) return reply;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return reply;
    DWORD timeout = 15000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return reply;
    }
    std::string request = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                          "\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    if (!contentType.empty()) request += "Content-Type: " + contentType + "\r\n";
    request += "\r\n" + body;
    size_t sent = 0;
    while (sent < request.size()) {
        const int n = ::send(s, request.data() + sent, static_cast<int>(request.size() - sent), 0);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    std::string answer;
    char buffer[16384];
    for (;;) {
        const int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        answer.append(buffer, static_cast<size_t>(n));
    }
    closesocket(s);
    const size_t headerEnd = answer.find("\r\n\r\n");
    if (answer.compare(0, 5, "HTTP/") != 0 || headerEnd == std::string::npos) return reply;
    const size_t space = answer.find(' ');
    reply.status = std::atoi(answer.c_str() + space + 1);
    reply.body = answer.substr(headerEnd + 4);
    return reply;
}

// ---------------------------------------------------------------------------------------------

bool Simulator::reset(bool seed) {
    return httpRequest(port_, "GET", seed ? "/_sim/reset" : "/_sim/reset?seed=0").status == 200;
}

bool Simulator::clearLog() { return httpRequest(port_, "GET", "/_sim/clearlog").status == 200; }

bool Simulator::delay(const std::string& step, int ms) {
    return httpRequest(port_, "GET", "/_sim/fail?step=" + step + "&mode=delay&ms=" + std::to_string(ms)).status == 200;
}

bool Simulator::setReservations(const std::string& jsonArray) {
    return httpRequest(port_, "POST", "/_sim/reservations", "{\"reservations\": " + jsonArray + "}",
                       "application/json")
               .status == 200;
}

Json Simulator::log(bool* answered) {
    const HttpReply reply = httpRequest(port_, "GET", "/_sim/log");
    bool parsed = false;
    Json snapshot = Json::parse(reply.body, &parsed);
    bool ok = reply.status == 200 && parsed && snapshot.kind() == Json::Kind::Object;
    for (const char* member : {"requests", "posts", "remote_keys", "reservations", "failures"}) {
        if (ok && !snapshot.has(member)) ok = false;
    }
    if (answered != nullptr) {
        *answered = ok;
    } else if (!ok) {
        // Read as "no requests", a failed query would pass every negative check.
        ADD_FAILURE() << "the simulator's log could not be read (status " << reply.status << ")";
    }
    return snapshot;
}

std::vector<std::string> Simulator::remoteKeys() {
    std::vector<std::string> keys;
    const Json snapshot = log();
    for (const Json& key : snapshot["remote_keys"].items()) keys.push_back(key.string());
    return keys;
}

std::vector<std::string> Simulator::rawPosts() {
    std::vector<std::string> result;
    const Json snapshot = log();
    for (const Json& post : snapshot["posts"].items()) result.push_back(post["raw"].string());
    return result;
}

std::vector<std::map<std::string, std::string>> Simulator::posts() {
    std::vector<std::map<std::string, std::string>> result;
    const Json snapshot = log();
    for (const Json& post : snapshot["posts"].items()) {
        std::map<std::string, std::string> fields;
        for (const Json& pair : post["fields"].items()) fields[pair[0].string()] = pair[1].string();
        result.push_back(fields);
    }
    return result;
}

// ---------------------------------------------------------------------------------------------

namespace {

const wchar_t kMailtoCommandKey[] = L"mailto\\shell\\open\\command";
// Kept under the command key while a test's handler is registered: "1:" + the previous default
// value, "1" alone when the key had no default value, "0" when the key did not exist. A run that
// died before restoring leaves it behind, and the next run restores from it.
const wchar_t kBackupValue[] = L"PeloraneTestsPrevious";

bool setString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

std::wstring classesValue(const std::wstring& key, const std::wstring& name, bool* found) {
    if (found != nullptr) *found = false;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return std::wstring();
    DWORD type = 0;
    DWORD size = 0;
    const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
    std::wstring value;
    if (RegQueryValueExW(handle, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(handle, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &size) ==
            ERROR_SUCCESS) {
            buffer.resize(size / sizeof(wchar_t));
            while (!buffer.empty() && buffer.back() == L'\0') buffer.pop_back();
            value = buffer;
            if (found != nullptr) *found = true;
        }
    }
    RegCloseKey(handle);
    return value;
}

void deleteClassesKey(const std::wstring& key) { RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str()); }

namespace {

const wchar_t kAsideRoot[] = L"Software\\PeloraneTests\\Aside\\";
const wchar_t kAsideExisted[] = L"Existed";  // "1" when the key was there, "0" when it was missing
const wchar_t kAsideTree[] = L"Tree";        // the saved key with its values and subkeys

// One saved key per classes key; backslashes would nest, so they become '#'.
std::wstring asidePath(const std::wstring& key) {
    std::wstring leaf = key;
    for (wchar_t& c : leaf) {
        if (c == L'\\') c = L'#';
    }
    return kAsideRoot + leaf;
}

bool keyExists(HKEY root, const std::wstring& path) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

// Copies root\from (with everything in it) to root2\to, creating the target.
bool copyTree(HKEY fromRoot, const std::wstring& from, HKEY toRoot, const std::wstring& to) {
    HKEY source = nullptr;
    if (RegOpenKeyExW(fromRoot, from.c_str(), 0, KEY_READ, &source) != ERROR_SUCCESS) return false;
    HKEY target = nullptr;
    bool copied = false;
    if (RegCreateKeyExW(toRoot, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr) ==
        ERROR_SUCCESS) {
        copied = RegCopyTreeW(source, nullptr, target) == ERROR_SUCCESS;
        RegCloseKey(target);
    }
    RegCloseKey(source);
    return copied;
}

}  // namespace

const std::vector<std::wstring>& associationKeys() {
    static const std::vector<std::wstring> keys = {
        L"iEPG.file", L".iepg", L".tvpi", L".tvpid", L"MIME\\Database\\Content Type\\application/x-tv-program-info",
        L"MIME\\Database\\Content Type\\application/x-tv-program-digital-info"};
    return keys;
}

ClassesKeysAside::ClassesKeysAside(const std::vector<std::wstring>& keys) : keys_(keys) {
    for (const std::wstring& key : keys_) {
        const std::wstring aside = asidePath(key);
        if (!keyExists(HKEY_CURRENT_USER, aside)) {
            const bool existed = keyExists(HKEY_CLASSES_ROOT, key);
            if (existed && !copyTree(HKEY_CLASSES_ROOT, key, HKEY_CURRENT_USER, aside + L"\\" + kAsideTree)) {
                ready_ = false;
                continue;  // not saved: left as it is
            }
            HKEY handle = nullptr;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, aside.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                                nullptr) != ERROR_SUCCESS ||
                !setString(handle, kAsideExisted, existed ? L"1" : L"0")) {
                ready_ = false;
            }
            if (handle != nullptr) RegCloseKey(handle);
            if (!ready_) continue;
        }
        deleteClassesKey(key);
        if (keyExists(HKEY_CLASSES_ROOT, key)) ready_ = false;
    }
}

ClassesKeysAside::~ClassesKeysAside() {
    for (const std::wstring& key : keys_) {
        const std::wstring aside = asidePath(key);
        if (!keyExists(HKEY_CURRENT_USER, aside)) continue;  // never saved: never touched
        HKEY handle = nullptr;
        std::wstring existed;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, aside.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
            wchar_t flag[4] = {};
            DWORD size = sizeof flag - sizeof flag[0];
            if (RegQueryValueExW(handle, kAsideExisted, nullptr, nullptr, reinterpret_cast<BYTE*>(flag), &size) ==
                ERROR_SUCCESS) {
                existed = flag;
            }
            RegCloseKey(handle);
        }
        deleteClassesKey(key);
        // Kept aside until it is back, so that a failed restore can be repeated by the next run.
        if (existed == L"1" && !copyTree(HKEY_CURRENT_USER, aside + L"\\" + kAsideTree, HKEY_CLASSES_ROOT, key)) {
            continue;
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, aside.c_str());
    }
    // Their folders go once empty: RegDeleteKey leaves a key that still has subkeys.
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\PeloraneTests\\Aside");
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\PeloraneTests");
}

MailtoHandler::MailtoHandler(const std::wstring& command) {
    bool backedUp = false;
    const std::wstring backup = classesValue(kMailtoCommandKey, kBackupValue, &backedUp);
    if (!backedUp) {
        HKEY probe = nullptr;
        const bool hadKey = RegOpenKeyExW(HKEY_CLASSES_ROOT, kMailtoCommandKey, 0, KEY_READ, &probe) == ERROR_SUCCESS;
        if (probe != nullptr) RegCloseKey(probe);
        bool hadValue = false;
        const std::wstring previous = classesValue(kMailtoCommandKey, std::wstring(), &hadValue);
        backup_ = !hadKey ? L"0" : hadValue ? L"1:" + previous : L"1";
    } else {
        backup_ = backup;  // left by a run that did not get to restore
    }
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, kMailtoCommandKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    installed_ = setString(handle, kBackupValue, backup_) && setString(handle, nullptr, command);
    RegCloseKey(handle);
}

MailtoHandler::~MailtoHandler() {
    if (backup_.empty()) return;
    if (backup_ == L"0") {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kMailtoCommandKey);
        return;
    }
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kMailtoCommandKey, 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return;
    if (backup_.size() >= 2) {
        setString(handle, nullptr, backup_.substr(2));
    } else {
        RegDeleteValueW(handle, nullptr);
    }
    RegDeleteValueW(handle, kBackupValue);
    RegCloseKey(handle);
}

}  // namespace ui
