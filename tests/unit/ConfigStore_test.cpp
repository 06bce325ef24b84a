// The INI store: loader rules byte by byte, typed getters, exact saved bytes and safe replacement.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "io/Streams.h"
#include "settings/ConfigStore.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

bool exists(const std::string& path) { return fs::exists(fs::u8path(path)); }

// Loads the bytes from a file into a fresh store; result of load in *ok.
ConfigStore loadBytes(const TempDir& dir, const std::string& bytes, bool* ok = nullptr) {
    const std::string path = dir.file("Pelorane.ini");
    writeBytes(path, bytes);
    ConfigStore store;
    const bool result = store.load(path);
    if (ok) *ok = result;
    return store;
}

using Sections = std::map<std::string, ConfigStore::Section>;

}  // namespace

// ---- loading -------------------------------------------------------------------------------

TEST(ConfigStoreLoad, KeyBeforeAnyHeaderBelongsToTheEmptySection) {
    TempDir dir;
    bool ok = false;
    const ConfigStore store = loadBytes(dir, "smtpport=0x19\r\n", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(store.sections(), (Sections{{"", {{"smtpport", "0x19"}}}}));
    EXPECT_EQ(store.getSmtpport(), 25);  // the default, not the value: it is not in "config"
    EXPECT_EQ(store.getInt("", "smtpport", 0), 25);
}

TEST(ConfigStoreLoad, IntegerValuesUnderConfigUseAutomaticBase) {
    TempDir dir;
    const struct {
        const char* value;
        int32_t expected;
    } cases[] = {{"0x19", 25}, {"031", 25}, {"25", 25}, {"", 0}, {"abc", 0}, {"-5", -5}, {" 7", 7}, {"8x", 8}};
    for (const auto& c : cases) {
        const ConfigStore store = loadBytes(dir, std::string("[config]\r\nsmtpport=") + c.value + "\r\n");
        EXPECT_EQ(store.getSmtpport(), c.expected) << "value \"" << c.value << "\"";
    }
}

TEST(ConfigStoreLoad, KeyLineWithoutEqualsHasEmptyValueAndReadsZero) {
    TempDir dir;
    const ConfigStore store = loadBytes(dir, "[config]\nsmtpport\n");
    EXPECT_EQ(store.getString("config", "smtpport", "x"), "");
    EXPECT_EQ(store.getSmtpport(), 0);
}

TEST(ConfigStoreLoad, NothingIsTrimmed) {
    TempDir dir;
    const ConfigStore store = loadBytes(dir, "[ config ]\r\n[config]\r\nto = rd@example.jp \r\n");
    EXPECT_EQ(store.getTo(), "");  // the key is "to " and the value " rd@example.jp "
    EXPECT_EQ(store.getString("config", "to ", ""), " rd@example.jp ");
    EXPECT_EQ(store.sections().count(" config "), 0u);  // the header alone creates no section
}

TEST(ConfigStoreLoad, LastOccurrenceOfAKeyWins) {
    TempDir dir;
    const ConfigStore store = loadBytes(dir, "[config]\r\nhttpport=81\r\nhttpport=82\r\n");
    EXPECT_EQ(store.getHttpport(), 82);
    EXPECT_EQ(store.sections(), (Sections{{"config", {{"httpport", "82"}}}}));
}

TEST(ConfigStoreLoad, RepeatedSectionHeadersMerge) {
    TempDir dir;
    const ConfigStore store = loadBytes(dir, "[a]\nx=1\n[b]\ny=2\n[a]\nz=3\nx=4\n");
    EXPECT_EQ(store.sections(), (Sections{{"a", {{"x", "4"}, {"z", "3"}}}, {"b", {{"y", "2"}}}}));
}

TEST(ConfigStoreLoad, HeaderWithoutClosingBracketStopsTheLoad) {
    TempDir dir;
    bool ok = true;
    const ConfigStore store = loadBytes(dir, "before=1\r\n[config\r\nsmtpport=26\r\n", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(store.sections(), (Sections{{"", {{"before", "1"}}}}));
    EXPECT_EQ(store.getSmtpport(), 25);
}

TEST(ConfigStoreLoad, HeaderWithoutBracketAtEndOfFileIsNoError) {
    TempDir dir;
    bool ok = false;
    const ConfigStore store = loadBytes(dir, "a=1\n[config", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(store.sections(), (Sections{{"", {{"a", "1"}}}}));
}

TEST(ConfigStoreLoad, LastLineWithoutLineFeedIsLost) {
    TempDir dir;
    bool ok = false;
    const ConfigStore store = loadBytes(dir, "[config]\r\nhttpport=81\r\nsmtpport=26", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(store.getHttpport(), 81);
    EXPECT_EQ(store.getSmtpport(), 25);
    EXPECT_EQ(store.sections().at("config").count("smtpport"), 0u);
}

TEST(ConfigStoreLoad, CarriageReturnsAreDroppedEverywhere) {
    TempDir dir;
    const ConfigStore store = loadBytes(dir, "\r[con\rfig]\r\r\nfr\rom=a\r@b\r\n\r\r\n");
    EXPECT_EQ(store.sections(), (Sections{{"config", {{"from", "a@b"}}}}));
}

TEST(ConfigStoreLoad, BytesAfterTheClosingBracketAreIgnored) {
    TempDir dir;
    const ConfigStore store = loadBytes(dir, "[config]x=1 ] [y\nk=v\n");
    EXPECT_EQ(store.sections(), (Sections{{"config", {{"k", "v"}}}}));
}

TEST(ConfigStoreLoad, CommentsAndOddLineStartsBecomeKeys) {
    TempDir dir;
    const ConfigStore store = loadBytes(dir, "[s]\n;note=1\n]x=2\n==3\n#\n\n\nk=a=b[c]\n");
    EXPECT_EQ(store.sections(),
              (Sections{{"s", {{";note", "1"}, {"]x", "2"}, {"=", "3"}, {"#", ""}, {"k", "a=b[c]"}}}}));
}

TEST(ConfigStoreLoad, EmptyHeaderNamesTheEmptySection) {
    TempDir dir;
    const ConfigStore store = loadBytes(dir, "[x]\na=1\n[]\nb=2\n");
    EXPECT_EQ(store.sections(), (Sections{{"", {{"b", "2"}}}, {"x", {{"a", "1"}}}}));
}

TEST(ConfigStoreLoad, ShiftJisAndBinaryBytesAreKept) {
    TempDir dir;
    const std::string value("\x83\x5c\x83\x74\x83\x67\x00\xff", 8);  // trail byte 0x5C, a NUL
    const ConfigStore store = loadBytes(dir, "[config]\r\npelorane=" + value + "\r\n");
    EXPECT_EQ(store.getPelorane(), value);
}

TEST(ConfigStoreLoad, LinesAcrossReadBufferBoundariesAreWhole) {
    TempDir dir;
    std::string bytes = "[config]\r\n";
    ConfigStore::Section expected;
    for (int i = 0; i < 300; ++i) {
        const std::string key = "key" + std::to_string(1000 + i);
        const std::string value(static_cast<size_t>(i % 37), static_cast<char>('a' + i % 26));
        bytes += key + "=" + value + "\r\n";
        expected[key] = value;
    }
    const std::string longValue(5000, 'L');
    bytes += "long=" + longValue + "\r\n";
    expected["long"] = longValue;
    ASSERT_GT(bytes.size(), 3 * 1024u);
    const ConfigStore store = loadBytes(dir, bytes);
    EXPECT_EQ(store.sections(), (Sections{{"config", expected}}));
}

TEST(ConfigStoreLoad, EveryTruncationKeepsExactlyTheCompleteLines) {
    TempDir dir;
    const std::string full = "lead=0\r\n[config]\r\nsmtpport=0x19\r\nto=x@y\r\n\r\n[other]\r\nk\r\nk2=v=w\r\n";
    for (size_t n = 0; n <= full.size(); ++n) {
        const std::string prefix = full.substr(0, n);
        const size_t lastLf = prefix.rfind('\n');
        const std::string complete = lastLf == std::string::npos ? "" : prefix.substr(0, lastLf + 1);
        bool ok = false;
        const ConfigStore truncated = loadBytes(dir, prefix, &ok);
        EXPECT_TRUE(ok) << n;
        const ConfigStore reference = loadBytes(dir, complete);
        EXPECT_EQ(truncated.sections(), reference.sections()) << "prefix of " << n << " bytes";
    }
}

TEST(ConfigStoreLoad, BinaryGarbageLoadsWithoutHarm) {
    TempDir dir;
    std::mt19937 random(12345);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(2000, '\0');
        for (char& c : bytes) c = static_cast<char>(random() & 0xff);
        const ConfigStore store = loadBytes(dir, bytes);
        for (const auto& [section, keys] : store.sections()) {
            EXPECT_EQ(section.find_first_of("\r\n]"), std::string::npos);
            for (const auto& [key, value] : keys) {
                EXPECT_FALSE(key.empty());
                EXPECT_NE(key[0], '[');
                EXPECT_EQ(key.find_first_of("\r\n"), std::string::npos);
                EXPECT_EQ(key.find('=', 1), std::string::npos);  // "=" may only start a key
                EXPECT_EQ(value.find_first_of("\r\n"), std::string::npos);
            }
        }
    }
}

TEST(ConfigStoreLoad, MissingFileFailsAndKeepsTheStore) {
    TempDir dir;
    ConfigStore store;
    store.setSmtpport(2525);
    EXPECT_FALSE(store.load(dir.file("absent.ini")));
    EXPECT_EQ(store.path(), dir.file("absent.ini"));  // remembered even so
    EXPECT_EQ(store.getSmtpport(), 2525);
}

TEST(ConfigStoreLoad, AFolderLoadsNothing) {
    TempDir dir;
    ConfigStore store;
    store.load(dir.file(""));  // refused on Windows; opened but unreadable on POSIX
    EXPECT_TRUE(store.sections().empty());
}

TEST(ConfigStoreLoad, LoadAddsToWhatTheStoreHolds) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    writeBytes(path, "[config]\r\nsmtpport=26\r\n");
    ConfigStore store;
    store.setHttpport(81);
    store.setSmtpport(1);
    ASSERT_TRUE(store.load(path));
    EXPECT_EQ(store.getHttpport(), 81);
    EXPECT_EQ(store.getSmtpport(), 26);
}

TEST(ConfigStoreLoad, FileUpToTheSizeLimitLoads) {
    TempDir dir;
    const std::string head = "[config]\r\npelorane=";
    std::string bytes = head + std::string(kMaxSettingsFileBytes - head.size() - 2, 'p') + "\r\n";
    ASSERT_EQ(bytes.size(), static_cast<size_t>(kMaxSettingsFileBytes));
    bool ok = false;
    const ConfigStore store = loadBytes(dir, bytes, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(store.getPelorane().size(), bytes.size() - head.size() - 2);
}

TEST(ConfigStoreLoad, FileOverTheSizeLimitIsRefusedAndChangesNothing) {
    TempDir dir;
    const std::string path = dir.file("big.ini");
    const std::string head = "[config]\r\nsmtpport=26\r\npelorane=";
    writeBytes(path, head + std::string(kMaxSettingsFileBytes - head.size() - 1, 'p') + "\r\n");
    ConfigStore store;
    store.setHttpport(81);
    EXPECT_FALSE(store.load(path));
    EXPECT_EQ(store.sections(), (Sections{{"config", {{"httpport", "81"}}}}));
}

// ---- getters and setters -------------------------------------------------------------------

// Every settings key with its default, as the settings file and the documentation name them.
static const ConfigStore::Section kDocumentedDefaults = {
    {"amode", "0"},        {"bAutoChapter", "1"}, {"bExec", "1"},       {"bVPerform", "1"},
    {"bootexec", "0"},     {"disc", "0"},         {"dvdr", "0"},        {"from", ""},
    {"genre", "10"},       {"httppass", ""},      {"httpport", "80"},   {"httpserver", ""},
    {"httpuser", ""},      {"okbutton", "2"},     {"pelorane", "Pelorane"}, {"pop3fport", "110"},
    {"pop3server", ""},    {"popsecure", "0"},    {"proxypass", ""},    {"proxyport", "8080"},
    {"proxyserver", ""},   {"proxyuser", ""},     {"rduser", "rdstyle"}, {"smtpauth", "1"},
    {"smtppass", ""},      {"smtpport", "25"},    {"smtpsecure", "0"},  {"smtpserver", ""},
    {"smtpuser", ""},      {"to", ""},            {"vrate", "0"},
};

// Writes every typed value of from through its typed setter into a fresh store.
static ConfigStore copyThroughTypedAccessors(const ConfigStore& from) {
    ConfigStore to;
#define COPY(Name, key, def) to.set##Name(from.get##Name());
    PELORANE_INT_SETTINGS(COPY)
    PELORANE_STRING_SETTINGS(COPY)
#undef COPY
    return to;
}

TEST(ConfigStoreSettings, EveryKeyHasItsDocumentedDefault) {
    const ConfigStore empty;
    EXPECT_EQ(copyThroughTypedAccessors(empty).sections(), (Sections{{"config", kDocumentedDefaults}}));
    EXPECT_TRUE(empty.sections().empty());  // getters create nothing
}

TEST(ConfigStoreSettings, EveryTypedAccessorUsesItsOwnKeyInConfig) {
    // A file that gives every key a value of its own: the typed getters must read exactly these.
    const TempDir dir("pelorane-config-keys");
    std::string file = "[config]\r\n";
    ConfigStore::Section distinct;
    int n = 100;
    for (const auto& [key, def] : kDocumentedDefaults) {
        const bool isText = def.empty() || (def[0] < '0' || def[0] > '9');
        distinct[key] = isText ? "v-" + key : std::to_string(n++);
        file += key + "=" + distinct[key] + "\r\n";
    }
    bool loaded = false;
    const ConfigStore store = loadBytes(dir, file, &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(copyThroughTypedAccessors(store).sections(), (Sections{{"config", distinct}}));
}

TEST(ConfigStoreSettings, MissingSectionOrKeyGivesTheDefault) {
    ConfigStore store;
    store.setString("config", "x", "1");
    EXPECT_EQ(store.getInt("none", "x", 7), 7);
    EXPECT_EQ(store.getInt("config", "y", 7), 7);
    EXPECT_EQ(store.getString("none", "x", "d"), "d");
    EXPECT_EQ(store.getString("Config", "x", "d"), "d");  // case matters
    EXPECT_EQ(store.getString("config", "X", "d"), "d");
    EXPECT_EQ(store.sections().size(), 1u);
}

TEST(ConfigStoreSettings, SetIntWritesSignedDecimal) {
    ConfigStore store;
    store.setInt("config", "a", -25);
    store.setInt("config", "b", INT32_MIN);
    store.setInt("config", "c", 2147483647);
    EXPECT_EQ(store.getString("config", "a", ""), "-25");
    EXPECT_EQ(store.getString("config", "b", ""), "-2147483648");
    EXPECT_EQ(store.getInt("config", "b", 0), INT32_MIN);
    EXPECT_EQ(store.getInt("config", "c", 0), 2147483647);
}

TEST(ConfigStoreSettings, OutOfRangeValuesSaturateOnEveryBuild) {
    ConfigStore store;
    store.setString("config", "httpport", "99999999999");
    store.setString("config", "smtpport", "-0x80000001");
    EXPECT_EQ(store.getHttpport(), 2147483647);
    EXPECT_EQ(store.getSmtpport(), INT32_MIN);
}

TEST(ConfigStoreSettings, SetStringReplacesInPlace) {
    ConfigStore store;
    store.setString("s", "k", "1");
    store.setString("s", "k", "2");
    EXPECT_EQ(store.sectionEntries("s"), (std::vector<std::pair<std::string, std::string>>{{"k", "2"}}));
}

TEST(ConfigStoreSettings, SectionEntriesComeInByteOrder) {
    ConfigStore store;
    store.setString("s", "b", "2");
    store.setString("s", "\x82\xa0", "4");
    store.setString("s", "a", "1");
    store.setString("s", "B", "0");
    store.setString("s", "10", "x");
    store.setString("s", "2", "y");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"10", "x"}, {"2", "y"}, {"B", "0"}, {"a", "1"}, {"b", "2"}, {"\x82\xa0", "4"}};
    EXPECT_EQ(store.sectionEntries("s"), expected);
    EXPECT_TRUE(store.sectionEntries("missing").empty());
}

// ---- completeness checks -------------------------------------------------------------------

namespace {

ConfigStore completeMail(int auth) {
    ConfigStore store;
    store.setSmtpserver("smtp.example.jp");
    store.setFrom("me@example.jp");
    store.setTo("rd@example.jp");
    store.setSmtpuser("me");
    store.setSmtppass("secret");
    store.setPop3server("pop.example.jp");
    store.setSmtpauth(auth);
    return store;
}

}  // namespace

TEST(ConfigStoreChecks, MailNeedsRecorderUserServerAndAddresses) {
    for (int auth = 0; auth <= 3; ++auth) {
        EXPECT_TRUE(completeMail(auth).isMailConfigured()) << auth;
        ConfigStore s = completeMail(auth);
        s.setRduser("");
        EXPECT_FALSE(s.isMailConfigured()) << auth;
        s = completeMail(auth);
        s.setSmtpserver("");
        EXPECT_FALSE(s.isMailConfigured()) << auth;
        s = completeMail(auth);
        s.setFrom("");
        EXPECT_FALSE(s.isMailConfigured()) << auth;
        s = completeMail(auth);
        s.setTo("");
        EXPECT_FALSE(s.isMailConfigured()) << auth;
    }
}

TEST(ConfigStoreChecks, RecorderUserDefaultCounts) {
    ConfigStore s = completeMail(0);
    EXPECT_EQ(s.getRduser(), "rdstyle");
    EXPECT_TRUE(s.isMailConfigured());
}

TEST(ConfigStoreChecks, NoAuthenticationNeedsNoUserPasswordOrPopServer) {
    ConfigStore s = completeMail(0);
    s.setSmtpuser("");
    s.setSmtppass("");
    s.setPop3server("");
    EXPECT_TRUE(s.isMailConfigured());
}

TEST(ConfigStoreChecks, SmtpAuthNeedsUserAndPasswordButNoPopServer) {
    ConfigStore s = completeMail(1);
    s.setPop3server("");
    EXPECT_TRUE(s.isMailConfigured());
    s.setSmtpuser("");
    EXPECT_FALSE(s.isMailConfigured());
    s = completeMail(1);
    s.setSmtppass("");
    EXPECT_FALSE(s.isMailConfigured());
}

TEST(ConfigStoreChecks, EmptySmtpauthReadsAsNoAuthentication) {
    ConfigStore s = completeMail(1);
    s.setSmtpuser("");
    EXPECT_FALSE(s.isMailConfigured());
    s.setString("config", "smtpauth", "");  // present but empty reads 0, not the default 1
    EXPECT_TRUE(s.isMailConfigured());
}

TEST(ConfigStoreChecks, SmtpAuthIsTheDefaultMode) {
    ConfigStore d;
    d.setSmtpserver("h");
    d.setFrom("f");
    d.setTo("t");
    EXPECT_FALSE(d.isMailConfigured());  // smtpauth 1 by default: user and password needed
    d.setSmtpuser("u");
    d.setSmtppass("p");
    EXPECT_TRUE(d.isMailConfigured());
}

TEST(ConfigStoreChecks, PopBeforeSmtpNeedsUserPasswordAndPopServer) {
    for (int auth : {2, 3, 4, -1, 99}) {
        ConfigStore s = completeMail(auth);
        EXPECT_TRUE(s.isMailConfigured()) << auth;
        s.setPop3server("");
        EXPECT_FALSE(s.isMailConfigured()) << auth;
        s = completeMail(auth);
        s.setSmtpuser("");
        EXPECT_FALSE(s.isMailConfigured()) << auth;
        s = completeMail(auth);
        s.setSmtppass("");
        EXPECT_FALSE(s.isMailConfigured()) << auth;
    }
}

// The POP3 port counts only where the POP3 server does.
TEST(ConfigStoreChecks, MailPortsOutsideTheRangeAreNotConfigured) {
    struct Case {
        int auth, smtpPort, pop3Port;
        bool configured;
    };
    const Case cases[] = {
        {0, 1, 0, true},   {1, 65535, -1, true}, {0, 0, 110, false},  {1, 65536, 110, false},
        {0, -1, 110, false}, {1, 65536 + 25, 110, false}, {2, 25, 1, true}, {3, 25, 65535, true},
        {2, 25, 0, false}, {3, 25, 65536, false}, {2, 25, -1, false}, {3, 25, 65536 + 110, false},
    };
    for (const Case& c : cases) {
        ConfigStore s = completeMail(c.auth);
        s.setSmtpport(c.smtpPort);
        s.setPop3fport(c.pop3Port);
        EXPECT_EQ(s.isMailConfigured(), c.configured) << c.auth << ":" << c.smtpPort << "/" << c.pop3Port;
    }
}

TEST(ConfigStoreChecks, HttpNeedsOnlyTheRecorderHost) {
    ConfigStore s;
    EXPECT_FALSE(s.isHttpConfigured());
    s.setHttpserver("192.168.0.10");
    EXPECT_TRUE(s.isHttpConfigured());
    s.setHttpserver("");
    EXPECT_FALSE(s.isHttpConfigured());
}

// ---- saving --------------------------------------------------------------------------------

TEST(ConfigStoreSave, GoldenFileListsSectionsAndKeysInByteOrder) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    ConfigStore store;
    store.load(path);  // missing: only remembers the path
    store.setBootexec(3);
    store.setBVPerform(0);
    store.setBExec(1);
    store.setBAutoChapter(1);
    store.setAmode(2);
    store.setSmtpserver("smtp.example.jp");
    store.setString("", "orphan", "x");
    store.setString("Config", "k", "v");
    store.setString("empty", "", "");
    store.setString("\x82\xa0", "k", "");
    ASSERT_TRUE(store.save());
    EXPECT_EQ(readBytes(path),
              "[]\r\norphan=x\r\n"
              "[Config]\r\nk=v\r\n"
              "[config]\r\namode=2\r\nbAutoChapter=1\r\nbExec=1\r\nbVPerform=0\r\nbootexec=3\r\n"
              "smtpserver=smtp.example.jp\r\n"
              "[empty]\r\n=\r\n"
              "[\x82\xa0]\r\nk=\r\n");
    EXPECT_FALSE(exists(path + ".tmp"));
}

TEST(ConfigStoreSave, DuplicateKeyIsWrittenOnceWithTheLastValue) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    writeBytes(path, "[config]\nto=a\nto=b\n");
    ConfigStore store;
    ASSERT_TRUE(store.load(path));
    ASSERT_TRUE(store.save());
    EXPECT_EQ(readBytes(path), "[config]\r\nto=b\r\n");
}

TEST(ConfigStoreSave, EmptyStoreWritesAnEmptyFile) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    writeBytes(path, "[config]\n");  // a header without keys is not kept
    ConfigStore store;
    ASSERT_TRUE(store.load(path));
    ASSERT_TRUE(store.save());
    EXPECT_EQ(readBytes(path), "");
}

TEST(ConfigStoreSave, SavedFileLoadsBackIdentically) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    ConfigStore store;
    store.load(path);
    for (int i = 0; i < 200; ++i) {  // several times the write buffer
        store.setString("s" + std::to_string(i % 7), "key" + std::to_string(i), std::string(i % 50, 'v') + "=;[]");
    }
    store.setString("", "=", "");
    store.setString("x", "]k", "\x83\x5c");
    ASSERT_TRUE(store.save());
    const std::string first = readBytes(path);
    ASSERT_GT(first.size(), 4 * 1024u);
    ConfigStore again;
    ASSERT_TRUE(again.load(path));
    EXPECT_EQ(again.sections(), store.sections());
    ASSERT_TRUE(again.save());
    EXPECT_EQ(readBytes(path), first);
}

TEST(ConfigStoreSave, PasswordsAreStoredAsTyped) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    ConfigStore store;
    store.load(path);
    store.setSmtppass(" p=w ");
    ASSERT_TRUE(store.save());
    EXPECT_EQ(readBytes(path), "[config]\r\nsmtppass= p=w \r\n");
}

TEST(ConfigStoreSave, WithoutAPathNothingIsWritten) {
    ConfigStore store;
    store.setSmtpport(1);
    EXPECT_FALSE(store.save());
    EXPECT_FALSE(exists(".tmp"));
}

TEST(ConfigStoreSave, FolderThatDoesNotExistFailsCleanly) {
    TempDir dir;
    const std::string path = dir.file("missing") + "/Pelorane.ini";
    ConfigStore store;
    store.load(path);
    store.setSmtpport(1);
    EXPECT_FALSE(store.save());
    EXPECT_FALSE(exists(path));
    EXPECT_EQ(store.getSmtpport(), 1);  // the settings stay in memory
}

TEST(ConfigStoreSave, TemporaryFileThatCannotBeCreatedLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    const std::string old = "[config]\r\nsmtpport=26\r\nstray line\n";
    writeBytes(path, old);
    fs::create_directory(fs::u8path(path + ".tmp"));  // blocks the new file
    ConfigStore store;
    ASSERT_TRUE(store.load(path));
    store.setSmtpport(27);
    EXPECT_FALSE(store.save());
    EXPECT_EQ(readBytes(path), old);
    EXPECT_TRUE(fs::is_directory(fs::u8path(path + ".tmp")));
}

TEST(ConfigStoreSave, WriteErrorLeavesTheOldFileAndRemovesTheNewOne) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    const std::string old = "[config]\r\nsmtpport=26\r\n";
    writeBytes(path, old);
    std::error_code error;
    fs::create_symlink("/dev/full", fs::u8path(path + ".tmp"), error);  // every write fails
    if (error) GTEST_SKIP() << "no symbolic links here";
    ConfigStore store;
    ASSERT_TRUE(store.load(path));
    store.setSmtpport(27);
    EXPECT_FALSE(store.save());
    EXPECT_EQ(readBytes(path), old);
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::u8path(path + ".tmp"))));
}

TEST(ConfigStoreSave, TargetThatCannotBeReplacedFailsAndRemovesTheNewFile) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    fs::create_directory(fs::u8path(path));  // a folder cannot be replaced by a file
    fs::create_directory(fs::u8path(path + "/inner"));
    ConfigStore store;
    store.load(path);
    store.setSmtpport(27);
    EXPECT_FALSE(store.save());
    EXPECT_TRUE(fs::is_directory(fs::u8path(path + "/inner")));
    EXPECT_FALSE(exists(path + ".tmp"));
}

TEST(ConfigStoreSave, StaleTemporaryFileIsOverwritten) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    writeBytes(path + ".tmp", std::string(5000, 'z'));
    ConfigStore store;
    store.load(path);
    store.setSmtpport(27);
    ASSERT_TRUE(store.save());
    EXPECT_EQ(readBytes(path), "[config]\r\nsmtpport=27\r\n");
    EXPECT_FALSE(exists(path + ".tmp"));
}

TEST(ConfigStoreSave, RefusedBodyLeavesTheOldFileAndRemovesTheNewOne) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    writeBytes(path, "old");
    const FileWrite result = writeFileReplacing(path, [](ByteSink& sink) {
        sink.write(std::string(3000, 'n'));  // more than one buffer reached the new file
        return false;
    });
    EXPECT_EQ(result, FileWrite::NotWritten);
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_FALSE(exists(path + ".tmp"));
}

TEST(ConfigStoreSave, ReplacingWritesExactlyTheBody) {
    TempDir dir;
    const std::string path = dir.file("out.bin");
    writeBytes(path, std::string(5000, 'o'));
    const std::string body("a\0b\r\n", 5);
    EXPECT_EQ(writeFileReplacing(path, [&](ByteSink& sink) { return sink.write(body) == 5; }), FileWrite::Replaced);
    EXPECT_EQ(readBytes(path), body);
}

// ---- a file that could not be loaded, and the file's permissions ----------------------------

TEST(ConfigStoreSave, FileThatCouldNotBeLoadedIsKeptAsBakOnceBeforeTheSave) {
    const std::string head = "[config]\r\nsmtppass=secret\r\npelorane=";
    const std::string oversized = head + std::string(kMaxSettingsFileBytes + 1 - head.size(), 'p');
    struct Case {
        const char* what;
        bool present;
        std::string original;
        const char* olderCopy;  // a .bak from an earlier run, or nullptr
        bool kept;
    };
    const std::vector<Case> cases = {
        {"over the size bound", true, oversized, nullptr, true},
        {"over the size bound, older copy replaced", true, oversized, "older", true},
        {"missing: simply created", false, "", nullptr, false},
        {"loaded fine: written as always", true, "[config]\r\nsmtpport=26\r\n", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.file("Pelorane.ini");
        if (c.present) writeBytes(path, c.original);
        if (c.olderCopy != nullptr) writeBytes(path + ".bak", c.olderCopy);
        ConfigStore store;
        store.load(path);
        for (const int port : {27, 28}) {  // a second save must leave the copy alone
            store.setSmtpport(port);
            ASSERT_TRUE(store.save());
            EXPECT_EQ(readBytes(path), "[config]\r\nsmtpport=" + std::to_string(port) + "\r\n");
            EXPECT_EQ(exists(path + ".bak"), c.kept);
            if (c.kept) {
                EXPECT_EQ(readBytes(path + ".bak"), c.original);
            }
        }
    }
}

TEST(ConfigStoreSave, FileThatCannotBeKeptIsNotWrittenOver) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    const std::string oversized(kMaxSettingsFileBytes + 1, '\n');
    writeBytes(path, oversized);
    fs::create_directories(fs::u8path(path + ".bak/inner"));  // the file cannot be moved there
    ConfigStore store;
    EXPECT_FALSE(store.load(path));
    store.setSmtpport(27);
    EXPECT_FALSE(store.save());
    EXPECT_EQ(readBytes(path), oversized);
    EXPECT_FALSE(exists(path + ".tmp"));
    fs::remove_all(fs::u8path(path + ".bak"));
    ASSERT_TRUE(store.save());  // the next save tries again
    EXPECT_EQ(readBytes(path + ".bak"), oversized);
    EXPECT_EQ(readBytes(path), "[config]\r\nsmtpport=27\r\n");
}

TEST(ConfigStoreSave, FileCutByAReadErrorIsKeptAsBak) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    if (!fs::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc/self/mem here";
    std::error_code error;
    fs::create_symlink("/proc/self/mem", fs::u8path(path), error);  // opens, but reading at 0 fails
    if (error) GTEST_SKIP() << "no symbolic links here";
    ConfigStore store;
    EXPECT_FALSE(store.load(path));
    store.setSmtpport(27);
    ASSERT_TRUE(store.save());
    EXPECT_EQ(fs::read_symlink(fs::u8path(path + ".bak")), "/proc/self/mem");
    EXPECT_EQ(readBytes(path), "[config]\r\nsmtpport=27\r\n");
}

TEST(ConfigStoreSave, SavedFileKeepsThePermissionsOfTheOneItReplaces) {
    const std::string loadable = "[config]\r\nsmtppass=secret\r\n";
    const std::string oversized = loadable + std::string(kMaxSettingsFileBytes, 'p');
    struct Case {
        fs::perms mode;
        const std::string& original;
        const char* saved;
        bool kept;  // the original was set aside as .bak
    };
    const std::vector<Case> cases = {
        {fs::perms(0600), loadable, "[config]\r\nsmtppass=secret\r\nsmtpport=27\r\n", false},
        {fs::perms(0640), loadable, "[config]\r\nsmtppass=secret\r\nsmtpport=27\r\n", false},
        {fs::perms(0600), oversized, "[config]\r\nsmtpport=27\r\n", true},  // written after the .bak
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        SCOPED_TRACE(c.kept);
        TempDir dir;
        const std::string path = dir.file("Pelorane.ini");
        writeBytes(path, c.original);
        fs::permissions(fs::u8path(path), c.mode);
        const fs::perms before = fs::status(fs::u8path(path)).permissions();  // as this system keeps them
        ConfigStore store;
        EXPECT_EQ(store.load(path), !c.kept);
        store.setSmtpport(27);
        ASSERT_TRUE(store.save());
        EXPECT_EQ(readBytes(path), c.saved);
        EXPECT_EQ(fs::status(fs::u8path(path)).permissions(), before);
        EXPECT_EQ(exists(path + ".bak"), c.kept);
        if (c.kept) {
            EXPECT_EQ(readBytes(path + ".bak"), c.original);
            EXPECT_EQ(fs::status(fs::u8path(path + ".bak")).permissions(), before);
        }
    }
}

// ---- the save at the end of a run ----------------------------------------------------------

TEST(ConfigStoreSave, AtTheEndOnlyChangedSettingsAreWritten) {
    const std::string lineFeeds = "[config]\nsmtpport=26\n";  // written back, it would end in CR LF
    const std::string oversized(kMaxSettingsFileBytes + 1, '\n');
    struct Case {
        const char* what;
        const std::string* original;  // nullptr: no file at start
        int port;                      // set before the end, 0: left alone
        bool savedBefore;              // saved once in the run, then the original bytes put back
        bool removedBefore;            // the file is deleted before the end
        bool written;
        bool inTemporary = false;      // only in the temporary file: a save that could not finish
    };
    for (const Case& c : std::vector<Case>{
             {"unchanged", &lineFeeds, 0, false, false, false},
             {"set to the value it had", &lineFeeds, 26, false, false, false},
             {"changed", &lineFeeds, 27, false, false, true},
             {"unchanged since a save", &lineFeeds, 27, true, false, false},
             {"missing at start", nullptr, 27, false, false, true},
             {"deleted meanwhile", &lineFeeds, 0, false, true, true},
             {"unreadable at start", &oversized, 27, false, false, true},
             {"unreadable at start, gone meanwhile", &oversized, 27, false, true, true},
             {"left in the temporary file by the last run", &lineFeeds, 0, false, false, true, true},
         }) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.file("Pelorane.ini");
        if (c.original != nullptr) writeBytes(c.inTemporary ? path + ".tmp" : path, *c.original);
        ConfigStore store;
        store.load(path);
        if (c.port != 0) store.setSmtpport(c.port);
        if (c.savedBefore && store.save()) writeBytes(path, *c.original);
        if (c.removedBefore) fs::remove(fs::u8path(path));
        EXPECT_TRUE(store.saveIfChanged());
        const std::string saved = "[config]\r\nsmtpport=" + std::to_string(c.port != 0 ? c.port : 26) + "\r\n";
        EXPECT_EQ(readBytes(path), c.written ? saved : *c.original);
        EXPECT_EQ(exists(path + ".bak"), c.original == &oversized && !c.removedBefore);
    }
}
