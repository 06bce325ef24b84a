// The option tables behind the reservation's combo boxes, with their display texts and stored values.
#include "core/Reservation.h"

namespace {

// Manual video rates in tenths of Mbit/s: 1.4, then 2.0 to 9.2 in steps of 0.2.
constexpr int32_t kFirstManualRate = 14;
constexpr int32_t kLowManualRate = 20;
constexpr int32_t kHighManualRate = 92;
constexpr int32_t kManualRateStep = 2;

void addManualRate(std::vector<OptionItem>& items, int32_t tenths) {
    std::string text = "MN ";
    text += std::to_string(tenths / 10);
    text += '.';
    text += static_cast<char>('0' + tenths % 10);
    items.push_back({text, tenths * 100});  // the recorder takes kbit/s
}

std::vector<OptionItem> vrateItems() {
    std::vector<OptionItem> items = {
        {"SP 4.4/4.6", 1},
        {"LP 2.0/2.2", 2},
        {"\x83\x57\x83\x83\x83\x58\x83\x67", 4},  // ジャスト
    };
    addManualRate(items, kFirstManualRate);
    for (int32_t tenths = kLowManualRate; tenths <= kHighManualRate; tenths += kManualRateStep) {
        addManualRate(items, tenths);
    }
    return items;
}

}  // namespace

size_t OptionTable::indexOfValue(int32_t value) const {
    size_t found = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].value == value) found = i;
    }
    return found;
}

const OptionTable& discOptions() {
    static const OptionTable table({
        {"HDD", 0},
        {"DVD", 1},
        {"AB\x96\xca", 2},  // AB面
    });
    return table;
}

const OptionTable& dvdrOptions() {
    static const OptionTable table({
        {"\x90\xd8", 1},                      // 切
        {"\x8e\xe5\x89\xb9\x90\xba", 4},      // 主音声
        {"\x95\x9b\x89\xb9\x90\xba", 5},      // 副音声
    });
    return table;
}

const OptionTable& vrateOptions() {
    static const OptionTable table(vrateItems());
    return table;
}

const OptionTable& amodeOptions() {
    static const OptionTable table({
        {"D1", 1},
        {"D2", 2},
        {"L-PCM", 3},
    });
    return table;
}

const OptionTable& genreOptions() {
    static const OptionTable table({
        {"\x83\x57\x83\x83\x83\x93\x83\x8b\x82\xc8\x82\xb5", kNoGenre},                          // ジャンルなし
        {"\x89\x66\x89\xe6\x91\x53\x94\xca", 0},                                                 // 映画全般
        {"\x89\xb9\x8a\x79\x91\x53\x94\xca", 1},                                                 // 音楽全般
        {"\x83\x68\x83\x89\x83\x7d\x91\x53\x94\xca", 2},                                         // ドラマ全般
        {"\x83\x41\x83\x6a\x83\x81/\x93\xc1\x8e\x42\x91\x53\x94\xca", 3},                        // アニメ/特撮全般
        {"\x83\x58\x83\x7c\x81\x5b\x83\x63\x91\x53\x94\xca", 4},                                 // スポーツ全般
        {"\x83\x68\x83\x4c\x83\x85\x83\x81\x83\x93\x83\x5e\x83\x8a\x8b\xb3\x97\x7b\x91\x53\x94\xca",
         5},                                                                                     // ドキュメンタリ教養全般
        {"\x8c\x80\x8f\xea\x8c\xf6\x89\x89\x91\x53\x94\xca", 6},                                 // 劇場公演全般
        {"\x8e\xef\x96\xa1\x8b\xb3\x88\xe7\x91\x53\x94\xca", 7},                                 // 趣味教育全般
        {"\x83\x6f\x83\x89\x83\x47\x83\x65\x83\x42\x91\x53\x94\xca", 8},                         // バラエティ全般
        {"\x82\xbb\x82\xcc\x91\xbc", 9},                                                         // その他
    });
    return table;
}

const OptionTable& bookingActionOptions() {
    static const OptionTable table({
        {"\x89\xbd\x82\xe0\x82\xb5\x82\xc8\x82\xa2", static_cast<int32_t>(BookingAction::DoNothing)},     // 何もしない
        {"\x83\x81\x81\x5b\x83\x8b\x91\x97\x90\x4d", static_cast<int32_t>(BookingAction::SendMail)},      // メール送信
        {"HTTP\x91\x97\x90\x4d", static_cast<int32_t>(BookingAction::SendHttp)},                          // HTTP送信
        {"\x83\x81\x81\x5b\x83\x89\x8b\x4e\x93\xae", static_cast<int32_t>(BookingAction::LaunchMailer)},  // メーラ起動
    });
    return table;
}

const OptionTable& smtpauthOptions() {
    static const OptionTable table({
        {"SMTP\x94\x46\x8f\xd8", 1},                   // SMTP認証
        {"POP(APOP) before SMTP", 3},
        {"POP(USER,PASS) before SMTP", 2},
        {"\x94\x46\x8f\xd8\x82\xc8\x82\xb5", 0},       // 認証なし
    });
    return table;
}
