// The platform layer's files, text conversions, lead bytes, clock and paths, on each system.
#include <gtest/gtest.h>

#include <string>

#include "core/Application.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/FileHandle.h"
#include "platform/Process.h"
#include "platform/Sjis.h"
#include "tests/support/TempDir.h"

namespace {

// A private folder: fixed names in the shared temporary folder could meet a parallel run's files.
std::string tempPath(const std::string& name) {
    static const TempDir dir("pelorane-platform");
    return dir.file(name);
}

bool writeFile(const std::string& path, const std::string& bytes) {
    FileHandle f;
    if (!f.createWrite(path)) return false;
    return f.write(bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size()) && f.close();
}

std::string readFile(const std::string& path) {
    FileHandle f;
    std::string out;
    if (!f.openRead(path)) return "<missing>";
    char buffer[100];
    int n;
    while ((n = f.read(buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
    return out;
}

}  // namespace

TEST(FileHandle, JapaneseFileNameRoundTrips) {
    const std::string path = tempPath("\xe7\x95\xaa\xe7\xb5\x84\xe8\xa1\xa8.iepg");  // 番組表.iepg in UTF-8
    ASSERT_TRUE(writeFile(path, std::string("a\0b\r\n", 5)));
    EXPECT_EQ(readFile(path), std::string("a\0b\r\n", 5));
    EXPECT_TRUE(removeFile(path));
    EXPECT_EQ(readFile(path), "<missing>");
}

TEST(FileHandle, CreateTruncatesAndClosedHandleRefusesIo) {
    const std::string path = tempPath("truncate.txt");
    ASSERT_TRUE(writeFile(path, "long old content"));
    ASSERT_TRUE(writeFile(path, "new"));
    EXPECT_EQ(readFile(path), "new");
    FileHandle f;
    EXPECT_TRUE(f.close());
    char c;
    EXPECT_EQ(f.read(&c, 1), -1);
    EXPECT_EQ(f.write("x", 1), -1);
    EXPECT_FALSE(f.openRead(tempPath("does-not-exist")));
    removeFile(path);
}

TEST(FileHandle, ReplaceFileSwapsContentAndFailsWithoutSource) {
    const std::string target = tempPath("replace-target.ini");
    const std::string source = tempPath("replace-source.ini");
    ASSERT_TRUE(writeFile(target, "old"));
    ASSERT_TRUE(writeFile(source, "new"));
    ASSERT_TRUE(replaceFile(source, target));
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(readFile(source), "<missing>");
    EXPECT_FALSE(replaceFile(source, target));
    EXPECT_EQ(readFile(target), "new");
    removeFile(target);
}

TEST(Sjis, LeadBytesAreTheCodePage932Ranges) {
    for (int b = 0; b < 256; ++b) {
        const bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(isSjisLeadByte(static_cast<unsigned char>(b)), expected) << "byte " << b;
    }
}

TEST(Codepage, JapaneseRoundTripsBetweenUtf8AndShiftJis) {
    const std::string utf8 = "\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88 \xef\xbd\xb1 ABC";  // ソフト ｱ ABC
    const std::string sjis = "\x83\x5c\x83\x74\x83\x67 \xb1 ABC";
    std::string out;
    ASSERT_TRUE(utf8ToSjis(utf8, out));
    EXPECT_EQ(out, sjis);
    ASSERT_TRUE(sjisToUtf8(sjis, out));
    EXPECT_EQ(out, utf8);
    ASSERT_TRUE(utf8ToSjis("", out));
    EXPECT_EQ(out, "");
}

TEST(Codepage, UnconvertibleInputIsRefused) {
    std::string out = "keep";
    EXPECT_FALSE(utf8ToSjis("\xf0\x9f\x98\x80", out));  // an emoji has no code page 932 form
    EXPECT_FALSE(utf8ToSjis("\xff\xfe", out));          // not UTF-8
    EXPECT_EQ(out, "keep");
}

TEST(Clock, LocalTimeIsPlausible) {
    const LocalTime t = currentLocalTime();
    EXPECT_GE(t.year, 2020);
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    EXPECT_GE(t.day, 1);
    EXPECT_LE(t.day, 31);
    EXPECT_LE(t.dayOfWeek, 6);
    EXPECT_LE(t.hour, 23);
    EXPECT_LE(t.minute, 59);
    EXPECT_LE(t.milliseconds, 999);
}

TEST(Application, DirectoryOfKeepsTheLastSeparator) {
    EXPECT_EQ(directoryOf("C:\\Program Files\\Pelorane\\Pelorane.exe"), "C:\\Program Files\\Pelorane\\");
    EXPECT_EQ(directoryOf("/opt/pelorane/Pelorane"), "/opt/pelorane/");
    EXPECT_EQ(directoryOf("Pelorane.exe"), "");
    // UTF-8 "あ" (E3 81 82) before a separator: the separator must not be swallowed.
    EXPECT_EQ(directoryOf("C:\\\xe3\x81\x82\\x.exe"), "C:\\\xe3\x81\x82\\");
}

TEST(Application, StartFindsTheRunningExecutable) {
    class Probe : public Application {
    public:
        int run() override { return 0; }
    } app;
    EXPECT_EQ(ApplicationBase::current(), &app);
    app.start(nullptr, "args here", 1);
    EXPECT_EQ(app.commandLine(), "args here");
    EXPECT_FALSE(app.modulePath().empty());
    EXPECT_EQ(app.moduleDirectory(), directoryOf(app.modulePath()));
    EXPECT_NE(app.modulePath().find("core_tests"), std::string::npos);
    FileHandle self;
    EXPECT_TRUE(self.openRead(app.modulePath()));
}
