// A file as a byte stream; paths are UTF-8 (converted to UTF-16 on Windows).
#pragma once

#include <string>

#include "io/Streams.h"

class FileHandle : public ByteStream {
public:
    FileHandle() = default;
    ~FileHandle() override;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Opens an existing file for reading; others may read, write, rename or delete it meanwhile. A
    // file someone holds without sharing is tried again for up to 2 seconds.
    bool openRead(const std::string& path);
    // Creates the file for writing, truncating an existing one; no sharing.
    bool createWrite(const std::string& path);
    bool isOpen() const;
    // Puts what was written through this handle on the disk; false when that failed.
    bool sync();

    bool close() override;
    int read(char* buffer, int size) override;
    int write(const char* data, int size) override;

private:
#ifdef _WIN32
    void* handle_ = reinterpret_cast<void*>(static_cast<long long>(-1));  // INVALID_HANDLE_VALUE
#else
    int fd_ = -1;
#endif
};

// The absolute form of a UTF-8 path, as the user would look for the file; the path itself when
// that cannot be worked out.
std::string absolutePath(const std::string& path);
// Where replaceFile keeps the old target for a moment on Windows (target + suffix): a save that
// stops half-way can fetch it back from there.
constexpr const char* kReplacedCopySuffix = ".old";
// Replaces target by source, which takes over target's permissions and attributes; source's data
// must be on the disk already (FileHandle::sync). A file busy with another program is tried again
// for up to 2 seconds. True when target holds source's content. On false a file that was under
// target is there again, unchanged, and source is still there; when nothing could be put back,
// target is empty and source holds the only complete copy of the new content.
bool replaceFile(const std::string& source, const std::string& target);
// Renames source to target, replacing a file there; false when nothing was moved.
bool moveFile(const std::string& source, const std::string& target);
// Makes copy a second name of source's file (replacing a file there), so that source stays in
// place until a later replaceFile takes over its permissions; where the file system has no second
// names, renames source to copy. False when copy does not hold the file afterwards.
bool keepAside(const std::string& source, const std::string& copy);
// Something (a file or a folder) is at path, or may be: false only when the system says there is
// nothing there.
bool nameInUse(const std::string& path);
// Something other than a folder is at path, or may be: false only when the system says there is
// nothing there or it is a folder.
bool isFileOrUnknown(const std::string& path);
// Removes a file; false when it could not be removed.
bool removeFile(const std::string& path);
