// FileHandle on Windows: wide-character file calls.
#include "platform/FileHandle.h"

#include <windows.h>

#include "platform/FileCalls_win.h"
#include "platform/Utf16_win.h"

FileHandle::~FileHandle() { close(); }

namespace {

// How long a file held by a virus scanner, the indexer or a sync tool is waited for, and how often
// it is tried meanwhile.
constexpr ULONGLONG kBusyWaitMs = 2000;
constexpr DWORD kBusyPollMs = 50;

// Repeats attempt (true: done) while it fails with an error busy() accepts, for up to kBusyWaitMs.
// ERROR_SUCCESS, or the error of the last attempt.
template <class Attempt, class Busy>
DWORD retryWhileBusy(Attempt attempt, Busy busy) {
    FileCalls& calls = fileCalls();
    const ULONGLONG start = calls.tickCount();
    for (;;) {
        if (attempt()) return ERROR_SUCCESS;
        const DWORD error = GetLastError();
        if (!busy(error) || calls.tickCount() - start >= kBusyWaitMs) return error;
        calls.sleep(kBusyPollMs);
    }
}

}  // namespace

FileCalls& fileCalls() {
    static FileCalls calls;
    return calls;
}

bool FileHandle::openRead(const std::string& path) {
    if (isOpen()) return false;
    const std::wstring wide = widenUtf8(path);
    // Full sharing: a reader must not stop a sync tool that holds the file for writing or renaming.
    return retryWhileBusy(
        [&] {
            handle_ = fileCalls().createFile(wide.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            return isOpen();
        },
        [](DWORD error) { return error == ERROR_SHARING_VIOLATION; }) == ERROR_SUCCESS;
}

bool FileHandle::createWrite(const std::string& path) {
    if (isOpen()) return false;
    handle_ = CreateFileW(widenUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
    return isOpen();
}

bool FileHandle::isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

bool FileHandle::close() {
    if (!isOpen()) return true;
    const BOOL ok = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok != 0;
}

bool FileHandle::sync() { return isOpen() && FlushFileBuffers(handle_) != 0; }

int FileHandle::read(char* buffer, int size) {
    DWORD got = 0;
    if (!isOpen() || size < 0 || !ReadFile(handle_, buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
    return static_cast<int>(got);
}

int FileHandle::write(const char* data, int size) {
    DWORD put = 0;
    if (!isOpen() || size < 0 || !WriteFile(handle_, data, static_cast<DWORD>(size), &put, nullptr)) return -1;
    return static_cast<int>(put);
}

namespace {

// The attributes SetFileAttributesW can give back; read-only never gets this far.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_SYSTEM;

// What a virus scanner, the indexer or a sync tool holding a file makes ReplaceFileW or a move say.
bool replaceBusy(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

bool moveInPlace(const std::wstring& from, const std::wstring& to) {
    return fileCalls().moveFile(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// A move in the middle of a failed replace, where the moment's holder of either file is waited for.
bool moveWhenFree(const std::wstring& from, const std::wstring& to) {
    return retryWhileBusy([&] { return moveInPlace(from, to); }, replaceBusy) == ERROR_SUCCESS;
}

bool nameInUse(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool replaceFile(const std::string& source, const std::string& target) {
    // ReplaceFileW under Wine refuses relative paths.
    const std::wstring from = widenUtf8(absolutePath(source));
    const std::wstring to = widenUtf8(absolutePath(target));
    const DWORD old = GetFileAttributesW(to.c_str());
    if (old == INVALID_FILE_ATTRIBUTES) return moveInPlace(from, to);
    // A folder is never replaced by a file (Wine's ReplaceFileW would remove it and its content).
    if ((old & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;

    // ReplaceFileW keeps the old file's security descriptor and attributes (a moved file would bring
    // its own). The old file goes to a name of this program's own, where it can be fetched back when
    // the replace stops half-way; one left there by an earlier save is stale, as the target is here.
    const std::wstring backup = widenUtf8(absolutePath(target + kReplacedCopySuffix));
    DeleteFileW(backup.c_str());
    const DWORD error = retryWhileBusy(
        [&] {
            return fileCalls().replaceFile(to.c_str(), from.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                                           nullptr, nullptr) != 0;
        },
        replaceBusy);
    bool replaced = error == ERROR_SUCCESS;
    // 1176: the new file is still under its own name; with a backup name the old one should be too,
    // but without one it is gone. 1177: the old file is under the backup name. Any other failure
    // leaves both names as they were, unless the target went away meanwhile. Whatever is missing
    // under the real name is filled: with the new file, or else with the old one.
    const bool oldUnderBackup = error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
    if (!replaced && (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || oldUnderBackup || !nameInUse(to))) {
        replaced = moveWhenFree(from, to);
        if (!replaced && (oldUnderBackup || !nameInUse(to))) moveWhenFree(backup, to);
    }
    // Kept only while it may be the one complete old file.
    if (replaced || (!oldUnderBackup && nameInUse(to))) DeleteFileW(backup.c_str());
    if (!replaced) return false;
    // Wine's ReplaceFileW, and a move, drop the old file's attributes; they are given back.
    const DWORD kept = old & kKeptAttributes;
    if ((GetFileAttributesW(to.c_str()) & kKeptAttributes) != kept) {
        SetFileAttributesW(to.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
    }
    return true;
}

bool moveFile(const std::string& source, const std::string& target) {
    return moveInPlace(widenUtf8(source), widenUtf8(target));
}

bool keepAside(const std::string& source, const std::string& copy) {
    const std::wstring from = widenUtf8(source);
    const std::wstring to = widenUtf8(copy);
    // A hard link refuses an existing name; an older copy goes first, a folder there stays and fails.
    const DWORD old = GetFileAttributesW(to.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileW(to.c_str());
    // The file stays under its name, so the save's ReplaceFileW keeps its security descriptor.
    if (CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) return true;
    return moveFile(source, copy);  // FAT and network shares have no hard links
}

bool nameInUse(const std::string& path) { return nameInUse(widenUtf8(path)); }

bool isFileOrUnknown(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(widenUtf8(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool removeFile(const std::string& path) { return DeleteFileW(widenUtf8(path).c_str()) != 0; }

std::string absolutePath(const std::string& path) {
    const std::wstring wide = widenUtf8(path);
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return narrowUtf8(full);
}
