// openUrl through xdg-open on POSIX desktops, and paths compared as the file system does.
#include "platform/Shell.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

extern char** environ;

int openUrl(const std::string& url) {
    // posix_spawnp wants mutable argument strings; these copies outlive the call.
    std::string program = "xdg-open";
    std::string argument = url;
    char* argv[] = {&program[0], &argument[0], nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return 0;
    // xdg-open hands the URL over and returns quickly; its exit status tells whether that worked.
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited != child) return 0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
}

// No COM here: nothing to enter.
ShellApartment::ShellApartment() = default;
ShellApartment::~ShellApartment() = default;

namespace {

// The canonical path (links resolved); the path itself when it does not exist.
std::string canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

}  // namespace

bool sameFile(const std::string& first, const std::string& second) { return canonical(first) == canonical(second); }

bool inTemporaryFolder(const std::string& folder) {
    const char* tmpdir = std::getenv("TMPDIR");
    const char* home = std::getenv("HOME");
    std::string base = canonical(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp");
    std::string place = canonical(folder);
    std::string own = canonical(home != nullptr && *home != '\0' ? home : "/");
    if (base.empty() || base.back() != '/') base += '/';
    if (place.empty() || place.back() != '/') place += '/';
    if (own.empty() || own.back() != '/') own += '/';
    // The root, the home folder or one above it would take in every program the user keeps.
    if (own.compare(0, base.size(), base) == 0) return false;
    return place.compare(0, base.size(), base) == 0;
}
