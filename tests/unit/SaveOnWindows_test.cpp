// Saving and loading the settings when Windows' file calls fail the way their documentation says
// they may: each failure is played through the file-call seam, and what is on disk afterwards is
// checked. The busy waits run on a fake clock.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/FileCalls_win.h"
#include "platform/FileHandle.h"
#include "settings/ConfigStore.h"
#include "tests/support/TempDir.h"

namespace {

// What a scripted ReplaceFileW leaves on disk before it fails, as documented for its error.
enum class Left { Both, OldGone, OldUnderBackup };

struct Answer {
    DWORD error;  // 0: the real ReplaceFileW
    Left left = Left::Both;
};

enum class Moves { Work, TemporaryFails, AllFail };

struct Script {
    std::vector<Answer> replace{{0}};  // in turn; the last one repeats
    int busyOpens = 0;                 // opens refused with a sharing violation first; -1: every one
    Moves moves = Moves::Work;
    size_t replaceCalls = 0;
    ULONGLONG now = 0;
};
Script script;

BOOL WINAPI scriptedReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID exclude,
                            LPVOID reserved) {
    const Answer answer = script.replace[std::min(script.replaceCalls++, script.replace.size() - 1)];
    if (answer.error == 0) return ReplaceFileW(replaced, replacement, backup, flags, exclude, reserved);
    if (answer.left == Left::OldGone) DeleteFileW(replaced);
    if (answer.left == Left::OldUnderBackup) MoveFileExW(replaced, backup, MOVEFILE_REPLACE_EXISTING);
    SetLastError(answer.error);
    return FALSE;
}

BOOL WINAPI scriptedMove(LPCWSTR from, LPCWSTR to, DWORD flags) {
    const std::wstring source = from;
    const bool temporary = source.size() > 4 && source.compare(source.size() - 4, 4, L".tmp") == 0;
    if (script.moves == Moves::AllFail || (script.moves == Moves::TemporaryFails && temporary)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return MoveFileExW(from, to, flags);
}

HANDLE WINAPI scriptedCreate(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                             DWORD disposition, DWORD attributes, HANDLE templateFile) {
    if (script.busyOpens != 0) {
        if (script.busyOpens > 0) --script.busyOpens;
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(name, access, share, security, disposition, attributes, templateFile);
}

void WINAPI fakeSleep(DWORD ms) { script.now += ms; }
ULONGLONG WINAPI fakeTicks() { return script.now; }

// The script's calls for the object's lifetime.
class ScriptedFileCalls {
public:
    explicit ScriptedFileCalls(const Script& s) : saved_(fileCalls()) {
        script = s;
        fileCalls() = FileCalls{&scriptedCreate, &scriptedReplace, &scriptedMove, &fakeSleep, &fakeTicks};
    }
    ~ScriptedFileCalls() { fileCalls() = saved_; }

private:
    FileCalls saved_;
};

const std::string kOld = "[config]\r\nsmtpport=26\r\n";
const std::string kNew = "[config]\r\nsmtpport=27\r\n";
const char* const kMissing = "(missing)";

std::string contentOf(const std::string& path) {
    return GetFileAttributesW(std::filesystem::u8path(path).c_str()) == INVALID_FILE_ATTRIBUTES ? kMissing
                                                                                                   : readBytes(path);
}

}  // namespace

TEST(SaveOnWindows, EveryDocumentedReplaceFailureLeavesACompleteFile) {
    const DWORD kSharing = ERROR_SHARING_VIOLATION;
    struct Case {
        const char* what;
        std::vector<Answer> replace;
        Moves moves;
        bool saved;
        std::string real, temporary, backup;  // what each name holds afterwards
        bool heldByTemporary;                 // the failure message names the temporary file
        ULONGLONG waited;                     // on the fake clock, at least
    };
    const std::vector<Case> cases = {
        {"1175 once", {{1175}, {0}}, Moves::Work, true, kNew, kMissing, kMissing, false, 50},
        {"1175 for ever", {{1175}}, Moves::Work, false, kOld, kMissing, kMissing, false, 2000},
        {"sharing violation, then success", {{kSharing}, {kSharing}, {0}}, Moves::Work, true, kNew, kMissing,
         kMissing, false, 100},
        {"access denied, lock violation, then success", {{ERROR_ACCESS_DENIED}, {ERROR_LOCK_VIOLATION}, {0}},
         Moves::Work, true, kNew, kMissing, kMissing, false, 100},
        {"sharing violation for ever", {{kSharing}}, Moves::Work, false, kOld, kMissing, kMissing, false, 2000},
        {"1176, the old file gone", {{1176, Left::OldGone}}, Moves::Work, true, kNew, kMissing, kMissing, false, 0},
        {"1176, both names kept", {{1176}}, Moves::Work, true, kNew, kMissing, kMissing, false, 0},
        {"1177", {{1177, Left::OldUnderBackup}}, Moves::Work, true, kNew, kMissing, kMissing, false, 0},
        {"1177, the new file cannot move", {{1177, Left::OldUnderBackup}}, Moves::TemporaryFails, false, kOld,
         kMissing, kMissing, false, 2000},
        {"1177, nothing can move", {{1177, Left::OldUnderBackup}}, Moves::AllFail, false, kMissing, kNew, kOld, true,
         4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.file("Pelorane.ini");
        writeBytes(path, kOld);
        ConfigStore store;
        ASSERT_TRUE(store.load(path));
        store.setSmtpport(27);
        Script s;
        s.replace = c.replace;
        s.moves = c.moves;
        ScriptedFileCalls calls(s);
        EXPECT_EQ(store.save(), c.saved);
        EXPECT_EQ(contentOf(path), c.real);
        EXPECT_EQ(contentOf(path + ".tmp"), c.temporary);
        EXPECT_EQ(contentOf(path + ".old"), c.backup);
        EXPECT_EQ(store.currentFile(), c.heldByTemporary ? path + ".tmp" : path);
        EXPECT_GE(script.now, c.waited);
        EXPECT_LT(script.now, c.waited + 100);
    }
}

TEST(SaveOnWindows, ABusyFileIsWaitedForBeforeItCountsAsUnreadable) {
    struct Case {
        int busyOpens;
        bool loaded;
        ULONGLONG waited;
    };
    for (const Case& c : {Case{3, true, 150}, Case{-1, false, 2000}}) {
        SCOPED_TRACE(c.busyOpens);
        TempDir dir;
        const std::string path = dir.file("Pelorane.ini");
        writeBytes(path, kOld);
        Script s;
        s.busyOpens = c.busyOpens;
        ScriptedFileCalls calls(s);
        ConfigStore store;
        EXPECT_EQ(store.load(path), c.loaded);
        EXPECT_EQ(store.fileUnread(), !c.loaded);
        EXPECT_EQ(store.getSmtpport(), c.loaded ? 26 : 25);
        EXPECT_GE(script.now, c.waited);
        EXPECT_LT(script.now, c.waited + 100);
    }
}

TEST(SaveOnWindows, AFileOpenInASyncToolCanBeRead) {
    TempDir dir;
    const std::string path = dir.file("Pelorane.ini");
    writeBytes(path, kOld);
    // Open for writing and deleting, as a sync tool may hold it, sharing everything.
    const HANDLE held = CreateFileW(std::filesystem::u8path(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ConfigStore store;
    EXPECT_TRUE(store.load(path));
    EXPECT_EQ(store.getSmtpport(), 26);
    CloseHandle(held);
}

#endif  // _WIN32
