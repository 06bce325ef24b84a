// The recorder's reservation table, one row per slot, read from the top to the first free slot:
//
//     <tr><td>1</td><td><img src="/img/parts/check_on.gif"></td>
//         <td><a href="/program/rsv/detail.htm?no=1">朝のニュース</a></td>
//         <td>CH1</td><td>毎月～金</td><td>05:45-06:00</td><td>HDD</td><td>SP 4.4/4.6</td><td>D1</td></tr>
//     <tr><td>2</td><td><img src="/img/parts/check_off.gif"></td><td><a href="...">---</a></td>
//         <td>---</td>...                                        <- a free slot ends the table
//
// The page itself is the last frame of the programme frame set "/program/b_prgrm.htm".
#include "recorder/ReservationList.h"

#include "net/HttpClient.h"
#include "recorder/HtmlReader.h"
#include "recorder/MemorySource.h"
#include "recorder/PagePath.h"
#include "settings/ConfigStore.h"
#include "settings/Numbers.h"

namespace {

const char* const kFramesetPath = "/program/b_prgrm.htm";
const char* const kCheckOnImage = "/img/parts/check_on.gif";
const char* const kFreeSlotText = "---";

struct RecurrenceLabel {
    const char* bytes;
    uint8_t mask;
};

const RecurrenceLabel kRecurrenceLabels[] = {
    {"\x96\x88\x93\xfa\x97\x6a\x93\xfa", 0x01},  // 毎日曜日
    {"\x96\x88\x8c\x8e\x97\x6a\x93\xfa", 0x02},  // 毎月曜日
    {"\x96\x88\x89\xce\x97\x6a\x93\xfa", 0x04},  // 毎火曜日
    {"\x96\x88\x90\x85\x97\x6a\x93\xfa", 0x08},  // 毎水曜日
    {"\x96\x88\x96\xd8\x97\x6a\x93\xfa", 0x10},  // 毎木曜日
    {"\x96\x88\x8b\xe0\x97\x6a\x93\xfa", 0x20},  // 毎金曜日
    {"\x96\x88\x93\x79\x97\x6a\x93\xfa", 0x40},  // 毎土曜日
    {"\x96\x88\x93\xfa", 0xFF},                  // 毎日
    {"\x96\x88\x8c\x8e\x81\x60\x96\xd8", 0x1E},  // 毎月～木
    {"\x96\x88\x8c\x8e\x81\x60\x8b\xe0", 0x3E},  // 毎月～金
    {"\x96\x88\x8c\x8e\x81\x60\x93\x79", 0x7E},  // 毎月～土
};

// 日月火水木金土, two bytes each, Sunday first.
const char kWeekdayCharacters[] = "\x93\xfa\x8c\x8e\x89\xce\x90\x85\x96\xd8\x8b\xe0\x93\x79";

// atoi of the bytes from offset on; the caller has checked that offset lies inside the text.
int64_t valueAt(const std::string& text, size_t offset) { return parseDecimal(text.substr(offset)); }

// The next token is text: its decoded form, else false.
bool readCellText(HtmlReader& reader, std::string& text) {
    if (reader.next() != TokenKind::Text) return false;
    text = reader.text();
    return true;
}

// GET path from the configured recorder into body; true for a complete 2xx answer.
bool getPage(const ConfigStore& config, const std::string& path, int timeoutMs, std::string& body) {
    HttpClient client(timeoutMs);
    if (!client.configureFromSettings(config)) return false;
    BodyReceiver receiver(body);
    if (!client.sendRequest(path, "", receiver)) return false;
    // An error page (401, 404, 500) holds no table: reading it would pass for an empty list.
    const int status = client.response().status();
    return status >= 200 && status <= 299;
}

}  // namespace

void parseDateCell(ReservationEntry& entry, const std::string& text) {
    entry.dateText = text;
    entry.weekdayMask = 0;
    entry.year = 0;
    entry.month = 0;
    entry.day = 0;
    for (const RecurrenceLabel& label : kRecurrenceLabels) {
        if (text == label.bytes) {
            entry.weekdayMask = label.mask;
            return;
        }
    }
    if (text.size() != 14 || text[4] != '/' || text[7] != '/' || text[10] != '(' || text[13] != ')') return;
    entry.year = static_cast<uint16_t>(valueAt(text, 0));
    entry.month = static_cast<uint8_t>(valueAt(text, 5));
    entry.day = static_cast<uint8_t>(valueAt(text, 8));
    for (uint8_t i = 0; i < 7; ++i) {
        if (text.compare(11, 2, kWeekdayCharacters + 2 * i, 2) == 0) {
            entry.weekday = i;
            break;
        }
    }
}

void parseTimeCell(ReservationEntry& entry, const std::string& text) {
    if (text.size() != 11) return;
    // Each value may run on over the separators ("12345678901"): 64-bit sums cannot overflow, and
    // the fields keep the low 16 bits.
    entry.start = static_cast<uint16_t>(valueAt(text, 0) * 60 + valueAt(text, 3));
    entry.end = static_cast<uint16_t>(valueAt(text, 6) * 60 + valueAt(text, 9));
    entry.timeText = text;
}

ReservationEntries parseReservationList(const std::string& body) {
    ReservationEntries list;
    MemorySource source(body);
    HtmlReader reader;
    reader.open(&source);
    for (;;) {
        ReservationEntry entry;
        std::string text;
        if (!reader.findStartTag("tr")) break;
        if (!reader.findStartTag("td") || !readCellText(reader, text)) break;
        entry.number = parseDecimal(text);
        if (!reader.findStartTag("img")) break;
        entry.enabled = reader.attribute("src") == kCheckOnImage;
        if (!reader.findStartTag("td") || !reader.findStartTag("a") || !readCellText(reader, entry.title)) break;

        for (int cell = 0; cell < 6; ++cell) {
            if (!reader.findStartTag("td") || !readCellText(reader, text)) break;
            switch (cell) {
            case 0: entry.channelText = text; break;
            case 1: parseDateCell(entry, text); break;
            case 2: parseTimeCell(entry, text); break;
            case 3: entry.extraText1 = text; break;
            case 4: entry.extraText2 = text; break;
            default: entry.extraText3 = text; break;
            }
        }
        if (entry.channelText.empty() || entry.channelText == kFreeSlotText) break;
        list.push_back(std::move(entry));
    }
    return list;
}

std::string lastFrameSource(const std::string& body) {
    MemorySource source(body);
    HtmlReader reader;
    reader.open(&source);
    std::string src;
    while (reader.findStartTag("frame")) src = reader.attribute("src");
    return src;
}

bool fetchReservationList(const ConfigStore& config, ReservationEntries& list, int timeoutMs) {
    std::string frameset;
    if (!getPage(config, kFramesetPath, timeoutMs, frameset)) return false;
    const std::string path =
        resolvePagePath(kFramesetPath, lastFrameSource(frameset), config.getHttpserver(), config.getHttpport());
    if (path.empty()) return false;
    std::string page;
    if (!getPage(config, path, timeoutMs, page)) return false;
    list = parseReservationList(page);
    return true;
}

int ReservationListJob::run() {
    ReservationEntries fresh;
    if (fetchReservationList(config_, fresh, timeoutMs_)) {
        list_.swap(fresh);
        fetched_ = true;
    }
    host_.postCompletion();
    return 1;
}

bool ReservationListJob::takeList(ReservationEntries& rows) {
    if (running() || !fetched_) return false;
    rows.swap(list_);
    list_.clear();
    fetched_ = false;
    return true;
}
