// The iEPG file type in the registry: the type's key with icon and open command, the extensions, the MIME types.
#include "ui/Association.h"

#include <shlobj.h>

#include <string>

#include "core/Application.h"
#include "platform/Utf16_win.h"
#include "ui/Text.h"

namespace {

const char kFileTypeDescription[] = "iEPG \x83\x74\x83\x40\x83\x43\x83\x8b";  // "iEPG ファイル"
const char kSuccessText[] =
    "\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xc9\x90\xac\x8c\xf7\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";  // 関連付けに成功しました。
const char kFailureText[] =
    "\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";  // 関連付けに失敗しました。

const wchar_t kProgramInfo[] = L"application/x-tv-program-info";
const wchar_t kDigitalProgramInfo[] = L"application/x-tv-program-digital-info";
const wchar_t kContentTypes[] = L"MIME\\Database\\Content Type\\";

// The names guide sites and browsers give iEPG files, each with its content type; the content type's
// own key names one extension, the one a browser gives a file of that type.
struct FileExtension {
    const wchar_t* extension;
    const wchar_t* contentType;
    bool namedByContentType;
};
const FileExtension kFileExtensions[] = {
    {L".iepg", kProgramInfo, true},
    {L".tvpi", kProgramInfo, false},
    {L".tvpid", kDigitalProgramInfo, true},
};

// The per-user classes that the classes root merges in.
const wchar_t kUserClasses[] = L"Software\\Classes";

// A branch of the real registry below an open root key.
class SystemBranch : public RegistryBranch {
public:
    explicit SystemBranch(HKEY root) : root_(root) {}

    HKEY createKey(HKEY parent, const wchar_t* subkey) override {
        if (parent == nullptr) parent = root_;
        if (parent == nullptr) return nullptr;
        HKEY key = nullptr;
        if (RegCreateKeyExW(parent, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return nullptr;
        }
        return key;
    }
    bool setString(HKEY key, const wchar_t* name, const std::wstring& value) override {
        const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
               ERROR_SUCCESS;
    }
    void closeKey(HKEY key) override { RegCloseKey(key); }

private:
    HKEY root_;
};

// HKEY_CURRENT_USER\Software\Classes, opened (created) for the branch's lifetime; without it every
// write fails.
class UserClassesBranch : public SystemBranch {
public:
    UserClassesBranch() : SystemBranch(open()) {}
    ~UserClassesBranch() override {
        if (key_ != nullptr) RegCloseKey(key_);
    }

private:
    HKEY open() {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kUserClasses, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
        }
        return key_;
    }
    HKEY key_ = nullptr;
};

RegistryBranch* overrideClassesRoot = nullptr;
RegistryBranch* overrideUserClasses = nullptr;

// A key created for writing in a branch; closed when it ends. Without a key every write fails.
class RegistryKey {
public:
    RegistryKey(RegistryBranch& branch, const RegistryKey* parent, const wchar_t* subkey) : branch_(branch) {
        if (parent != nullptr && !parent->created()) return;
        key_ = branch.createKey(parent != nullptr ? parent->key_ : nullptr, subkey);
    }
    ~RegistryKey() {
        if (key_ != nullptr) branch_.closeKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool created() const { return key_ != nullptr; }

    bool setString(const wchar_t* name, const std::wstring& value) const {
        return key_ != nullptr && branch_.setString(key_, name, value);
    }

private:
    RegistryBranch& branch_;
    HKEY key_ = nullptr;
};

}  // namespace

bool writeAssociation(RegistryBranch& branch, const std::wstring& executable) {
    const std::wstring quoted = L"\"" + executable + L"\"";
    bool ok = true;
    {
        const RegistryKey fileType(branch, nullptr, L"iEPG.file");
        ok &= fileType.created();
        ok &= fileType.setString(nullptr, wideFromSjis(kFileTypeDescription));
        {
            const RegistryKey icon(branch, &fileType, L"DefaultIcon");
            ok &= icon.created();
            ok &= icon.setString(nullptr, quoted + L",1");  // icon index 1: the file type's
        }
        {
            const RegistryKey command(branch, &fileType, L"shell\\open\\command");
            ok &= command.created();
            ok &= command.setString(nullptr, quoted + L" \"%1\"");
        }
    }
    for (const FileExtension& file : kFileExtensions) {
        {
            const RegistryKey extension(branch, nullptr, file.extension);
            ok &= extension.created();
            ok &= extension.setString(nullptr, L"iEPG.file");
            ok &= extension.setString(L"Content Type", file.contentType);
        }
        if (file.namedByContentType) {
            const RegistryKey mime(branch, nullptr, (std::wstring(kContentTypes) + file.contentType).c_str());
            ok &= mime.created();
            ok &= mime.setString(L"Extension", file.extension);
        }
    }
    return ok;
}

bool writeAssociationForUser(RegistryBranch& classesRoot, RegistryBranch& userClasses,
                             const std::wstring& executable) {
    // Without administrator rights the classes root refuses keys that would go to the machine's
    // part; the user's own classes take the same set, and the classes root shows them from there.
    return writeAssociation(classesRoot, executable) || writeAssociation(userClasses, executable);
}

bool registerIepgAssociation(HWND owner) {
    const ApplicationBase* application = ApplicationBase::current();
    bool ok = false;
    if (application != nullptr && !application->modulePath().empty()) {
        // The module path is UTF-8; the registry gets it unchanged as UTF-16.
        const std::wstring executable = widenUtf8(application->modulePath());
        if (overrideClassesRoot != nullptr) {
            ok = writeAssociationForUser(*overrideClassesRoot, *overrideUserClasses, executable);
        } else {
            SystemBranch classesRoot(HKEY_CLASSES_ROOT);
            UserClassesBranch userClasses;
            ok = writeAssociationForUser(classesRoot, userClasses, executable);
        }
    }
    // Explorer and the browsers cache the associations: tell them, or they see it only after a restart.
    if (ok) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    MessageBoxW(owner, wideFromSjis(ok ? kSuccessText : kFailureText).c_str(), nullptr, MB_OK);
    return ok;
}

AssociationBranchesOverride::AssociationBranchesOverride(RegistryBranch& classesRoot, RegistryBranch& userClasses) {
    overrideClassesRoot = &classesRoot;
    overrideUserClasses = &userClasses;
}

AssociationBranchesOverride::~AssociationBranchesOverride() {
    overrideClassesRoot = nullptr;
    overrideUserClasses = nullptr;
}
