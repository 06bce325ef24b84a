// The recorder's channel set-up page: four layout tables, then one table per band:
//
//     <table border="1">
//     <tr><td colspan="5">地上アナログ</td></tr>                         <- rows 1 and 2: headings
//     <tr><td>No.</td><td>チャンネル</td><td>放送局名</td><td>コード</td><td>局コード</td></tr>
//     <tr><td>1</td><td>CH1</td><td>東都総合テレビ</td><td>001</td><td>TT01</td></tr>
//     <tr><td>2</td><td>CH2</td><td>--</td><td>--</td><td>--</td></tr>  <- unused position
//     </table>
#include "recorder/ChannelPage.h"

#include <climits>

#include "net/HttpClient.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"

namespace {

const char* const kChannelPagePath = "/setup/ch_set.htm";
const char* const kUnusedText = "--";
constexpr int kFirstChannelTable = 5;
constexpr int kFirstChannelRow = 3;

// Counters only need to pass their thresholds; saturating keeps a huge page from overflowing them.
void countUp(int& counter) {
    if (counter < INT_MAX) ++counter;
}

}  // namespace

bool ChannelPageReader::onText(const std::string& text) {
    if (tables_ >= kFirstChannelTable && rows_ >= kFirstChannelRow && cells_ >= 1 && cells_ <= kCells) {
        cellTexts_[cells_ - 1] = text;  // text split by tags: the last piece counts
    }
    return true;
}

bool ChannelPageReader::onStartTag(const std::string& name, const AttributeMap&) {
    if (name == "table") {
        countUp(tables_);
        rows_ = 0;
        cells_ = 0;
    } else if (name == "tr") {
        countUp(rows_);
        cells_ = 0;
    } else if (name == "td") {
        countUp(cells_);
    }
    return true;
}

bool ChannelPageReader::onEndTag(const std::string& name) {
    if (name == "table") {
        rows_ = 0;
        cells_ = 0;
    } else if (name == "tr" && tables_ >= kFirstChannelTable && rows_ >= kFirstChannelRow) {
        // A row without a label names no position; applied, it would wipe an entry whose label is empty.
        if (!cellTexts_[1].empty() && cellTexts_[1] != kUnusedText && cellTexts_[2] != kUnusedText) {
            ChannelEntry entry;
            entry.code = -1;  // update by label
            entry.label = cellTexts_[1];
            entry.name = cellTexts_[2];
            entry.mailCode = cellTexts_[3];
            entry.stationCode = cellTexts_[4];
            table_.setEntry(entry);
        }
        for (std::string& text : cellTexts_) text.clear();
    }
    return true;
}

ChannelImport importChannelList(ChannelTable& table, const ConfigStore& config, int timeoutMs) {
    HttpClient client(timeoutMs);
    if (!client.configureFromSettings(config)) return ChannelImport::NotConfigured;
    std::string body;
    BodyReceiver receiver(body);
    if (!client.sendRequest(kChannelPagePath, "", receiver)) return ChannelImport::ExchangeFailed;
    const int status = client.response().status();
    if (status < 200 || status > 299) return ChannelImport::Refused;
    ChannelPageReader reader(table);
    parseHtml(body, reader);
    return ChannelImport::Imported;
}

bool fetchChannelList(ChannelTable& table, const ConfigStore& config) {
    return importChannelList(table, config) == ChannelImport::Imported;
}
