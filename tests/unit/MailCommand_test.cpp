// Reservation mail command lines, the mailto: URL and the mailer launch.
#include <gtest/gtest.h>

#include "core/MailCommand.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/FakeXdgOpen.h"
#include "tests/support/ReservationData.h"

namespace {

// Fixed parts of the command line when every number has two digits.
constexpr size_t kFixedCommandBytes = 26;

class MailCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        channel.code = 5;
        channel.name = "NHK";
        channel.mailCode = "15";
        reservation.channel = &channel;
        setSchedule(reservation, 2024, 3, 3, 21, 0, 22, 54);
    }

    std::vector<std::string> build() {
        std::vector<std::string> lines;
        built = buildMailCommand(reservation, config, lines);
        return lines;
    }

    ChannelEntry channel;
    Reservation reservation;
    ConfigStore config;
    bool built = false;
};

}  // namespace

TEST_F(MailCommandTest, CommandLineTitleAndDetail) {
    reservation.title = "\x83\x6a\x83\x85\x81\x5b\x83\x58";  // "ニュース"
    reservation.detail = "one\r\ntwo";
    const std::vector<std::string> lines = build();
    EXPECT_TRUE(built);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "open rdstyle tv SC15 2100 2254 0303");  // no year
    EXPECT_EQ(lines[1], reservation.title);
    EXPECT_EQ(lines[2], "one\r\ntwo");
}

TEST_F(MailCommandTest, PastMidnightHasNoDayMark) {
    reservation.startHour = 23;
    reservation.startMinute = 30;
    reservation.endHour = 0;
    reservation.endMinute = 30;
    reservation.date.month = 12;
    reservation.date.day = 31;
    EXPECT_EQ(build()[0], "open rdstyle tv SC15 2330 0030 1231");
}

TEST_F(MailCommandTest, UsesRduserSetting) {
    config.setRduser("alice");
    channel.mailCode = "";
    EXPECT_EQ(build()[0], "open alice tv SC 2100 2254 0303");
}

TEST_F(MailCommandTest, NumbersFormatLikePrintf) {
    reservation.startHour = 123;
    reservation.startMinute = -5;
    EXPECT_EQ(build()[0], "open rdstyle tv SC15 123-5 2254 0303");
}

TEST_F(MailCommandTest, RefusesReservationWithoutChannel) {
    reservation.channel = nullptr;
    std::vector<std::string> lines = {"stale"};
    EXPECT_FALSE(buildMailCommand(reservation, config, lines));
    EXPECT_TRUE(lines.empty());
}

TEST_F(MailCommandTest, AcceptsCommandLineOfExactly1023Bytes) {
    config.setRduser(std::string(990, 'u'));
    channel.mailCode = std::string(kMaxMailCommandLength - kFixedCommandBytes - 990, '7');
    const std::vector<std::string> lines = build();
    EXPECT_TRUE(built);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 1023u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 15), " 2100 2254 0303");
}

TEST_F(MailCommandTest, RefusesCommandLineOf1024Bytes) {
    config.setRduser(std::string(990, 'u'));
    channel.mailCode = std::string(kMaxMailCommandLength + 1 - kFixedCommandBytes - 990, '7');
    std::vector<std::string> lines = build();
    EXPECT_FALSE(built);
    EXPECT_TRUE(lines.empty());
}

TEST_F(MailCommandTest, LengthLimitCountsWideNumbers) {
    // Fits with two-digit numbers, but a three-digit hour adds the 1024th byte.
    config.setRduser(std::string(kMaxMailCommandLength - kFixedCommandBytes, 'u'));
    channel.mailCode = "";
    EXPECT_EQ(build()[0].size(), 1023u);
    reservation.endHour = 100;
    build();
    EXPECT_FALSE(built);
}

TEST_F(MailCommandTest, RefusesFarOverlongSettingsWithoutOverrun) {
    config.setRduser(std::string(5000, 'u'));
    channel.mailCode = std::string(5000, '1');
    build();
    EXPECT_FALSE(built);
}

TEST(MailtoUrl, EncodesEachLineAndEndsEveryLineWithCrLf) {
    const std::vector<std::string> lines = {"open rdstyle tv SC15 2100 2254 0303",
                                            "a b\x83\x5c\x83\x74\x83\x67",  // "a b" + "ソフト"
                                            "one\r\ntwo"};
    EXPECT_EQ(buildMailtoUrl(lines, "rd@example.jp", "me@example.jp"),
              "mailto:rd@example.jp?body="
              "open%20rdstyle%20tv%20SC15%202100%202254%200303%0D%0A"
              "a%20b%83\\%83t%83g%0D%0A"
              "one%0D%0Atwo%0D%0A"
              "&bcc=me@example.jp");
}

TEST(MailtoUrl, SameAddressesGiveNoBcc) {
    EXPECT_EQ(buildMailtoUrl({"x"}, "rd@example.jp", "rd@example.jp"), "mailto:rd@example.jp?body=x%0D%0A");
}

TEST(MailtoUrl, EmptyFromStillGivesBcc) {
    EXPECT_EQ(buildMailtoUrl({"x"}, "rd@example.jp", ""), "mailto:rd@example.jp?body=x%0D%0A&bcc=");
}

TEST(MailtoUrl, AddressesAreNotEncoded) {
    EXPECT_EQ(buildMailtoUrl({}, "a+b c@x", "d&e@y"), "mailto:a+b c@x?body=&bcc=d&e@y");
}

#ifndef _WIN32

TEST_F(MailCommandTest, LaunchMailerHandsExactUrlToOpener) {
    FakeXdgOpen fake;
    config.setTo("rd@example.jp");
    config.setFrom("me@example.jp");
    reservation.title = "a b";
    reservation.detail = "d";
    EXPECT_NE(launchMailer(reservation, config), 0);
    EXPECT_EQ(fake.recorded(),
              "1\nmailto:rd@example.jp?body=open%20rdstyle%20tv%20SC15%202100%202254%200303%0D%0A"
              "a%20b%0D%0Ad%0D%0A&bcc=me@example.jp");
}

TEST_F(MailCommandTest, LaunchMailerStartsNothingForRefusedReservation) {
    for (const char* refusal : {"no channel", "command line over 1023 bytes"}) {
        SCOPED_TRACE(refusal);
        FakeXdgOpen fake;
        if (refusal[0] == 'n') {
            reservation.channel = nullptr;
        } else {
            reservation.channel = &channel;
            config.setRduser(std::string(5000, 'u'));
            channel.mailCode = std::string(5000, '1');
        }
        EXPECT_EQ(launchMailer(reservation, config), 0);
        EXPECT_FALSE(fake.called());
    }
}

#endif  // _WIN32
