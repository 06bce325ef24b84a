// Handing URLs to the desktop (only the POSIX build can be checked without opening a real program),
// the shell's COM apartment, and paths compared as the file system compares them.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/Shell.h"
#include "tests/support/FakeXdgOpen.h"
#include "tests/support/TempDir.h"

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#endif

#ifndef _WIN32

TEST(Shell, OpenUrlPassesUrlAsOneArgument) {
    FakeXdgOpen fake;
    const std::string url = "mailto:a@b?body=x%20y z\x83\x5c&bcc=c";  // "ソ" as raw bytes
    EXPECT_NE(openUrl(url), 0);
    EXPECT_EQ(fake.recorded(), "1\n" + url);
}

TEST(Shell, OpenUrlReportsFailingOpener) {
    FakeXdgOpen fake(3);
    EXPECT_EQ(openUrl("mailto:x"), 0);
    EXPECT_TRUE(fake.called());
}

TEST(Shell, OpenUrlReportsMissingOpener) {
    FakeXdgOpen fake;
    fake.removeScript();
    EXPECT_EQ(openUrl("mailto:x"), 0);
}

#endif  // _WIN32

TEST(Shell, PathsCompareAsTheFileSystemDoes) {
    const TempDir temp("pelorane-shell");
    const std::string folder = temp.file("Sub Folder");
    const std::string exe = temp.file("Sub Folder/Program.exe");
    std::filesystem::create_directories(std::filesystem::u8path(folder));
    ASSERT_TRUE(writeBytes(exe, "MZ"));
    std::filesystem::path tempRoot = std::filesystem::temp_directory_path();
    if (!tempRoot.has_filename()) tempRoot = tempRoot.parent_path();  // "…\Temp\" on Windows
    std::string upper = exe;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
#ifdef _WIN32
    const bool caseIgnored = true;
    wchar_t shortFolder[MAX_PATH] = {};
    GetShortPathNameW(std::filesystem::u8path(folder).wstring().c_str(), shortFolder, MAX_PATH);
    const std::string shortened = std::filesystem::path(shortFolder).u8string();
    EXPECT_NE(shortened.find('~'), std::string::npos) << "no short name to check: " << shortened;
    // GetTempPath's own answer ends in a backslash; the user's temporary folder is named without one.
    wchar_t local[MAX_PATH] = {};
    GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    const std::string sibling = std::filesystem::path(std::wstring(local) + L"\\Temp2").u8string();
    // GetTempPath in 8.3 names, as for a user whose folder has a long or Japanese name.
    wchar_t tmp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", shortFolder);
    const bool belowShortTemp = inTemporaryFolder(folder);
    SetEnvironmentVariableW(L"TMP", tmp[0] != L'\0' ? tmp : nullptr);
    EXPECT_TRUE(belowShortTemp);
#else
    const bool caseIgnored = false;
    const std::string shortened = folder;
    const std::string sibling = tempRoot.u8string() + "2";
#endif
    const struct {
        std::string first;
        std::string second;
        bool same;
    } files[] = {
        {exe, exe, true},
        {folder + "/../Sub Folder/./Program.exe", exe, true},
        {shortened + "/Program.exe", exe, true},
        {upper, exe, caseIgnored},
        {exe + "2", exe, false},
        {folder, exe, false},
    };
    for (const auto& f : files) EXPECT_EQ(sameFile(f.first, f.second), f.same) << f.first << " / " << f.second;
    const struct {
        std::string folder;
        bool inside;
    } folders[] = {
        {tempRoot.u8string(), true},
        {folder, true},
        {sibling, false},  // "Temp2": the same start is not inside
        {tempRoot.parent_path().u8string(), false},
    };
    for (const auto& f : folders) EXPECT_EQ(inTemporaryFolder(f.folder), f.inside) << f.folder;
}

#ifdef _WIN32
TEST(Shell, ApartmentIsSingleThreadedWhileItLives) {
    // A thread of its own: the test runner's thread may have entered an apartment already.
    std::thread([] {
        {
            const ShellApartment apartment;
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
        }
        const HRESULT again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        EXPECT_EQ(again, S_OK) << "the apartment was not left";
        if (SUCCEEDED(again)) CoUninitialize();
    }).join();
}
#endif
