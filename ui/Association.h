// Registers the program as the handler of iEPG files: ".iepg" and ".tvpi" ("application/x-tv-program-info")
// and ".tvpid" ("application/x-tv-program-digital-info").
#pragma once

#include <windows.h>

#include <string>

// The registry calls the association makes, below one root: the classes root, the user's own
// classes, or a stand-in. Key handles are the branch's own; null means none.
class RegistryBranch {
public:
    virtual ~RegistryBranch() = default;
    // Opens or creates subkey (may be a path) below parent, or below the branch's root when parent
    // is null, for writing; null when that failed.
    virtual HKEY createKey(HKEY parent, const wchar_t* subkey) = 0;
    // Sets a REG_SZ value (null name: the key's default value); false when it was not written.
    virtual bool setString(HKEY key, const wchar_t* name, const std::wstring& value) = 0;
    virtual void closeKey(HKEY key) = 0;
};

// Writes the file type's keys and values for the executable below branch. Every step is tried even
// after a failure; true when every key was created and every value written.
bool writeAssociation(RegistryBranch& branch, const std::wstring& executable);

// Writes the keys below classesRoot; when any of them failed, the same set below userClasses (what
// a user without administrator rights can write, merged into the classes root by Windows).
// True when one of the two sets was written completely.
bool writeAssociationForUser(RegistryBranch& classesRoot, RegistryBranch& userClasses,
                             const std::wstring& executable);

// The program Windows starts to open a file: its full path and the name Explorer shows for it. Either
// may be missing (an app without an executable of its own has only a name); both when Windows names
// none.
struct FileOpener {
    std::wstring executable;
    std::wstring name;
};

// What the association asks of the shell once the keys are written.
class AssociationShell {
public:
    virtual ~AssociationShell() = default;
    // Who opens files with the extension ("open"): the user's own choice, which no program may write
    // and which wins over the keys, included.
    virtual FileOpener opener(const wchar_t* extension) = 0;
    // True where the Settings app has the default-apps page (Windows 10 and later).
    virtual bool hasDefaultAppsPage() = 0;
    virtual void openDefaultAppsPage() = 0;
};

// Writes the keys for this executable (classes root, else the user's classes) and tells the shell.
// Then a message box owned by `owner` says what came of it: the failure; the success when Windows
// opens iEPG files of each extension with this executable now; otherwise who opens them instead
// (and which extensions, when not all) and how to choose this program, with the offer to open the
// default-apps page. True when the keys were written.
bool registerIepgAssociation(HWND owner);

// While an object lives, registerIepgAssociation writes to these branches instead of the registry's.
class AssociationBranchesOverride {
public:
    AssociationBranchesOverride(RegistryBranch& classesRoot, RegistryBranch& userClasses);
    ~AssociationBranchesOverride();
    AssociationBranchesOverride(const AssociationBranchesOverride&) = delete;
    AssociationBranchesOverride& operator=(const AssociationBranchesOverride&) = delete;
};

// While an object lives, registerIepgAssociation asks this shell instead of the system's.
class AssociationShellOverride {
public:
    explicit AssociationShellOverride(AssociationShell& shell);
    ~AssociationShellOverride();
    AssociationShellOverride(const AssociationShellOverride&) = delete;
    AssociationShellOverride& operator=(const AssociationShellOverride&) = delete;
};
