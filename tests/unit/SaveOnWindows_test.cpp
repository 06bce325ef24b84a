// Saving and loading the settings when Windows' file calls fail as their documentation says they
// may: each failure is played through the file-call seam (busy waits on a fake clock), and what is
// on disk afterwards is checked.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/FileCalls_win.h"
#include "settings/ConfigStore.h"
#include "tests/support/TempDir.h"

namespace {

// A scripted ReplaceFileW answer (0: the real call) and what it leaves on disk, as documented.
enum class Left { Both, OldGone, OldUnderBackup };
struct Answer {
    DWORD error;
    Left left = Left::Both;
};
enum class Moves { Work, TemporaryFails, AllFail };

struct Script {
    std::vector<Answer> replace{{0}};  // in turn; the last one repeats
    Moves moves = Moves::Work;
    int busyOpens = 0;  // opens refused with a sharing violation first; -1: every one
    size_t replaceCalls = 0;
    ULONGLONG now = 0;
} script;

BOOL WINAPI scriptedReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID) {
    const Answer answer = script.replace[std::min(script.replaceCalls++, script.replace.size() - 1)];
    if (answer.error == 0) return ReplaceFileW(replaced, replacement, backup, flags, nullptr, nullptr);
    if (answer.left == Left::OldGone) DeleteFileW(replaced);
    if (answer.left == Left::OldUnderBackup) MoveFileExW(replaced, backup, 0);
    SetLastError(answer.error);
    return FALSE;
}

BOOL WINAPI scriptedMove(LPCWSTR from, LPCWSTR to, DWORD flags) {
    const std::wstring source = from;
    const bool temporary = source.size() > 4 && source.substr(source.size() - 4) == L".tmp";
    if (script.moves == Moves::AllFail || (script.moves == Moves::TemporaryFails && temporary)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return MoveFileExW(from, to, flags);
}

HANDLE WINAPI scriptedCreate(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                             DWORD disposition, DWORD attributes, HANDLE templateFile) {
    if (script.busyOpens == 0) return CreateFileW(name, access, share, security, disposition, attributes, templateFile);
    if (script.busyOpens > 0) --script.busyOpens;
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
}

void WINAPI fakeSleep(DWORD ms) { script.now += ms; }
ULONGLONG WINAPI fakeTicks() { return script.now; }

// The script's calls for the object's lifetime.
struct ScriptedFileCalls {
    explicit ScriptedFileCalls(const Script& s) {
        script = s;
        fileCalls() = FileCalls{&scriptedCreate, &scriptedReplace, &scriptedMove, &fakeSleep, &fakeTicks};
    }
    ~ScriptedFileCalls() { fileCalls() = saved; }
    FileCalls saved = fileCalls();
};

const std::string kOld = "[config]\r\nsmtpport=26\r\n";
const std::string kNew = "[config]\r\nsmtpport=27\r\n";
const std::string kNone = "(none)";

std::string contentOf(const std::string& path) {
    return GetFileAttributesW(std::filesystem::u8path(path).c_str()) == INVALID_FILE_ATTRIBUTES ? kNone
                                                                                                   : readBytes(path);
}

}  // namespace

TEST(SaveOnWindows, EveryDocumentedReplaceFailureLeavesACompleteFile) {
    struct Case {
        const char* what;
        std::vector<Answer> replace;
        Moves moves;
        std::string real, temporary, backup;  // what each name holds afterwards; new under real: saved
        ULONGLONG waited;                     // on the fake clock
    };
    const std::vector<Case> cases = {
        {"1175 once", {{1175}, {0}}, Moves::Work, kNew, kNone, kNone, 50},
        {"1175 for ever", {{1175}}, Moves::Work, kOld, kNone, kNone, 2000},
        {"busy, then success", {{ERROR_SHARING_VIOLATION}, {ERROR_ACCESS_DENIED}, {ERROR_LOCK_VIOLATION}, {0}},
         Moves::Work, kNew, kNone, kNone, 150},
        {"sharing violation for ever", {{ERROR_SHARING_VIOLATION}}, Moves::Work, kOld, kNone, kNone, 2000},
        {"1176, the old file gone", {{1176, Left::OldGone}}, Moves::Work, kNew, kNone, kNone, 0},
        {"1176, both names kept", {{1176}}, Moves::Work, kNew, kNone, kNone, 0},
        {"1177", {{1177, Left::OldUnderBackup}}, Moves::Work, kNew, kNone, kNone, 0},
        {"1177, the new file stuck", {{1177, Left::OldUnderBackup}}, Moves::TemporaryFails, kOld, kNone, kNone, 2000},
        {"1177, nothing moves", {{1177, Left::OldUnderBackup}}, Moves::AllFail, kNone, kNew, kOld, 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.file("Pelorane.ini");
        writeBytes(path, kOld);
        ConfigStore store;
        ASSERT_TRUE(store.load(path));
        store.setSmtpport(27);
        ScriptedFileCalls calls({c.replace, c.moves});
        EXPECT_EQ(store.save(), c.real == kNew);
        EXPECT_EQ(contentOf(path), c.real);
        EXPECT_EQ(contentOf(path + ".tmp"), c.temporary);
        EXPECT_EQ(contentOf(path + ".old"), c.backup);
        EXPECT_EQ(store.currentFile(), c.real == kNone ? path + ".tmp" : path);  // named by the failure message
        EXPECT_TRUE(script.now >= c.waited && script.now < c.waited + 100) << script.now;
    }
}

TEST(SaveOnWindows, ABusyFileIsWaitedForAndAHeldOneIsShared) {
    struct Case {
        int busyOpens;
        bool heldBySyncTool;  // open elsewhere for writing and deleting, sharing everything
        bool loaded;
        ULONGLONG waited;
    };
    for (const Case& c : {Case{3, false, true, 150}, Case{-1, false, false, 2000}, Case{0, true, true, 0}}) {
        SCOPED_TRACE(c.busyOpens);
        TempDir dir;
        const std::string path = dir.file("Pelorane.ini");
        writeBytes(path, kOld);
        const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        const HANDLE held = c.heldBySyncTool ? CreateFileW(std::filesystem::u8path(path).c_str(), GENERIC_WRITE | DELETE,
                                                           all, nullptr, OPEN_EXISTING, 0, nullptr)
                                             : INVALID_HANDLE_VALUE;
        ScriptedFileCalls calls({std::vector<Answer>{{0}}, Moves::Work, c.busyOpens});
        ConfigStore store;
        EXPECT_EQ(store.load(path), c.loaded);
        EXPECT_EQ(store.fileUnread(), !c.loaded);
        EXPECT_TRUE(script.now >= c.waited && script.now < c.waited + 100) << script.now;
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    }
}

#endif  // _WIN32
