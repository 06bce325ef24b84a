// A stand-in xdg-open for tests on POSIX: a shell script in a private folder that is the whole PATH.
#pragma once

#ifndef _WIN32

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TempDir.h"

// Records its argument count and first argument, then exits with the given status.
// PATH and the folder are restored and removed when the object goes.
class FakeXdgOpen {
public:
    explicit FakeXdgOpen(int exitStatus = 0) : dir_("pelorane-xdg") {
        namespace fs = std::filesystem;
        record_ = dir_.path() / "argument";
        const fs::path script = dir_.path() / "xdg-open";
        {
            std::ofstream out(script, std::ios::binary);
            out << "#!/bin/sh\nprintf '%s\\n%s' \"$#\" \"$1\" > '" << record_.string() << "'\nexit " << exitStatus
                << "\n";
        }
        fs::permissions(script, fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        hadPath_ = path != nullptr;
        if (hadPath_) oldPath_ = path;
        setenv("PATH", dir_.path().c_str(), 1);
    }
    ~FakeXdgOpen() {
        if (hadPath_) {
            setenv("PATH", oldPath_.c_str(), 1);
        } else {
            unsetenv("PATH");
        }
    }
    FakeXdgOpen(const FakeXdgOpen&) = delete;
    FakeXdgOpen& operator=(const FakeXdgOpen&) = delete;

    bool called() const { return std::filesystem::exists(record_); }
    // "<argument count>\n<first argument>" as the script saw them.
    std::string recorded() const { return readBytes(record_.u8string()); }
    // Leaves the folder on PATH but without the script, so nothing can be started.
    void removeScript() { std::filesystem::remove(dir_.path() / "xdg-open"); }

private:
    TempDir dir_;  // removed after PATH is restored
    std::filesystem::path record_;
    std::string oldPath_;
    bool hadPath_ = false;
};

#endif  // _WIN32
