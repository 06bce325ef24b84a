// Handing URLs to the desktop (only the POSIX build can be checked without opening a real program),
// the shell's COM apartment, and paths compared as the file system compares them.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
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
    ASSERT_NE(shortened.find('~'), std::string::npos) << "no short name to check: " << shortened;
    wchar_t local[MAX_PATH] = {};
    GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    const std::string userTemp = std::filesystem::path(local).u8string() + "\\Temp";
    // GetTempPath in 8.3 names, as for a user whose folder has a long or Japanese name, and not the
    // user's own temporary folder, which a zip viewer may use all the same.
    wchar_t tmp[MAX_PATH] = {};
    GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", shortFolder);
    EXPECT_TRUE(inTemporaryFolder(folder));
    EXPECT_TRUE(inTemporaryFolder(userTemp + "\\Temp1_Pelorane.zip"));
    SetEnvironmentVariableW(L"TMP", tmp[0] != L'\0' ? tmp : nullptr);
    const std::string sibling = userTemp + "2";  // named without the backslash GetTempPath ends with
#else
    const bool caseIgnored = false;
    const std::string shortened = folder;
    const std::string sibling = tempRoot.u8string() + "2";
#endif
    EXPECT_TRUE(sameFile(folder + "/../Sub Folder/./Program.exe", exe));
    EXPECT_TRUE(sameFile(shortened + "/Program.exe", exe));
    EXPECT_EQ(sameFile(upper, exe), caseIgnored);
    EXPECT_FALSE(sameFile(exe + "2", exe));
    EXPECT_TRUE(inTemporaryFolder(tempRoot.u8string()));
    EXPECT_FALSE(inTemporaryFolder(sibling)) << "the same start is not inside";
    EXPECT_FALSE(inTemporaryFolder(tempRoot.parent_path().u8string()));
}

// A temporary folder that takes in every program the user keeps (a drive's root, the user's own
// folder or one above it: TMP set so, or GetTempPath's fallback when TMP and TEMP are missing) is no
// sign of a zip.
TEST(Shell, ATemporaryFolderAboveTheUsersOwnOneIsNoSign) {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH] = {};
    GetEnvironmentVariableW(L"USERPROFILE", buffer, MAX_PATH);
    const std::filesystem::path home(buffer);
    wchar_t saved[MAX_PATH] = {};
    const bool had = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH) != 0;
    const auto setTemp = [](const std::filesystem::path& p) { SetEnvironmentVariableW(L"TMP", p.c_str()); };
    const auto restore = [&] { SetEnvironmentVariableW(L"TMP", had ? saved : nullptr); };
#else
    const char* own = std::getenv("HOME");
    ASSERT_NE(own, nullptr);
    const std::filesystem::path home(own);
    const char* previous = std::getenv("TMPDIR");
    const std::string saved = previous != nullptr ? previous : "";
    const auto setTemp = [](const std::filesystem::path& p) { setenv("TMPDIR", p.c_str(), 1); };
    const auto restore = [&] { previous != nullptr ? setenv("TMPDIR", saved.c_str(), 1) : unsetenv("TMPDIR"); };
#endif
    const std::string program = (home / "Desktop" / "Pelorane").u8string();
    for (const std::filesystem::path& temp : {home.root_path(), home.parent_path(), home}) {
        setTemp(temp);
        EXPECT_FALSE(inTemporaryFolder(program)) << temp.u8string();
    }
    setTemp(home / "Desktop");
    EXPECT_TRUE(inTemporaryFolder(program)) << "a folder below the user's own still counts";
    restore();
}

#ifdef _WIN32
TEST(Shell, ApartmentIsSingleThreadedWhileItLives) {
    std::thread([] {  // a thread of its own: the runner's may be in an apartment already
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
