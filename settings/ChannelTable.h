// The recorder's channel positions with their station names, mail codes and station codes ("channels.ini").
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct ChannelEntry {
    int32_t code = 0;
    std::string label;
    std::string name;
    std::string mailCode;
    std::string stationCode;  // 局コード; also the service code ("DFS00400") a digital iEPG file names
};

class ChannelTable {
public:
    using Entries = std::map<int32_t, ChannelEntry>;

    // Clears the table and reads the file; a missing file or one without channels gives the defaults.
    void load(const std::string& path);
    // Writes the whole table to the remembered path; false when the file was not replaced. A file
    // that was there but could not be loaded is first kept aside (keepUnreadFile); when that fails
    // nothing is written.
    bool save();
    // code -1: updates name, mailCode and stationCode of the first entry with the label.
    // Otherwise replaces the entry with that code in place, or inserts it. Always sets userDefined.
    void setEntry(const ChannelEntry& entry);
    ChannelEntry* findByCode(int32_t code);
    const ChannelEntry* findByCode(int32_t code) const;
    // First entry in code order whose name equals the text byte for byte.
    const ChannelEntry* findByName(const std::string& name) const;
    // First entry in code order whose stationCode equals the code byte for byte.
    const ChannelEntry* findByStationCode(const std::string& code) const;

    bool userDefined() const { return userDefined_; }
    const Entries& entries() const { return entries_; }
    Entries::iterator begin() { return entries_.begin(); }
    Entries::iterator end() { return entries_.end(); }
    Entries::const_iterator begin() const { return entries_.begin(); }
    Entries::const_iterator end() const { return entries_.end(); }
    size_t size() const { return entries_.size(); }
    const std::string& path() const { return path_; }
    // The file that holds the table on disk now (see ConfigStore::currentFile).
    std::string currentFile() const;
    // The last load found a file at the path but could not read it (see ConfigStore::fileUnread).
    bool fileUnread() const { return fileUnread_; }

private:
    void defaultEntries();

    std::string path_;
    Entries entries_;
    bool userDefined_ = false;
    bool fileUnread_ = false;
    bool leftInTemporary_ = false;
};
