// FileHandle on POSIX systems.
#include "platform/FileHandle.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileHandle::~FileHandle() { close(); }

bool FileHandle::openRead(const std::string& path) {
    if (fd_ >= 0) return false;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ >= 0;
}

bool FileHandle::createWrite(const std::string& path) {
    if (fd_ >= 0) return false;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd_ >= 0;
}

bool FileHandle::isOpen() const { return fd_ >= 0; }

bool FileHandle::close() {
    if (fd_ < 0) return true;
    const int r = ::close(fd_);
    fd_ = -1;
    return r == 0;
}

bool FileHandle::sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

int FileHandle::read(char* buffer, int size) {
    if (fd_ < 0 || size < 0) return -1;
    ssize_t n;
    do {
        n = ::read(fd_, buffer, static_cast<size_t>(size));
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<int>(n);
}

int FileHandle::write(const char* data, int size) {
    if (fd_ < 0 || size < 0) return -1;
    ssize_t n;
    do {
        n = ::write(fd_, data, static_cast<size_t>(size));
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<int>(n);
}

namespace {

// Makes a rename in the folder of path durable; a folder that cannot be synced is left as it is.
void syncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool replaceFile(const std::string& source, const std::string& target) {
    // A file kept private (passwords) must not become readable by others through a save.
    struct stat old;
    if (::stat(target.c_str(), &old) == 0 && ::chmod(source.c_str(), old.st_mode & 07777) != 0) return false;
    if (std::rename(source.c_str(), target.c_str()) != 0) return false;
    syncFolderOf(target);
    return true;
}

bool moveFile(const std::string& source, const std::string& target) {
    return std::rename(source.c_str(), target.c_str()) == 0;
}

bool keepAside(const std::string& source, const std::string& copy) {
    // link() refuses an existing name; an older copy goes first, a folder there stays and fails.
    struct stat st;
    if (::lstat(copy.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(copy.c_str());
    // Flags 0: a symbolic link is kept as the link, as a rename would keep it.
    if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, copy.c_str(), 0) == 0) return true;
    return moveFile(source, copy);
}

bool nameInUse(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

bool isFileOrUnknown(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return !S_ISDIR(st.st_mode);
    return errno != ENOENT && errno != ENOTDIR;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::string absolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char buffer[4096];
    if (getcwd(buffer, sizeof buffer) == nullptr) return path;
    return std::string(buffer) + "/" + path;
}
