// The program's own INI store: section -> key -> value, byte-ordered, with typed settings accessors.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ByteSink;

// Longest file load reads; a longer one (or an endless device) is refused, leaving the store unchanged.
constexpr int kMaxSettingsFileBytes = 1 << 20;

// What writeFileReplacing left on the disk.
enum class FileWrite {
    Replaced,         // path holds the new content
    NotWritten,       // path is as it was (a file, or nothing); the new file is gone
    OnlyInTemporary,  // path is empty and could not be filled: the new content is in the temporary file
};

// The new file beside path that writeFileReplacing writes first (path + ".tmp").
std::string temporaryPathOf(const std::string& path);

// Writes a complete new file beside path (temporaryPathOf) through a buffered writer, puts it on the
// disk and moves it over path only when body accepted every byte and the flush, the sync and the
// close succeeded; otherwise removes the new file and leaves path as it was. A replace that fails
// half-way puts a complete file back under path; the new file is never removed while path is empty.
FileWrite writeFileReplacing(const std::string& path, const std::function<bool(ByteSink&)>& body);

// Where a file that exists but could not be loaded is kept before it is first written over.
constexpr const char* kUnreadCopySuffix = ".bak";
// Keeps the file at path as path + kUnreadCopySuffix, replacing an older copy (keepAside: the file
// stays under path too where it can, so that the save keeps its permissions). True when the copy
// holds it or nothing is there any more; false when it could not be kept.
bool keepUnreadFile(const std::string& path);

// Saves one of the settings files: a file there that could not be loaded (`unread`) is first kept
// aside, once (then `unread` is cleared); when that fails nothing is written. Then writeFileReplacing.
FileWrite writeSettingsFile(const std::string& path, bool& unread, const std::function<bool(ByteSink&)>& body);

// Every key of section "config": (accessor name, key text, default).
#define PELORANE_INT_SETTINGS(X) \
    X(Disc, "disc", 0)           \
    X(Dvdr, "dvdr", 0)           \
    X(Vrate, "vrate", 0)         \
    X(Amode, "amode", 0)         \
    X(Genre, "genre", 10)        \
    X(BExec, "bExec", 1)         \
    X(BVPerform, "bVPerform", 1) \
    X(BAutoChapter, "bAutoChapter", 1) \
    X(Bootexec, "bootexec", 0)   \
    X(Okbutton, "okbutton", 2)   \
    X(Smtpport, "smtpport", 25)  \
    X(Smtpauth, "smtpauth", 1)   \
    X(Smtpsecure, "smtpsecure", 0) \
    X(Pop3fport, "pop3fport", 110) \
    X(Popsecure, "popsecure", 0) \
    X(Httpport, "httpport", 80)  \
    X(Proxyport, "proxyport", 8080)

#define PELORANE_STRING_SETTINGS(X)   \
    X(Pelorane, "pelorane", "Pelorane") \
    X(Rduser, "rduser", "rdstyle")    \
    X(Smtpserver, "smtpserver", "")   \
    X(Smtpuser, "smtpuser", "")       \
    X(Smtppass, "smtppass", "")       \
    X(From, "from", "")               \
    X(To, "to", "")                   \
    X(Pop3server, "pop3server", "")   \
    X(Httpserver, "httpserver", "")   \
    X(Httpuser, "httpuser", "")       \
    X(Httppass, "httppass", "")       \
    X(Proxyserver, "proxyserver", "") \
    X(Proxyuser, "proxyuser", "")     \
    X(Proxypass, "proxypass", "")

class ConfigStore {
public:
    using Section = std::map<std::string, std::string>;
    static constexpr const char* kConfigSection = "config";

    // Remembers path, reads the file into memory (adding to what the store holds); with nothing at
    // path, the temporary file beside it that a save left there (currentFile). False when it
    // cannot be opened or read, or exceeds kMaxSettingsFileBytes (the store stays as it was), or
    // when a section header lacks "]" (what came before stays).
    bool load(const std::string& path);
    // Writes the whole store to the remembered path, replacing the old file only once the new one
    // is complete. A file that was there but could not be loaded is first kept aside
    // (keepUnreadFile); when that fails nothing is written. False when nothing was replaced.
    bool save();
    // At the end of a run: saves only when the store differs from what the file held when it was
    // loaded or last saved, or the file is not there (or could not be loaded). True when the file
    // holds the store now.
    bool saveIfChanged();

    int32_t getInt(const std::string& section, const std::string& key, int32_t defaultValue) const;
    std::string getString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    void setInt(const std::string& section, const std::string& key, int32_t value);
    void setString(const std::string& section, const std::string& key, const std::string& value);
    // The section's pairs in key order; empty when the section is missing.
    std::vector<std::pair<std::string, std::string>> sectionEntries(const std::string& section) const;

    const std::string& path() const { return path_; }
    // The file that holds these settings on disk now: the path, or after a save that could neither
    // finish nor put a file back under the path, the temporary file beside it.
    std::string currentFile() const { return leftInTemporary_ ? temporaryPathOf(path_) : path_; }
    // The last load found a file (not a folder) at the path but could not read it all: not
    // openable, a read error, or too large. Its content is in none of the store's sections.
    bool fileUnread() const { return fileUnread_; }
    const std::map<std::string, Section>& sections() const { return sections_; }

#define PELORANE_INT_ACCESSORS(Name, key, def)                                     \
    int32_t get##Name() const { return getInt(kConfigSection, key, def); }         \
    void set##Name(int32_t value) { setInt(kConfigSection, key, value); }
#define PELORANE_STRING_ACCESSORS(Name, key, def)                                  \
    std::string get##Name() const { return getString(kConfigSection, key, def); }  \
    void set##Name(const std::string& value) { setString(kConfigSection, key, value); }
    PELORANE_INT_SETTINGS(PELORANE_INT_ACCESSORS)
    PELORANE_STRING_SETTINGS(PELORANE_STRING_ACCESSORS)
#undef PELORANE_INT_ACCESSORS
#undef PELORANE_STRING_ACCESSORS

    // All mail settings needed for the chosen smtpauth mode are present, their ports within 1-65535.
    bool isMailConfigured() const;
    // The recorder's host is set, its port and (when a proxy is named) the proxy's within 1-65535.
    bool isHttpConfigured() const;

private:
    std::string path_;
    std::map<std::string, Section> sections_;
    // What the file holds, as loaded or last saved; none when that is not known.
    std::optional<std::map<std::string, Section>> onDisk_;
    bool fileUnread_ = false;
    bool leftInTemporary_ = false;
};
