// The channel table and its file "channels.ini":
//
//     [table]
//     BS1=101,NHKBS1,NHK BS1      <- label=mailCode,stationCode,name (name may hold further commas)
//     [channel]
//     1=CH1                       <- code=label, one line per entry
//     101=BS1
//
// The file is read with the INI store's loader; the writer keeps [table] before [channel], which
// byte order would not, so it writes the lines itself.
#include "settings/ChannelTable.h"

#include "io/Streams.h"
#include "settings/ConfigStore.h"
#include "settings/Numbers.h"

namespace {

const char* const kChannelSection = "channel";
const char* const kTableSection = "table";

bool writeText(ByteSink& sink, const std::string& text) {
    return sink.write(text) == static_cast<int>(text.size());
}

// Splits a [table] value "mailCode,stationCode,name" (or "mailCode,name") into the entry.
void splitTableValue(const std::string& value, ChannelEntry& entry) {
    const size_t p = value.find(',');
    if (p == std::string::npos) return;  // also covers the empty value
    entry.mailCode = value.substr(0, p);
    const size_t q = value.find(',', p + 1);
    if (q == std::string::npos) {
        entry.name = value.substr(p + 1);
    } else {
        entry.stationCode = value.substr(p + 1, q - p - 1);
        entry.name = value.substr(q + 1);
    }
}

}  // namespace

void ChannelTable::load(const std::string& path) {
    entries_.clear();
    userDefined_ = false;
    path_ = path;
    leftInTemporary_ = false;

    ConfigStore file;
    file.load(path);  // a missing, refused or broken file leaves no or fewer sections
    fileUnread_ = file.fileUnread();
    const auto channels = file.sectionEntries(kChannelSection);
    if (channels.empty()) {
        defaultEntries();
        return;
    }
    for (const auto& [key, label] : channels) {
        ChannelEntry entry;
        entry.code = parseDecimal(key);
        entry.label = label;
        splitTableValue(file.getString(kTableSection, label, ""), entry);
        setEntry(entry);
    }
    // Keys that all read as -1 only update by label, which fills nothing in an empty table.
    if (entries_.empty()) defaultEntries();
}

bool ChannelTable::save() {
    const FileWrite result = writeSettingsFile(path_, fileUnread_, [this](ByteSink& sink) {
        if (!writeText(sink, "[table]\r\n")) return false;
        for (const auto& [code, e] : entries_) {
            if (e.name.empty() && e.mailCode.empty()) continue;  // a lone stationCode is not kept
            if (!writeText(sink, e.label + "=" + e.mailCode + "," + e.stationCode + "," + e.name + "\r\n")) {
                return false;
            }
        }
        if (!writeText(sink, "[channel]\r\n")) return false;
        for (const auto& [code, e] : entries_) {
            if (!writeText(sink, formatInt(code) + "=" + e.label + "\r\n")) return false;
        }
        return true;
    });
    leftInTemporary_ = result == FileWrite::OnlyInTemporary;
    return result == FileWrite::Replaced;
}

std::string ChannelTable::currentFile() const { return leftInTemporary_ ? temporaryPathOf(path_) : path_; }

void ChannelTable::setEntry(const ChannelEntry& entry) {
    userDefined_ = true;
    if (entry.code == -1) {  // known by label only (the recorder's channel page)
        for (auto& [code, e] : entries_) {
            if (e.label != entry.label) continue;
            e.name = entry.name;
            e.mailCode = entry.mailCode;
            e.stationCode = entry.stationCode;
            return;
        }
        return;
    }
    // Assigning in place keeps references to an existing entry valid.
    entries_[entry.code] = entry;
}

ChannelEntry* ChannelTable::findByCode(int32_t code) {
    const auto it = entries_.find(code);
    return it == entries_.end() ? nullptr : &it->second;
}

const ChannelEntry* ChannelTable::findByCode(int32_t code) const {
    const auto it = entries_.find(code);
    return it == entries_.end() ? nullptr : &it->second;
}

const ChannelEntry* ChannelTable::findByName(const std::string& name) const {
    for (const auto& [code, e] : entries_) {
        if (e.name == name) return &e;
    }
    return nullptr;
}

const ChannelEntry* ChannelTable::findByStationCode(const std::string& code) const {
    for (const auto& [number, e] : entries_) {
        if (e.stationCode == code) return &e;
    }
    return nullptr;
}

void ChannelTable::defaultEntries() {
    for (int32_t i = 1; i <= 64; ++i) setEntry({i, "CH" + formatInt(i), "", "", ""});
    for (int32_t i = 1; i <= 15; i += 2) setEntry({i + 100, "BS" + formatInt(i), "", "", ""});
    for (int32_t i = 1; i <= 3; ++i) setEntry({i + 200, "Line" + formatInt(i), "", "", ""});
    userDefined_ = false;
}
