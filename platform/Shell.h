// Handing a URL to the desktop, which opens it with the registered program, and what the desktop
// needs to know about the program's own place.
#pragma once

#include <string>

// Opens the URL (Shift_JIS bytes) with the program the system has registered for it.
// Nonzero when the system accepted it; 0 when it could not be started or reported failure.
int openUrl(const std::string& url);

// The calling thread in a single-threaded COM apartment while the object lives, as the shell's
// extensions that openUrl may load expect. Nothing to do where there is no COM.
class ShellApartment {
public:
    ShellApartment();
    ~ShellApartment();
    ShellApartment(const ShellApartment&) = delete;
    ShellApartment& operator=(const ShellApartment&) = delete;

private:
    [[maybe_unused]] bool entered_ = false;  // only Windows has an apartment to leave
};

// True when the two paths (UTF-8) name the same file as the file system compares names: each is made
// full, short names are expanded, and case counts only where the system lets it count.
bool sameFile(const std::string& first, const std::string& second);

// True when the folder (UTF-8) is, or lies inside, a temporary folder of the system or the user: where
// an archive viewer unpacks a program that is started from inside a zip. A temporary folder that is a
// drive's root or holds the user's own folder does not count: every program would lie inside it.
bool inTemporaryFolder(const std::string& folder);
