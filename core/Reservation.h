// One recording to book, and the option tables behind its combo boxes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"

struct ChannelEntry;

using GenreCode = int32_t;
constexpr GenreCode kNoGenre = 10;  // "ジャンルなし"

// The values of the settings "bootexec" and "okbutton".
enum class BookingAction : int32_t {
    DoNothing = 0,
    LaunchMailer = 1,
    SendMail = 2,
    SendHttp = 3,
};

struct Reservation {
    const ChannelEntry* channel = nullptr;  // an entry of the application's ChannelTable, or none
    LocalTime date;
    int32_t startHour = 0;
    int32_t startMinute = 0;
    int32_t endHour = 0;
    int32_t endMinute = 0;
    std::string title;   // Shift_JIS
    std::string detail;  // Shift_JIS, may hold CR LF
    int32_t disc = 0;
    int32_t dvdr = 0;
    int32_t vrate = 0;
    GenreCode genre = kNoGenre;
    int32_t amode = 0;
    int32_t bExec = 1;
    int32_t bAutoChapter = 1;
    int32_t bVPerform = 1;
};

struct OptionItem {
    std::string text;  // Shift_JIS
    int32_t value;
};

// Ordered (display text, value) pairs behind one combo box.
class OptionTable {
public:
    explicit OptionTable(std::vector<OptionItem> items) : items_(std::move(items)) {}
    const std::vector<OptionItem>& items() const { return items_; }
    size_t size() const { return items_.size(); }
    const OptionItem& operator[](size_t i) const { return items_[i]; }
    // The entry a combo box shows for a stored value: the last entry with that value, else the first.
    size_t indexOfValue(int32_t value) const;

private:
    std::vector<OptionItem> items_;
};

const OptionTable& discOptions();
const OptionTable& dvdrOptions();
const OptionTable& vrateOptions();
const OptionTable& amodeOptions();
const OptionTable& genreOptions();
const OptionTable& bookingActionOptions();
// The "認証" choices of the mail settings, in display order.
const OptionTable& smtpauthOptions();
