// The channel table: defaults, reading "channels.ini", lookups, and the exact saved bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

ChannelTable loadBytes(const TempDir& dir, const std::string& bytes) {
    const std::string path = dir.file("channels.ini");
    writeBytes(path, bytes);
    ChannelTable table;
    table.load(path);
    return table;
}

// The [channel] lines of the 75 default positions.
std::string defaultChannelLines() {
    std::string lines;
    for (int i = 1; i <= 64; ++i) lines += std::to_string(i) + "=CH" + std::to_string(i) + "\r\n";
    for (int i = 1; i <= 15; i += 2) lines += std::to_string(i + 100) + "=BS" + std::to_string(i) + "\r\n";
    for (int i = 1; i <= 3; ++i) lines += std::to_string(i + 200) + "=Line" + std::to_string(i) + "\r\n";
    return lines;
}

void expectEntry(const ChannelEntry* e, int32_t code, const std::string& label, const std::string& name,
                 const std::string& mailCode, const std::string& stationCode) {
    ASSERT_NE(e, nullptr) << code;
    EXPECT_EQ(e->code, code);
    EXPECT_EQ(e->label, label) << code;
    EXPECT_EQ(e->name, name) << code;
    EXPECT_EQ(e->mailCode, mailCode) << code;
    EXPECT_EQ(e->stationCode, stationCode) << code;
}

void expectKeysMatchCodes(const ChannelTable& table) {
    for (const auto& [code, e] : table) EXPECT_EQ(code, e.code);
}

}  // namespace

// ---- defaults ------------------------------------------------------------------------------

TEST(ChannelTableDefaults, NoFileGives75PositionsAndTheExactSavedFile) {
    TempDir dir;
    const std::string path = dir.file("channels.ini");
    ChannelTable table;
    table.load(path);
    EXPECT_EQ(table.path(), path);
    EXPECT_EQ(table.size(), 75u);
    EXPECT_FALSE(table.userDefined());
    expectEntry(table.findByCode(1), 1, "CH1", "", "", "");
    expectEntry(table.findByCode(64), 64, "CH64", "", "", "");
    expectEntry(table.findByCode(101), 101, "BS1", "", "", "");
    expectEntry(table.findByCode(115), 115, "BS15", "", "", "");
    expectEntry(table.findByCode(203), 203, "Line3", "", "", "");
    EXPECT_EQ(table.findByCode(102), nullptr);
    EXPECT_EQ(table.findByCode(0), nullptr);
    EXPECT_EQ(table.findByCode(65), nullptr);
    expectKeysMatchCodes(table);

    ASSERT_TRUE(table.save());
    EXPECT_EQ(readBytes(path), "[table]\r\n[channel]\r\n" + defaultChannelLines());
    EXPECT_FALSE(fs::exists(fs::u8path(path + ".tmp")));
}

TEST(ChannelTableDefaults, EmptyOrMissingChannelSectionGivesDefaults) {
    TempDir dir;
    const char* const files[] = {"", "[channel]\r\n", "[table]\r\nCH1=1,,NHK\r\n", "[channel]\r\n1=CH1",
                                 "[other]\r\n1=CH1\r\n", "1=CH1\r\n", "[channel\r\n1=CH1\r\n"};
    for (const char* f : files) {
        const ChannelTable table = loadBytes(dir, f);
        EXPECT_EQ(table.size(), 75u) << f;
        EXPECT_FALSE(table.userDefined()) << f;
        EXPECT_EQ(table.findByCode(1)->name, "") << f;
    }
}

TEST(ChannelTableDefaults, OversizedFileGivesDefaults) {
    TempDir dir;
    std::string bytes = "[channel]\r\n1=CH1\r\n";
    bytes += "pad=" + std::string(kMaxSettingsFileBytes, 'p') + "\r\n";
    const ChannelTable table = loadBytes(dir, bytes);
    EXPECT_EQ(table.size(), 75u);
    EXPECT_FALSE(table.userDefined());
}

// ---- loading -------------------------------------------------------------------------------

TEST(ChannelTableLoad, ChannelsWithoutTableHaveOnlyCodeAndLabel) {
    TempDir dir;
    const ChannelTable table = loadBytes(dir, "[channel]\r\n1=CH1\r\n101=BS1\r\n");
    EXPECT_EQ(table.size(), 2u);
    EXPECT_TRUE(table.userDefined());
    expectEntry(table.findByCode(1), 1, "CH1", "", "", "");
    expectEntry(table.findByCode(101), 101, "BS1", "", "", "");
}

TEST(ChannelTableLoad, TableValueFieldsSplitAtTheFirstTwoCommas) {
    TempDir dir;
    const ChannelTable table = loadBytes(dir,
                                         "[table]\r\n"
                                         "CH1=11,NHKG,NHK,Sogo\r\n"  // four fields: the name keeps the comma
                                         "CH2=12,ETV\r\n"            // two fields: no station code
                                         "CH3=13,JOAX,NTV\r\n"       // three fields
                                         "CH4=nocomma\r\n"           // no comma: nothing
                                         "CH5=\r\n"                  // empty: nothing
                                         "CH6=,\r\n"                 // empty fields
                                         "CH7=,,\r\n"
                                         "CH8= 8 , S , N \r\n"  // blanks are kept
                                         "[channel]\r\n"
                                         "1=CH1\r\n2=CH2\r\n3=CH3\r\n4=CH4\r\n5=CH5\r\n6=CH6\r\n7=CH7\r\n8=CH8\r\n");
    expectEntry(table.findByCode(1), 1, "CH1", "NHK,Sogo", "11", "NHKG");
    expectEntry(table.findByCode(2), 2, "CH2", "ETV", "12", "");
    expectEntry(table.findByCode(3), 3, "CH3", "NTV", "13", "JOAX");
    expectEntry(table.findByCode(4), 4, "CH4", "", "", "");
    expectEntry(table.findByCode(5), 5, "CH5", "", "", "");
    expectEntry(table.findByCode(6), 6, "CH6", "", "", "");
    expectEntry(table.findByCode(7), 7, "CH7", "", "", "");
    expectEntry(table.findByCode(8), 8, "CH8", " N ", " 8 ", " S ");
}

TEST(ChannelTableLoad, KeysReadAsDecimalLikeAtoi) {
    TempDir dir;
    const ChannelTable table =
        loadBytes(dir, "[channel]\r\nabc=Letters\r\n-3=Minus\r\n 9=Space\r\n12abc=Twelve\r\n010=Ten\r\n"
                       "0x11=Hex\r\n99999999999=Big\r\n");
    // Key order " 9" < "-3" < "010" < "0x11" < "12abc" < "99999999999" < "abc": "abc" is the later 0.
    expectEntry(table.findByCode(0), 0, "Letters", "", "", "");
    expectEntry(table.findByCode(-3), -3, "Minus", "", "", "");
    expectEntry(table.findByCode(9), 9, "Space", "", "", "");
    expectEntry(table.findByCode(12), 12, "Twelve", "", "", "");
    expectEntry(table.findByCode(10), 10, "Ten", "", "", "");
    expectEntry(table.findByCode(2147483647), 2147483647, "Big", "", "", "");
    EXPECT_EQ(table.size(), 6u);
    expectKeysMatchCodes(table);
}

TEST(ChannelTableLoad, LettersOnlyKeyGivesCodeZero) {
    TempDir dir;
    const ChannelTable table = loadBytes(dir, "[table]\r\nX=9,,Name\r\n[channel]\r\nabc=X\r\n");
    EXPECT_EQ(table.size(), 1u);
    expectEntry(table.findByCode(0), 0, "X", "Name", "9", "");
}

TEST(ChannelTableLoad, SameNumberTwiceKeepsTheLaterKeyInByteOrder) {
    TempDir dir;
    // Byte order of the keys: "07" < "10" < "2" < "7".
    const ChannelTable table = loadBytes(dir, "[channel]\r\n7=Seven\r\n07=Oh7\r\n2=Two\r\n10=Ten\r\n");
    EXPECT_EQ(table.size(), 3u);
    EXPECT_EQ(table.findByCode(7)->label, "Seven");
    const ChannelTable other = loadBytes(dir, "[channel]\r\n8=Eight\r\n8 =Later\r\n");
    EXPECT_EQ(other.findByCode(8)->label, "Later");
}

TEST(ChannelTableLoad, TableLineWithoutChannelIsIgnored) {
    TempDir dir;
    const ChannelTable table = loadBytes(dir, "[table]\r\nBS1=101,,BS\r\nCH1=1,,One\r\n[channel]\r\n1=CH1\r\n");
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.findByName("BS"), nullptr);
    EXPECT_EQ(table.findByName("One")->code, 1);
}

TEST(ChannelTableLoad, LabelsShareOneTableLine) {
    TempDir dir;
    const ChannelTable table = loadBytes(dir, "[table]\r\nX=1,s,N\r\n[channel]\r\n1=X\r\n2=X\r\n");
    expectEntry(table.findByCode(1), 1, "X", "N", "1", "s");
    expectEntry(table.findByCode(2), 2, "X", "N", "1", "s");
}

TEST(ChannelTableLoad, KeyMinusOneFillsTheEntryWithThatLabel) {
    // -1 is the "find by label" code of setEntry, so such a line is not inserted.
    TempDir dir;
    const ChannelTable table = loadBytes(dir, "[table]\r\nCH1=5,,Five\r\n[channel]\r\n-1=CH1\r\n1=CH1\r\n");
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.findByCode(-1), nullptr);
    expectEntry(table.findByCode(1), 1, "CH1", "Five", "5", "");
}

TEST(ChannelTableLoad, OnlyMinusOneKeysGiveDefaults) {
    TempDir dir;
    const ChannelTable table = loadBytes(dir, "[table]\r\nCH1=5,,Five\r\n[channel]\r\n-1=CH1\r\n-01=CH2\r\n");
    EXPECT_EQ(table.size(), 75u);
    EXPECT_FALSE(table.userDefined());
    EXPECT_EQ(table.findByCode(1)->name, "");
}

TEST(ChannelTableLoad, BrokenHeaderKeepsWhatCameBefore) {
    TempDir dir;
    const ChannelTable table = loadBytes(dir, "[channel]\r\n1=CH1\r\n[table\r\nCH1=1,,One\r\n2=CH2\r\n");
    EXPECT_EQ(table.size(), 1u);
    expectEntry(table.findByCode(1), 1, "CH1", "", "", "");
}

TEST(ChannelTableLoad, LoadReplacesEverythingBefore) {
    TempDir dir;
    ChannelTable table;
    table.setEntry({500, "X", "N", "M", "S"});
    const std::string path = dir.file("channels.ini");
    writeBytes(path, "[channel]\r\n3=CH3\r\n");
    table.load(path);
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.findByCode(500), nullptr);
    EXPECT_EQ(table.path(), path);
}

TEST(ChannelTableLoad, ThousandsOfLinesLoadCompletely) {
    TempDir dir;
    std::string bytes = "[table]\r\n";
    for (int i = 0; i < 20000; ++i) bytes += "L" + std::to_string(i) + "=m" + std::to_string(i) + ",s,n\r\n";
    bytes += "[channel]\r\n";
    for (int i = 0; i < 20000; ++i) bytes += std::to_string(i) + "=L" + std::to_string(i) + "\r\n";
    ASSERT_LT(bytes.size(), static_cast<size_t>(kMaxSettingsFileBytes));
    const ChannelTable table = loadBytes(dir, bytes);
    EXPECT_EQ(table.size(), 20000u);
    expectEntry(table.findByCode(19999), 19999, "L19999", "n", "m19999", "s");
    EXPECT_TRUE(table.userDefined());
}

// ---- setEntry and lookups ------------------------------------------------------------------

TEST(ChannelTableEdit, SetEntryReplacesInPlaceOrInserts) {
    ChannelTable table;
    table.setEntry({5, "CH5", "", "", ""});
    ChannelEntry* const before = table.findByCode(5);
    table.setEntry({5, "New", "Name", "M", "S"});
    EXPECT_EQ(table.findByCode(5), before);  // references into the table stay valid
    expectEntry(before, 5, "New", "Name", "M", "S");
    table.setEntry({-7, "Neg", "", "", ""});
    EXPECT_EQ(table.begin()->first, -7);  // signed order
    EXPECT_EQ(table.size(), 2u);
    EXPECT_TRUE(table.userDefined());
}

TEST(ChannelTableEdit, SetEntryByLabelChangesOnlyTheFirstMatch) {
    TempDir dir;
    ChannelTable table = loadBytes(dir, "[channel]\r\n3=X\r\n1=CH1\r\n2=X\r\n");
    table.setEntry({-1, "X", "Name", "Mail", "Station"});
    expectEntry(table.findByCode(2), 2, "X", "Name", "Mail", "Station");
    expectEntry(table.findByCode(3), 3, "X", "", "", "");
    EXPECT_EQ(table.findByCode(-1), nullptr);
}

TEST(ChannelTableEdit, SetEntryWithUnknownLabelChangesNothingButMarksUserDefined) {
    ChannelTable table;
    table.load("");
    ASSERT_FALSE(table.userDefined());
    const ChannelTable::Entries before = table.entries();
    table.setEntry({-1, "CH99", "Name", "M", "S"});
    EXPECT_TRUE(table.userDefined());
    EXPECT_EQ(table.size(), before.size());
    for (const auto& [code, e] : table) {
        EXPECT_EQ(e.name, "");
        EXPECT_EQ(e.label, before.at(code).label);
    }
}

TEST(ChannelTableEdit, SetEntryByLabelIsExact) {
    ChannelTable table;
    table.load("");
    table.setEntry({-1, "ch1", "lower", "", ""});
    table.setEntry({-1, "CH1 ", "blank", "", ""});
    EXPECT_EQ(table.findByCode(1)->name, "");
    table.setEntry({-1, "BS3", "NHK BS", "103", ""});
    expectEntry(table.findByCode(103), 103, "BS3", "NHK BS", "103", "");
}

TEST(ChannelTableLookup, FindByNameReturnsTheSmallestCode) {
    ChannelTable table;
    table.setEntry({30, "C", "NHK", "", ""});
    table.setEntry({-2, "A", "Other", "", ""});
    table.setEntry({10, "B", "NHK", "", ""});
    EXPECT_EQ(table.findByName("NHK")->code, 10);
    EXPECT_EQ(table.findByName("Other")->code, -2);
}

TEST(ChannelTableLookup, FindByNameIsByteExact) {
    ChannelTable table;
    table.setEntry({1, "CH1", "\x82\x6d\x82\x67\x82\x6a", "", ""});  // "ＮＨＫ"
    table.setEntry({2, "CH2", "", "", ""});
    EXPECT_EQ(table.findByName("\x82\x6d\x82\x67\x82\x6a")->code, 1);
    EXPECT_EQ(table.findByName("nhk"), nullptr);
    EXPECT_EQ(table.findByName("\x82\x6d\x82\x67\x82\x6a "), nullptr);
    EXPECT_EQ(table.findByName("")->code, 2);  // an empty name matches only the empty text
    const ChannelTable empty;
    EXPECT_EQ(empty.findByName(""), nullptr);
}

TEST(ChannelTableLookup, FindByCodeBothForms) {
    ChannelTable table;
    table.setEntry({4, "CH4", "", "", ""});
    const ChannelTable& constTable = table;
    EXPECT_EQ(constTable.findByCode(4), table.findByCode(4));
    EXPECT_EQ(constTable.findByCode(5), nullptr);
    table.findByCode(4)->name = "edited";  // the channel dialog edits in place
    EXPECT_EQ(constTable.findByName("edited")->code, 4);
}

// ---- saving --------------------------------------------------------------------------------

TEST(ChannelTableSave, GoldenFile) {
    TempDir dir;
    const std::string path = dir.file("channels.ini");
    ChannelTable table;
    table.load(path);
    table.setEntry({-1, "CH4", "\x82\x6d\x82\x67\x82\x6a", "4", "NHKG"});
    table.setEntry({-1, "BS1", "", "151", ""});
    table.setEntry({-1, "CH8", "Fuji, TV", "", ""});
    table.setEntry({-1, "CH9", "", "", "StationOnly"});
    table.setEntry({-5, "Neg", "N", "", ""});
    ASSERT_TRUE(table.save());
    const std::string channels = defaultChannelLines();
    EXPECT_EQ(readBytes(path),
              "[table]\r\n"
              "Neg=,,N\r\n"
              "CH4=4,NHKG,\x82\x6d\x82\x67\x82\x6a\r\n"
              "CH8=,,Fuji, TV\r\n"
              "BS1=151,,\r\n"
              "[channel]\r\n"
              "-5=Neg\r\n" +
                  channels);
}

TEST(ChannelTableSave, SaveAndLoadKeepEverythingButALoneStationCode) {
    TempDir dir;
    const std::string path = dir.file("channels.ini");
    ChannelTable table;
    table.load(path);
    table.setEntry({-1, "CH1", "One", "1", "S1"});
    table.setEntry({-1, "CH2", "", "2", ""});
    table.setEntry({-1, "CH3", "", "", "OnlyStation"});
    table.setEntry({-1, "CH5", "A,B,C", "5", "S5"});
    ASSERT_TRUE(table.save());
    ChannelTable again;
    again.load(path);
    EXPECT_TRUE(again.userDefined());
    EXPECT_EQ(again.size(), 75u);
    expectEntry(again.findByCode(1), 1, "CH1", "One", "1", "S1");
    expectEntry(again.findByCode(2), 2, "CH2", "", "2", "");
    expectEntry(again.findByCode(3), 3, "CH3", "", "", "");  // the station code is lost
    expectEntry(again.findByCode(5), 5, "CH5", "A,B,C", "5", "S5");
    const std::string first = readBytes(path);
    ASSERT_TRUE(again.save());
    EXPECT_EQ(readBytes(path), first);
}

TEST(ChannelTableSave, LongLinesAreWrittenInFull) {
    TempDir dir;
    const std::string path = dir.file("channels.ini");
    std::string name;
    for (int i = 0; i < 2500; ++i) name += "\x83\x65";  // 5000 bytes of Shift_JIS
    const std::string mail(3000, 'm');
    const std::string label(1500, 'L');
    ChannelTable table;
    table.load(path);
    table.setEntry({7, label, name, mail, "st"});
    ASSERT_TRUE(table.save());
    const std::string bytes = readBytes(path);
    EXPECT_NE(bytes.find(label + "=" + mail + ",st," + name + "\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n7=" + label + "\r\n"), std::string::npos);
    ChannelTable again;
    again.load(path);
    expectEntry(again.findByCode(7), 7, label, name, mail, "st");
    EXPECT_EQ(again.findByName(name)->code, 7);
}

TEST(ChannelTableSave, WithoutAPathNothingIsWritten) {
    ChannelTable table;
    table.setEntry({1, "CH1", "", "", ""});
    EXPECT_FALSE(table.save());
}

TEST(ChannelTableSave, FolderThatDoesNotExistFailsCleanly) {
    TempDir dir;
    const std::string path = dir.file("missing") + "/channels.ini";
    ChannelTable table;
    table.load(path);
    EXPECT_FALSE(table.save());
    EXPECT_FALSE(fs::exists(fs::u8path(path)));
    EXPECT_EQ(table.size(), 75u);
}

TEST(ChannelTableSave, FailedSaveLeavesTheOldFileByteIdentical) {
    TempDir dir;
    const std::string path = dir.file("channels.ini");
    const std::string old = "[table]\nCH1=1,,One\n[channel]\n1=CH1\n2=CH2";  // LF only, unfinished line
    writeBytes(path, old);
    ChannelTable table;
    table.load(path);
    table.setEntry({-1, "CH1", "Changed", "", ""});
    fs::create_directory(fs::u8path(path + ".tmp"));  // the new file cannot be created
    EXPECT_FALSE(table.save());
    EXPECT_EQ(readBytes(path), old);
    fs::remove(fs::u8path(path + ".tmp"));
    ASSERT_TRUE(table.save());
    EXPECT_EQ(readBytes(path), "[table]\r\nCH1=,,Changed\r\n[channel]\r\n1=CH1\r\n");
}

TEST(ChannelTableSave, WriteErrorLeavesTheOldFileByteIdentical) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    TempDir dir;
    const std::string path = dir.file("channels.ini");
    const std::string old = "[channel]\r\n1=CH1\r\n";
    writeBytes(path, old);
    std::error_code error;
    fs::create_symlink("/dev/full", fs::u8path(path + ".tmp"), error);
    if (error) GTEST_SKIP() << "no symbolic links here";
    ChannelTable table;
    table.load(path);
    table.setEntry({-1, "CH1", "x", "", ""});
    EXPECT_FALSE(table.save());
    EXPECT_EQ(readBytes(path), old);
}

TEST(ChannelTableSave, FileThatCouldNotBeLoadedIsKeptAsBakBeforeTheSave) {
    TempDir dir;
    const std::string path = dir.file("channels.ini");
    const std::string oversized = "[channel]\r\n1=CH1\r\npad=" + std::string(kMaxSettingsFileBytes, 'p') + "\r\n";
    writeBytes(path, oversized);
    writeBytes(path + ".bak", "older");
    ChannelTable table;
    table.load(path);
    table.setEntry({1, "CH1", "One", "", ""});
    ASSERT_TRUE(table.save());
    EXPECT_EQ(readBytes(path + ".bak"), oversized);
    const std::string saved = "[table]\r\nCH1=,,One\r\n[channel]\r\n" + defaultChannelLines();
    EXPECT_EQ(readBytes(path), saved);
    ASSERT_TRUE(table.save());  // a second save leaves the copy alone
    EXPECT_EQ(readBytes(path + ".bak"), oversized);
    EXPECT_EQ(readBytes(path), saved);
}
