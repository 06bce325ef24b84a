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

// Writes the keys for this executable (classes root, else the user's classes) and tells the shell.
// Either way a message box owned by `owner` says whether it worked. True on success.
bool registerIepgAssociation(HWND owner);

// While an object lives, registerIepgAssociation writes to these branches instead of the registry's.
class AssociationBranchesOverride {
public:
    AssociationBranchesOverride(RegistryBranch& classesRoot, RegistryBranch& userClasses);
    ~AssociationBranchesOverride();
    AssociationBranchesOverride(const AssociationBranchesOverride&) = delete;
    AssociationBranchesOverride& operator=(const AssociationBranchesOverride&) = delete;
};
