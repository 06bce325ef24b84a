// Splitting the command-line text into arguments and reading the reservation from them.
#include "core/CommandLine.h"

#include <utility>

#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "settings/Numbers.h"

namespace {

enum class SplitState {
    Between,       // outside any argument
    QuoteOpened,   // just after an opening quote, nothing collected yet
    InQuotes,      // inside a quoted part
    QuoteClosed,   // just after a closing quote
    Bare,          // inside an argument that did not start with a quote
};

constexpr size_t kStationArgument = 0;
constexpr size_t kDateArgument = 1;
constexpr size_t kStartArgument = 2;
constexpr size_t kEndArgument = 3;
constexpr size_t kTitleArgument = 5;
constexpr size_t kDetailArgument = 6;
constexpr size_t kGenreArgument = 7;

const std::string& argumentAt(const std::vector<std::string>& arguments, size_t index) {
    static const std::string kEmpty;
    return index < arguments.size() ? arguments[index] : kEmpty;
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& text) {
    std::vector<std::string> arguments;
    std::string current;
    SplitState state = SplitState::Between;
    for (const char c : text) {
        const bool quote = c == '"';
        const bool space = c == ' ';
        switch (state) {
            case SplitState::Between:
                if (quote) {
                    state = SplitState::QuoteOpened;
                } else if (!space) {
                    current.push_back(c);
                    state = SplitState::Bare;
                }
                break;
            case SplitState::QuoteOpened:
                if (quote) {
                    state = SplitState::QuoteClosed;
                } else {
                    current.push_back(c);
                    state = SplitState::InQuotes;
                }
                break;
            case SplitState::InQuotes:
                if (quote) {
                    state = SplitState::QuoteClosed;
                } else {
                    current.push_back(c);
                }
                break;
            case SplitState::QuoteClosed:
                if (space) {
                    arguments.push_back(std::move(current));
                    current.clear();
                    state = SplitState::Between;
                } else {
                    current.push_back(c);  // a second quote is a literal one; anything else reopens quoting
                    state = SplitState::InQuotes;
                }
                break;
            case SplitState::Bare:
                if (space) {
                    arguments.push_back(std::move(current));
                    current.clear();
                    state = SplitState::Between;
                } else {
                    current.push_back(c);
                }
                break;
        }
    }
    if (state == SplitState::Bare || state == SplitState::QuoteClosed) arguments.push_back(std::move(current));
    return arguments;
}

void fillFromArguments(const std::vector<std::string>& arguments, Reservation& reservation,
                       const ChannelTable& channels, const ConfigStore& config) {
    const std::string& station = argumentAt(arguments, kStationArgument);
    // An empty station would match the first unnamed channel position; it names no channel.
    reservation.channel = station.empty() ? nullptr : channels.findByName(station);

    // Division truncates toward zero, so a negative number gives negative parts; the casts wrap
    // every part modulo 2^16 into the record's 16-bit members, which is defined for any input.
    const int32_t date = parseDecimal(argumentAt(arguments, kDateArgument));
    reservation.date = LocalTime{};
    reservation.date.day = static_cast<uint16_t>(date % 100);
    reservation.date.month = static_cast<uint16_t>(date / 100 % 100);
    reservation.date.year = static_cast<uint16_t>(date / 10000);

    const int32_t start = parseDecimal(argumentAt(arguments, kStartArgument));
    reservation.startHour = start / 100;
    reservation.startMinute = start % 100;
    const int32_t end = parseDecimal(argumentAt(arguments, kEndArgument));
    reservation.endHour = end / 100;
    reservation.endMinute = end % 100;

    reservation.title = argumentAt(arguments, kTitleArgument);
    reservation.detail = argumentAt(arguments, kDetailArgument);
    reservation.genre = arguments.size() > kGenreArgument ? parseDecimal(arguments[kGenreArgument]) : config.getGenre();
}

void fillDefault(Reservation& reservation, const ConfigStore& config, const LocalTime& now) {
    reservation.channel = nullptr;
    reservation.date = now;
    reservation.startHour = now.hour;
    reservation.startMinute = now.minute;
    reservation.endHour = (now.hour + 1) % 24;
    reservation.endMinute = now.minute;
    reservation.title.clear();
    reservation.detail.clear();
    reservation.genre = config.getGenre();
}

void fillDefault(Reservation& reservation, const ConfigStore& config) {
    fillDefault(reservation, config, currentLocalTime());
}
