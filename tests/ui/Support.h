// What the dialog tests share: a private installation of Pelorane.exe with its two settings files,
// iEPG files, the loopback servers of the test fixture and the recorder simulator's controls.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "Driver.h"
#include "Json.h"

namespace ui {

// ---------------------------------------------------------------------------------------------
// The program under test

// The built Pelorane.exe: PELORANE_EXE from the environment, else the path the build recorded.
std::wstring builtProgram();
// The test helper programs built beside the test executable.
std::wstring helperProgram(const std::wstring& fileName);

// [config] keys and values in UTF-8 (written and read as Shift_JIS).
using Settings = std::map<std::string, std::string>;

struct ChannelLine {
    int code;
    std::string label;        // "CH1"
    std::string mailCode;     // "001"
    std::string stationCode;  // "TT01"
    std::string name;         // UTF-8; empty for an unused position
};

// The channel table most tests use: four named stations and one unused position (CH5).
const std::vector<ChannelLine>& standardChannels();

// One iEPG programme; text in UTF-8.
struct Iepg {
    std::string station = "東都総合テレビ";
    int year = 2031;
    int month = 6;
    int day = 14;
    std::string start = "21:00";
    std::string end = "22:30";
    std::string title = "世界の車窓から";
    std::string subtitle;
    std::string detail = "第一行\r\n第二行";
    // Set: a digital-broadcast file, "station" this service code and "station-name" the station.
    std::string serviceCode;
};
// The file's bytes: content-type line, header lines, an empty line, the detail (Shift_JIS, CR LF).
std::string iepgBytes(const Iepg& programme);

// Where the tests install the program: a folder of the user's (with a trailing backslash) outside the
// temporary folders, from which the program would warn that it runs from inside a zip.
std::wstring installationsFolder();

// Pelorane.exe copied into a fresh folder of its own below `base` with its settings files beside it,
// and the process started from there.
class Installation {
public:
    explicit Installation(const std::wstring& folderPrefix = L"pelorane-ui",
                          const std::wstring& base = installationsFolder());

    bool ready() const { return ready_; }
    const std::wstring& folder() const { return folder_.path(); }
    std::wstring exe() const { return folder_.file(L"Pelorane.exe"); }
    std::wstring file(const std::wstring& name) const { return folder_.file(name); }
    std::wstring settingsPath() const { return file(L"Pelorane.ini"); }
    std::wstring channelsPath() const { return file(L"channels.ini"); }

    // Writes Pelorane.ini with a [config] section holding these keys (CR LF lines, Shift_JIS).
    bool writeSettings(const Settings& settings);
    bool writeChannels(const std::vector<ChannelLine>& channels);
    // The [config] section of Pelorane.ini as it is on disk now; empty when there is no file.
    Settings readSettings() const;
    // The channels.ini lines of section [table] ("label=mailCode,stationCode,name", UTF-8).
    std::vector<std::string> readChannelTable() const;
    // Writes an iEPG file into the folder; its full path.
    std::wstring writeIepg(const std::wstring& name, const Iepg& programme);

    // Starts the program with the arguments (already quoted) in its folder.
    bool start(const std::wstring& arguments = std::wstring());
    Process& process() { return process_; }
    DWORD pid() const { return process_.id(); }
    // The system's error code of the last failed start.
    DWORD lastStartError() const { return lastStartError_; }

private:
    TempFolder folder_;
    bool ready_ = false;
    Process process_;
    DWORD lastStartError_ = 0;
};

// Reads an INI text (Shift_JIS) into section -> key -> value, keys and values in UTF-8.
std::map<std::string, Settings> parseIni(const std::string& bytes);

// ---------------------------------------------------------------------------------------------
// Loopback servers (scripts/test-servers.sh, named by PELORANE_SERVERS_ENV)

// The KEY=VALUE lines of the servers' file; empty when the servers are not running.
const std::map<std::string, std::string>& serverSettings();
int serverPort(const std::string& key);
std::string serverValue(const std::string& key);
// A folder the servers named (Unix path) as a Windows path with a trailing backslash.
std::wstring serverFolder(const std::string& key);

struct HttpReply {
    int status = 0;  // 0 when the exchange failed
    std::string body;
};
HttpReply httpRequest(int port, const std::string& method, const std::string& target,
                      const std::string& body = std::string(), const std::string& contentType = std::string());

// The recorder simulator's test controls.
class Simulator {
public:
    explicit Simulator(int port) : port_(port) {}
    int port() const { return port_; }
    bool reset(bool seed = false);
    bool clearLog();
    // The next request of booking step 1..4 (or "list", "remote", ...) waits ms before its answer.
    bool delay(const std::string& step, int ms);
    // Replaces the recorder's reservations with the JSON array (UTF-8) of /_sim/reservations.
    bool setReservations(const std::string& jsonArray);
    // The simulator's log; `answered` (when given) is false when the query or its JSON failed.
    Json log(bool* answered = nullptr);
    std::vector<std::string> remoteKeys();
    // The posted forms, each as name -> value (values decoded from Shift_JIS, UTF-8).
    // The raw bodies of the posted forms, in order.
    std::vector<std::string> rawPosts();
    std::vector<std::map<std::string, std::string>> posts();

private:
    int port_;
};

// ---------------------------------------------------------------------------------------------
// The main dialog's caption and the registry of the Wine prefix

// The main dialog's caption with the default title setting: "Pelorane".
extern const wchar_t* const kMainCaption;

// Replaces HKEY_CLASSES_ROOT\mailto\shell\open\command for the object's lifetime and restores the
// value (or the missing key) it found; a backup kept in the key lets the next run restore what a
// run that died left behind.
class MailtoHandler {
public:
    explicit MailtoHandler(const std::wstring& command);
    ~MailtoHandler();
    MailtoHandler(const MailtoHandler&) = delete;
    MailtoHandler& operator=(const MailtoHandler&) = delete;
    bool installed() const { return installed_; }

private:
    bool installed_ = false;
    std::wstring backup_;  // see kBackupValue in Support.cpp
};

// The default value of a key under HKEY_CLASSES_ROOT, or a named value; `found` false when missing.
std::wstring classesValue(const std::wstring& key, const std::wstring& name, bool* found = nullptr);
// Deletes a key under HKEY_CLASSES_ROOT with all its subkeys (missing is fine).
void deleteClassesKey(const std::wstring& key);

// The keys the iEPG association writes under HKEY_CLASSES_ROOT.
const std::vector<std::wstring>& associationKeys();

// Moves keys under HKEY_CLASSES_ROOT aside (copied under HKEY_CURRENT_USER, then deleted) for the
// object's lifetime, so that a test sees them missing; at the end deletes what the test left there
// and puts the saved keys back. A copy left by a run that died is taken as the original.
class ClassesKeysAside {
public:
    explicit ClassesKeysAside(const std::vector<std::wstring>& keys);
    ~ClassesKeysAside();
    ClassesKeysAside(const ClassesKeysAside&) = delete;
    ClassesKeysAside& operator=(const ClassesKeysAside&) = delete;
    // Every key was saved (or missing) and deleted.
    bool ready() const { return ready_; }

private:
    std::vector<std::wstring> keys_;
    bool ready_ = true;
};

}  // namespace ui
