// The iEPG reader: content-type line, "key: value" header lines, then the body as the detail text.
// Two versions share these rules; they differ in the first line and in how the station is named:
// version 1 by its name ("station"), version 2 (digital broadcasting) by a service code ("station",
// such as "DFS00400") with the name beside it ("station-name").
#include "core/IepgReader.h"

#include <utility>

#include "platform/FileHandle.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "settings/Numbers.h"

namespace {

const char kContentTypeLine[] = "Content-type: application/x-tv-program-info; charset=Shift_JIS";
const char kDigitalContentTypeLine[] = "Content-type: application/x-tv-program-digital-info; charset=Shift_JIS";
constexpr size_t kClockLength = 5;  // "HH:MM"

enum class IepgState {
    ContentType,  // expecting the first line
    Headers,      // reading "key: value" lines up to an empty line or the end
    Fields,       // converting the collected values
    Body,         // the rest of the data is the detail
    Done,
    Failed,
};

// Ends the data after kMaxIepgBytes bytes and remembers whether more would have followed.
class CappedSource : public ByteSource {
public:
    explicit CappedSource(ByteSource& inner) : inner_(inner) {}
    int next() override {
        if (ended_) return -1;
        const int b = inner_.next();
        if (b < 0 || count_ == kMaxIepgBytes) {
            ended_ = true;
            exceeded_ = b >= 0;
            return -1;
        }
        ++count_;
        return b;
    }
    bool exceeded() const { return exceeded_; }
    bool failed() const override { return inner_.failed(); }

private:
    ByteSource& inner_;
    size_t count_ = 0;
    bool ended_ = false;
    bool exceeded_ = false;
};

// The header values this reader uses; a key seen again replaces the earlier value.
struct IepgHeaders {
    std::string station;
    std::string stationName;
    std::string year;
    std::string month;
    std::string date;
    std::string start;
    std::string end;
    std::string title;
    std::string subtitle;
};

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringAsciiCase(const std::string& text, const char* expected) {
    size_t i = 0;
    for (; expected[i] != '\0'; ++i) {
        if (i >= text.size() || asciiLower(text[i]) != asciiLower(expected[i])) return false;
    }
    return i == text.size();
}

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// "HH:MM" with exactly two ASCII digits on each side; no range check.
bool parseClock(const std::string& text, int32_t& hour, int32_t& minute) {
    if (text.size() != kClockLength || text[2] != ':') return false;
    if (!isAsciiDigit(text[0]) || !isAsciiDigit(text[1]) || !isAsciiDigit(text[3]) || !isAsciiDigit(text[4])) {
        return false;
    }
    hour = (text[0] - '0') * 10 + (text[1] - '0');
    minute = (text[3] - '0') * 10 + (text[4] - '0');
    return true;
}

// Stores one header line; false when it has no key (no colon, or a colon first).
bool storeHeader(const std::string& line, IepgHeaders& headers) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    size_t valueStart = colon + 1;
    while (valueStart < line.size() && line[valueStart] == ' ') ++valueStart;
    const std::string key = line.substr(0, colon);
    std::string* target = nullptr;
    if (key == "station") target = &headers.station;
    else if (key == "station-name") target = &headers.stationName;
    else if (key == "year") target = &headers.year;
    else if (key == "month") target = &headers.month;
    else if (key == "date") target = &headers.date;
    else if (key == "start") target = &headers.start;
    else if (key == "end") target = &headers.end;
    else if (key == "program-title") target = &headers.title;
    else if (key == "program-subtitle") target = &headers.subtitle;
    if (target != nullptr) target->assign(line, valueStart, std::string::npos);
    return true;
}

// An empty value would match the first position without a name or code; it names no channel.
const ChannelEntry* findStation(const IepgHeaders& headers, bool digital, const ChannelTable& channels) {
    if (!digital) return headers.station.empty() ? nullptr : channels.findByName(headers.station);
    if (!headers.station.empty()) {
        if (const ChannelEntry* entry = channels.findByStationCode(headers.station)) return entry;
    }
    return headers.stationName.empty() ? nullptr : channels.findByName(headers.stationName);
}

}  // namespace

bool readIepg(ByteSource& source, Reservation& reservation, const ChannelTable& channels,
              const ConfigStore& config) {
    CappedSource capped(source);
    LineReader lines(capped);
    IepgHeaders headers;
    Reservation result = reservation;  // filled completely before anything reaches the caller
    std::string line;
    bool digital = false;
    IepgState state = IepgState::ContentType;
    while (state != IepgState::Done && state != IepgState::Failed) {
        switch (state) {
            case IepgState::ContentType:
                if (!lines.readLine(line)) {
                    state = IepgState::Failed;
                } else {
                    digital = equalsIgnoringAsciiCase(line, kDigitalContentTypeLine);
                    state = digital || equalsIgnoringAsciiCase(line, kContentTypeLine) ? IepgState::Headers
                                                                                       : IepgState::Failed;
                }
                break;
            case IepgState::Headers:
                if (!lines.readLine(line) || line.empty()) {
                    state = IepgState::Fields;
                } else if (!storeHeader(line, headers)) {
                    state = IepgState::Failed;
                }
                break;
            case IepgState::Fields: {
                result.channel = findStation(headers, digital, channels);
                result.date = LocalTime{};
                result.date.year = static_cast<uint16_t>(parseLong32(headers.year, 0));
                result.date.month = static_cast<uint16_t>(parseLong32(headers.month, 10));
                result.date.day = static_cast<uint16_t>(parseLong32(headers.date, 10));
                const bool dateSet = result.date.year != 0 && result.date.month != 0 && result.date.day != 0;
                const bool timesSet = parseClock(headers.start, result.startHour, result.startMinute) &&
                                      parseClock(headers.end, result.endHour, result.endMinute);
                result.title = headers.title + headers.subtitle;
                result.detail.clear();
                result.genre = config.getGenre();
                state = dateSet && timesSet ? IepgState::Body : IepgState::Failed;
                break;
            }
            case IepgState::Body: {
                StringSink detail(result.detail);
                detail.pump(lines);
                state = IepgState::Done;
                break;
            }
            case IepgState::Done:
            case IepgState::Failed:
                break;
        }
    }
    // A read error is no end of file: what came before it may be a cut title or detail.
    if (state == IepgState::Failed || capped.exceeded() || capped.failed()) return false;
    reservation = std::move(result);
    return true;
}

bool readIepgFile(const std::string& path, Reservation& reservation, const ChannelTable& channels,
                  const ConfigStore& config) {
    FileHandle file;
    if (!file.openRead(path)) {
        // A file saved under a doubled extension is found under the shorter name.
        const size_t dot = path.rfind('.');
        if (dot == std::string::npos || !file.openRead(path.substr(0, dot))) return false;
    }
    BufferedReader reader(file);
    return readIepg(reader, reservation, channels, config);
}
