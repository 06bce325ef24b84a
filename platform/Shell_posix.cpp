// openUrl through xdg-open on POSIX desktops.
#include "platform/Shell.h"

#include <cerrno>
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
