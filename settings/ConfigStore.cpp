// The INI store: a byte-wise loader, a whole-file writer and the typed getters.
//
// Input, byte for byte as it is kept (nothing is trimmed, there are no comments):
//
//     orphan=1          <- before any header: section ""
//     [config]
//     smtpport=0x19     <- getInt gives 25
//     to = a@b          <- key "to " with value " a@b"
//     ;note             <- key ";note" with an empty value
//
// CR is dropped everywhere, LF ends a line, a last line without LF is discarded and a header
// without "]" stops the load with false.
#include "settings/ConfigStore.h"

#include "io/Streams.h"
#include "platform/FileHandle.h"
#include "settings/Numbers.h"

namespace {

enum class LoadState { LineStart, Section, AfterSection, Key, Value };

bool writeText(ByteSink& sink, const std::string& text) {
    return sink.write(text) == static_cast<int>(text.size());
}

bool writeLine(ByteSink& sink, const std::string& text) { return writeText(sink, text) && sink.newline() == 2; }

// Passes reads through and notes a failed one, which the buffered reader reports like the end.
class ReadErrorWatch final : public ByteStream {
public:
    explicit ReadErrorWatch(ByteStream& inner) : inner_(inner) {}
    bool close() override { return inner_.close(); }
    int read(char* buffer, int size) override {
        const int n = inner_.read(buffer, size);
        if (n < 0) failed = true;
        return n;
    }
    int write(const char* data, int size) override { return inner_.write(data, size); }

    bool failed = false;

private:
    ByteStream& inner_;
};

}  // namespace

std::string temporaryPathOf(const std::string& path) { return path + ".tmp"; }

FileWrite writeFileReplacing(const std::string& path, const std::function<bool(ByteSink&)>& body) {
    if (path.empty()) return FileWrite::NotWritten;
    const std::string temporary = temporaryPathOf(path);
    FileHandle file;
    if (!file.createWrite(temporary)) return FileWrite::NotWritten;
    bool ok;
    {
        BufferedWriter writer(file);
        ok = body(writer) && writer.flush();
    }
    // Data first, then the name: a crash must leave the old file or the whole new one. The writing
    // handle flushes; another one, opened just for that, could be refused by a scanner.
    ok = file.sync() && ok;
    ok = file.close() && ok;
    if (ok && replaceFile(temporary, path)) return FileWrite::Replaced;
    if (ok && !nameInUse(path)) return FileWrite::OnlyInTemporary;
    removeFile(temporary);
    return FileWrite::NotWritten;
}

bool keepUnreadFile(const std::string& path) {
    return keepAside(path, path + kUnreadCopySuffix) || !isFileOrUnknown(path);
}

FileWrite writeSettingsFile(const std::string& path, bool& unread, const std::function<bool(ByteSink&)>& body) {
    if (unread) {
        if (!keepUnreadFile(path)) return FileWrite::NotWritten;
        unread = false;  // the copy is made; later saves must not replace it with our own file
    }
    return writeFileReplacing(path, body);
}

bool ConfigStore::load(const std::string& path) {
    path_ = path;
    fileUnread_ = false;
    leftInTemporary_ = false;
    onDisk_.reset();
    FileHandle file;
    if (!file.openRead(path)) {
        fileUnread_ = isFileOrUnknown(path);
        // A save that could neither finish nor put a file back under the name left the settings only
        // in the temporary file; read from there, they go back in place with the next save.
        if (fileUnread_ || nameInUse(path) || !file.openRead(temporaryPathOf(path))) return false;
        leftInTemporary_ = true;
    }
    ReadErrorWatch watch(file);
    BufferedReader reader(watch);

    // Parsed into a copy so that a refused (oversized) file leaves the store untouched.
    std::map<std::string, Section> loaded = sections_;
    std::string section;
    std::string key;
    std::string value;
    auto store = [&] {
        loaded[section][key] = value;
        key.clear();
        value.clear();
    };

    LoadState state = LoadState::LineStart;
    int count = 0;
    for (int b = reader.next(); b >= 0; b = reader.next()) {
        if (++count > kMaxSettingsFileBytes) {
            fileUnread_ = isFileOrUnknown(path);
            return false;
        }
        if (b == '\r') continue;  // ignored in every state
        const char c = static_cast<char>(b);
        switch (state) {
        case LoadState::LineStart:
            if (c == '\n') break;  // empty line
            if (c == '[') {
                section.clear();
                state = LoadState::Section;
            } else {  // "]", "=" and every other byte start a key
                key.push_back(c);
                state = LoadState::Key;
            }
            break;
        case LoadState::Section:
            if (c == '\n') {
                sections_ = std::move(loaded);  // what came before the broken header stays
                return false;
            }
            if (c == ']') {
                state = LoadState::AfterSection;
            } else {
                section.push_back(c);
            }
            break;
        case LoadState::AfterSection:
            if (c == '\n') state = LoadState::LineStart;  // the rest of the header line is ignored
            break;
        case LoadState::Key:
            if (c == '\n') {
                store();
                state = LoadState::LineStart;
            } else if (c == '=') {
                state = LoadState::Value;
            } else {
                key.push_back(c);
            }
            break;
        case LoadState::Value:
            if (c == '\n') {
                store();
                state = LoadState::LineStart;
            } else {
                value.push_back(c);
            }
            break;
        }
    }
    if (watch.failed) {  // cut short: the rest of the settings would be lost at the next save
        fileUnread_ = isFileOrUnknown(path);
        return false;
    }
    sections_ = std::move(loaded);  // a pending last line without LF is dropped
    if (!leftInTemporary_) onDisk_ = sections_;
    return true;
}

bool ConfigStore::save() {
    const FileWrite result = writeSettingsFile(path_, fileUnread_, [this](ByteSink& sink) {
        for (const auto& [name, keys] : sections_) {
            if (!writeLine(sink, "[" + name + "]")) return false;
            for (const auto& [key, value] : keys) {
                if (!writeText(sink, key) || !sink.put('=') || !writeLine(sink, value)) return false;
            }
        }
        return true;
    });
    leftInTemporary_ = result == FileWrite::OnlyInTemporary;
    if (result == FileWrite::Replaced) {
        onDisk_ = sections_;
    } else if (result == FileWrite::OnlyInTemporary) {
        onDisk_.reset();
    }
    return result == FileWrite::Replaced;
}

bool ConfigStore::saveIfChanged() {
    // A folder the user may not write (a read-only stick, "C:\Program Files") costs nothing then.
    if (!fileUnread_ && onDisk_ && *onDisk_ == sections_ && isFileOrUnknown(path_)) return true;
    return save();
}

int32_t ConfigStore::getInt(const std::string& section, const std::string& key, int32_t defaultValue) const {
    const auto s = sections_.find(section);
    if (s == sections_.end()) return defaultValue;
    const auto k = s->second.find(key);
    if (k == s->second.end()) return defaultValue;
    return parseLong32(k->second, 0);
}

std::string ConfigStore::getString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const {
    const auto s = sections_.find(section);
    if (s == sections_.end()) return defaultValue;
    const auto k = s->second.find(key);
    return k == s->second.end() ? defaultValue : k->second;
}

void ConfigStore::setInt(const std::string& section, const std::string& key, int32_t value) {
    setString(section, key, formatInt(value));
}

void ConfigStore::setString(const std::string& section, const std::string& key, const std::string& value) {
    sections_[section][key] = value;
}

std::vector<std::pair<std::string, std::string>> ConfigStore::sectionEntries(const std::string& section) const {
    const auto s = sections_.find(section);
    if (s == sections_.end()) return {};
    return {s->second.begin(), s->second.end()};
}

bool ConfigStore::isMailConfigured() const {
    if (getRduser().empty()) return false;
    if (getSmtpserver().empty() || !isValidPort(getSmtpport()) || getFrom().empty() || getTo().empty()) return false;
    const int32_t auth = getSmtpauth();
    if (auth == 0) return true;
    if (getSmtpuser().empty() || getSmtppass().empty()) return false;
    if (auth == 1) return true;
    return !getPop3server().empty() && isValidPort(getPop3fport());  // POP before SMTP
}

// A proxy is used whenever it is named: a bad proxy port must not fall back to a direct connection.
bool ConfigStore::isHttpConfigured() const {
    if (getHttpserver().empty() || !isValidPort(getHttpport())) return false;
    return getProxyserver().empty() || isValidPort(getProxyport());
}
