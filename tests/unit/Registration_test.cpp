// The registration form body (field order, encoding, the optional bExec pair) and the list match
// that settles an unclear answer.
#include <gtest/gtest.h>

#include "recorder/Registration.h"
#include "settings/ChannelTable.h"
#include "tests/support/ReservationData.h"

namespace {

Reservation sample(const ChannelEntry& channel) {
    Reservation r;
    r.channel = &channel;
    setSchedule(r, 2004, 1, 31, 21, 5, 22, 54);
    r.title = "A B\x83\x5c";      // "A Bソ": a blank and a 0x5C trail byte
    r.detail = "line1\r\nline2";
    r.disc = 1;
    r.dvdr = 4;
    r.vrate = 3000;
    r.amode = 2;
    r.genre = 10;
    r.bExec = 1;
    r.bAutoChapter = 0;
    r.bVPerform = 1;
    return r;
}

}  // namespace

TEST(RegistrationForm, SeventeenFieldsInTheRecordersOrder) {
    ChannelEntry ch4;
    ch4.code = 4;
    ch4.label = "CH4";
    EXPECT_EQ(buildRegistrationForm(sample(ch4)),
              "bExec=ON&title_name=A%20B%83\\&channel=4&disc=1&dvdr=4&date=2004%2F01%2F31&vrate=3000"
              "&start_hour=21&start_minute=5&amode=2&bVPerform=1&bAutoChapter=0&end_hour=22&end_minute=54"
              "&genre=10&detail=line1%0D%0Aline2&end_form=0");
}

TEST(RegistrationForm, DisabledReservationLeavesOutBExec) {
    ChannelEntry bs3;
    bs3.code = 103;
    Reservation r = sample(bs3);
    r.bExec = 0;
    const std::string body = buildRegistrationForm(r);
    EXPECT_EQ(body.rfind("title_name=", 0), 0u);
    EXPECT_NE(body.find("&channel=103&"), std::string::npos);
    EXPECT_EQ(body.find("bExec"), std::string::npos);
}

TEST(RegistrationForm, StepTexts) {
    EXPECT_EQ(registrationStepText(1), "\x93\x6f\x98\x5e\x8f\x88\x97\x9d(1/4)");
    EXPECT_EQ(registrationStepText(4), "\x93\x6f\x98\x5e\x8f\x88\x97\x9d(4/4)");
}

TEST(RegistrationListCheck, OnlyTheBookedDayTimesAndChannelMatch) {
    const ChannelEntry ch4 = channelEntry(4, "\x82\xdd\x82\xc8\x82\xc6");  // みなと
    Reservation r = sample(ch4);
    setSchedule(r, 2027, 3, 3, 23, 30, 0, 15);  // past midnight: the end is the smaller
    const BookedProgramme booked = bookedProgramme(r);
    const char* const day = "2027/03/03(\x90\x85)";  // (水)
    struct Row {
        const char* what;
        std::string channel, date, time;
        bool found;
    };
    const Row rows[] = {
        {"by label", "CH4", day, "23:30-00:15", true},
        {"by name", ch4.name, day, "23:30-00:15", true},
        {"another channel", "CH1", day, "23:30-00:15", false},
        {"another day", "CH4", "2027/03/04(\x96\xd8)", "23:30-00:15", false},
        {"another start", "CH4", day, "23:31-00:15", false},
        {"another end", "CH4", day, "23:30-00:16", false},
    };
    for (const Row& row : rows) {
        ReservationEntry entry;
        entry.channelText = row.channel;
        parseDateCell(entry, row.date);
        parseTimeCell(entry, row.time);
        EXPECT_EQ(listHoldsProgramme({ReservationEntry(), entry}, booked), row.found) << row.what;
    }
}
