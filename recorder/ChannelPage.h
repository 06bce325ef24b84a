// Import of the recorder's channel set-up page into the channel table.
#pragma once

#include <string>

#include "platform/SocketStream.h"
#include "recorder/HtmlTokenizer.h"

class ChannelTable;
class ConfigStore;

// Reads the rows of the fifth and later tables of the page, from each table's third row on, and
// updates the table's entry whose label is in cell 2 with the name, mail code and station code in
// cells 3 to 5. Rows whose cell 2 or 3 is "--" (unused positions) are left alone.
class ChannelPageReader : public HtmlHandler {
public:
    explicit ChannelPageReader(ChannelTable& table) : table_(table) {}

    bool onText(const std::string& text) override;
    bool onStartTag(const std::string& name, const AttributeMap& attributes) override;
    bool onEndTag(const std::string& name) override;

private:
    static constexpr int kCells = 5;

    ChannelTable& table_;
    int tables_ = 0;  // "table" start tags so far, never reset
    int rows_ = 0;    // "tr" start tags in the current table
    int cells_ = 0;   // "td" start tags in the current row
    std::string cellTexts_[kCells];
};

enum class ChannelImport {
    Imported,        // the page was read into the table (which may have changed nothing)
    NotConfigured,   // no recorder address or a bad port: the caller should ask for the HTTP settings
    ExchangeFailed,  // no complete answer; the table is unchanged
    Refused,         // an answer other than 2xx (e.g. 401 without credentials); the table is unchanged
};

// GETs "/setup/ch_set.htm" from the configured recorder and reads it into the table.
ChannelImport importChannelList(ChannelTable& table, const ConfigStore& config,
                                int timeoutMs = kDefaultSocketTimeoutMs);
// importChannelList reduced to true for Imported.
bool fetchChannelList(ChannelTable& table, const ConfigStore& config);
