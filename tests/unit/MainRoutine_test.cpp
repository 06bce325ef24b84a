// The main routine's command-line decisions: keywords, iEPG file, positional form, default, mailer.
#include <gtest/gtest.h>

#include "core/MainRoutine.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/ReservationData.h"
#include "tests/support/TempDir.h"

namespace {

using Args = std::vector<std::string>;

const std::string kStationSjis = "\x83\x65\x83\x58\x83\x67\x8b\xc7";  // テスト局
const std::string kStationUtf8 = "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\xe5\xb1\x80";  // テスト局
const std::string kTitleSjis = "\x94\xd4\x91\x67";                          // 番組
const std::string kTitleUtf8 = "\xe7\x95\xaa\xe7\xb5\x84";                  // 番組
const std::string kGrinningFace = "\xf0\x9f\x98\x80";                       // U+1F600, not in Shift_JIS

std::string iepgFile(const std::string& station) {
    return "Content-type: application/x-tv-program-info; charset=Shift_JIS\r\n"
           "version: 1\r\nstation: " + station + "\r\nyear: 2004\r\nmonth: 1\r\ndate: 31\r\n"
           "start: 21:30\r\nend: 22:45\r\nprogram-title: " + kTitleSjis + "\r\n\r\nbody";
}

class MainRoutine : public ::testing::Test {
protected:
    MainRoutine() {
        channels.setEntry(channelEntry(3, kStationSjis));
        channels.setEntry(channelEntry(5, "NHK"));
        config.setGenre(4);
        actions.openRemote = [this] { opened.push_back("remote"); };
        actions.openReservationList = [this] { opened.push_back("list"); };
        actions.launchMailer = [this](const Reservation& r) {
            opened.push_back("mailer:" + (r.channel ? r.channel->label : "-") + ":" + r.title);
            return launchResult;
        };
    }

    // applyCommandLine on a reservation holding a recognisable title.
    bool apply(const Args& args) {
        reservation = Reservation();
        reservation.title = "untouched";
        return applyCommandLine(args, reservation, channels, config, actions);
    }

    // The default reservation: no channel, empty texts, the configured genre, one hour from now.
    void expectDefault() {
        EXPECT_EQ(reservation.channel, nullptr);
        EXPECT_EQ(reservation.title, "");
        EXPECT_EQ(reservation.genre, 4);
        EXPECT_NE(reservation.date.year, 0);
        EXPECT_EQ(reservation.endHour, (reservation.startHour + 1) % 24);
        EXPECT_EQ(reservation.endMinute, reservation.startMinute);
    }

    std::string writeIepg(const std::string& utf8Name, const std::string& station) {
        const std::string path = folder.file(utf8Name);
        EXPECT_TRUE(writeBytes(path, iepgFile(station)));
        return path;
    }

    ChannelTable channels;
    ConfigStore config;
    StartActions actions;
    Reservation reservation;
    std::vector<std::string> opened;
    int launchResult = 1;
    TempDir folder{"pelorane-main"};
};

TEST_F(MainRoutine, KeywordsOpenTheirDialogAndEndTheRun) {
    EXPECT_TRUE(apply({"?REMOTE"}));
    EXPECT_TRUE(apply({"?RECLIST"}));
    EXPECT_EQ(opened, (Args{"remote", "list"}));
    EXPECT_EQ(reservation.title, "untouched");
}

TEST_F(MainRoutine, KeywordsAreCaseSensitiveAndTriedAsPaths) {
    EXPECT_FALSE(apply({"?remote"}));
    EXPECT_TRUE(opened.empty());
    expectDefault();
}

TEST_F(MainRoutine, OtherArgumentCountsGiveTheDefault) {
    for (const Args& args : {Args{}, Args{"?REMOTE", "x"}, Args{"a", "b", "c", "d", "e", "f"}}) {
        SCOPED_TRACE(args.size());
        EXPECT_FALSE(apply(args));
        expectDefault();
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(MainRoutine, IepgFileAtUtf8PathFillsTheReservation) {
    const std::string path = writeIepg("\xe7\x95\xaa\xe7\xb5\x84 1.iepg", kStationSjis);  // "番組 1.iepg"
    EXPECT_FALSE(apply({path}));
    ASSERT_NE(reservation.channel, nullptr);
    EXPECT_EQ(reservation.channel->code, 3);
    EXPECT_EQ(reservation.title, kTitleSjis);
    EXPECT_EQ(reservation.startHour * 100 + reservation.startMinute, 2130);
    EXPECT_TRUE(opened.empty());  // bootexec 0 launches nothing
}

TEST_F(MainRoutine, UnreadableIepgFileGivesTheDefault) {
    const std::string path = folder.file("bad.iepg");
    ASSERT_TRUE(writeBytes(path, "Content-type: text/plain\r\n\r\n"));
    EXPECT_FALSE(apply({path}));
    expectDefault();
    EXPECT_FALSE(apply({folder.file("missing.iepg")}));
    expectDefault();
}

TEST_F(MainRoutine, MailerStartsOnlyWithChannelAndBootexecOne) {
    const std::string known = writeIepg("known.iepg", kStationSjis);
    const std::string unknown = writeIepg("unknown.iepg", "ABC");
    config.setBootexec(static_cast<int32_t>(BookingAction::LaunchMailer));
    EXPECT_TRUE(apply({known}));
    EXPECT_FALSE(apply({unknown}));  // no channel: the dialog opens instead
    EXPECT_EQ(opened, (Args{"mailer:CH3:" + kTitleSjis}));

    // The dialog acts on 2 and 3 itself; here they launch nothing.
    for (const BookingAction action : {BookingAction::SendMail, BookingAction::SendHttp, BookingAction::DoNothing}) {
        config.setBootexec(static_cast<int32_t>(action));
        EXPECT_FALSE(apply({known}));
    }
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(MainRoutine, FailedMailerLaunchKeepsTheReservationForTheDialog) {
    config.setBootexec(static_cast<int32_t>(BookingAction::LaunchMailer));
    launchResult = 0;
    EXPECT_FALSE(apply({writeIepg("known.iepg", kStationSjis)}));
    ASSERT_NE(reservation.channel, nullptr);
    EXPECT_EQ(reservation.title, kTitleSjis);
}

TEST_F(MainRoutine, PositionalTextArgumentsAreConvertedToShiftJis) {
    EXPECT_FALSE(apply({kStationUtf8, "20040131", "2130", "2245", "x", kTitleUtf8, "d", "7"}));
    ASSERT_NE(reservation.channel, nullptr);
    EXPECT_EQ(reservation.channel->code, 3);
    EXPECT_EQ(reservation.title, kTitleSjis);
    EXPECT_EQ(reservation.detail, "d");
    EXPECT_EQ(reservation.date.day, 31);
    EXPECT_EQ(reservation.endHour, 22);
    EXPECT_EQ(reservation.genre, 7);
}

TEST_F(MainRoutine, PositionalFormWithKnownStationLaunchesTheMailer) {
    config.setBootexec(static_cast<int32_t>(BookingAction::LaunchMailer));
    EXPECT_TRUE(apply({"NHK", "20040131", "2130", "2245", "", kTitleUtf8, ""}));
    EXPECT_EQ(opened, (Args{"mailer:CH5:" + kTitleSjis}));
    EXPECT_EQ(reservation.genre, 4);  // seven arguments: the configured genre
}

TEST_F(MainRoutine, CharactersWithoutShiftJisFormBecomeQuestionMarks) {
    EXPECT_EQ(argumentToSjis("plain 123"), "plain 123");
    EXPECT_EQ(argumentToSjis(kTitleUtf8), kTitleSjis);
    EXPECT_EQ(argumentToSjis(kTitleUtf8 + kGrinningFace + "!"), kTitleSjis + "?!");
    EXPECT_EQ(argumentToSjis("a\xff" "b"), "a?b");  // a stray byte is one unknown character
    EXPECT_EQ(argumentToSjis("a\xe7\x95"), "a?");      // a cut sequence at the end as well
    EXPECT_EQ(argumentToSjis(""), "");
}

}  // namespace
