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

bool replaceFile(const std::string& source, const std::string& target) {
    return MoveFileExW(widenUtf8(source).c_str(), widenUtf8(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const std::string& path) { return DeleteFileW(widenUtf8(path).c_str()) != 0; }
