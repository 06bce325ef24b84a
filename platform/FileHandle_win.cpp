// FileHandle on Windows: wide-character file calls.
#include "platform/FileHandle.h"

#include <windows.h>

#include "platform/Utf16_win.h"

FileHandle::~FileHandle() { close(); }

bool FileHandle::openRead(const std::string& path) {
    if (isOpen()) return false;
    handle_ = CreateFileW(widenUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    return isOpen();
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

}  // namespace

bool replaceFile(const std::string& source, const std::string& target) {
    // ReplaceFileW under Wine refuses relative paths.
    const std::wstring from = widenUtf8(absolutePath(source));
    const std::wstring to = widenUtf8(absolutePath(target));
    // Data first, then the name: a crash must leave the old file or the whole new one.
    const HANDLE file = CreateFileW(from.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL flushed = FlushFileBuffers(file);
    CloseHandle(file);
    if (!flushed) return false;
    // ReplaceFileW keeps the old file's security descriptor and attributes (a moved file would
    // bring its own); a plain move is only for a target that is not there. Wine's ReplaceFileW
    // drops the attributes, so they are given back.
    const DWORD old = GetFileAttributesW(to.c_str());
    if (old != INVALID_FILE_ATTRIBUTES) {
        // A folder is never replaced by a file (Wine's ReplaceFileW would remove it and its content).
        if ((old & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
        if (ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
            const DWORD kept = old & kKeptAttributes;
            if ((GetFileAttributesW(to.c_str()) & kKeptAttributes) != kept) {
                SetFileAttributesW(to.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
            }
            return true;
        }
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;  // else it went away meanwhile
    }
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool moveFile(const std::string& source, const std::string& target) {
    return MoveFileExW(widenUtf8(source).c_str(), widenUtf8(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
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
