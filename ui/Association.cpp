// The iEPG file type in the registry: the type's key with icon and open command, the extensions, the MIME types.
#include "ui/Association.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <versionhelpers.h>

#include <iterator>
#include <string>
#include <vector>

#include "core/Application.h"
#include "platform/Shell.h"
#include "platform/Utf16_win.h"
#include "ui/Framework.h"
#include "ui/Text.h"

namespace {

const char kFileTypeDescription[] = "iEPG \x83\x74\x83\x40\x83\x43\x83\x8b";  // "iEPG ファイル"
const char kSuccessText[] =
    "\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xc9\x90\xac\x8c\xf7\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";  // 関連付けに成功しました。
const char kFailureText[] =
    "\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";  // 関連付けに失敗しました。
// 関連付けを登録しましたが、iEPG ファイル / は今も次のプログラムで開かれます。
const char kOtherOpenerHead[] =
    "\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xf0\x93\x6f\x98\x5e\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x82\xaa\x81\x41iEPG "
    "\x83\x74\x83\x40\x83\x43\x83\x8b";
const char kOtherOpenerTail[] =
    "\x82\xcd\x8d\xa1\x82\xe0\x8e\x9f\x82\xcc\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80"
    "\x82\xc5\x8a\x4a\x82\xa9\x82\xea\x82\xdc\x82\xb7\x81\x42";
// 関連付けを登録しましたが、Windows は iEPG ファイル / を開くプログラムをまだ決めていません。
const char kNoOpenerHead[] =
    "\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xf0\x93\x6f\x98\x5e\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x82\xaa\x81\x41Windows "
    "\x82\xcd iEPG \x83\x74\x83\x40\x83\x43\x83\x8b";
const char kNoOpenerTail[] =
    "\x82\xf0\x8a\x4a\x82\xad\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80\x82\xf0"
    "\x82\xdc\x82\xbe\x8c\x88\x82\xdf\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1\x81\x42";
// Pelorane で開くには、iEPG ファイルを右クリックして「プログラムから開く」→「別のプログラムを選択」→
// 「Pelorane」→「常にこのアプリを使う」の順に選んでください。
const char kHowToChooseText[] =
    "Pelorane \x82\xc5\x8a\x4a\x82\xad\x82\xc9\x82\xcd\x81\x41iEPG \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x89\x45\x83\x4e"
    "\x83\x8a\x83\x62\x83\x4e\x82\xb5\x82\xc4\x81\x75\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80\x82\xa9\x82\xe7\x8a\x4a\x82\xad"
    "\x81\x76\x81\xa8\x81\x75\x95\xca\x82\xcc\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80\x82\xf0\x91\x49\x91\xf0\x81\x76\x81\xa8"
    "\x81\x75Pelorane\x81\x76\x81\xa8\x81\x75\x8f\xed\x82\xc9\x82\xb1\x82\xcc\x83\x41\x83\x76\x83\x8a\x82\xf0\x8e\x67\x82\xa4"
    "\x81\x76\x82\xcc\x8f\x87\x82\xc9\x91\x49\x82\xf1\x82\xc5\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42";
// Windows の設定の「既定のアプリ」を開きますか？
const char kOfferText[] =
    "Windows \x82\xcc\x90\xdd\x92\xe8\x82\xcc\x81\x75\x8a\xf9\x92\xe8\x82\xcc\x83\x41\x83\x76\x83\x8a\x81\x76\x82\xf0\x8a\x4a"
    "\x82\xab\x82\xdc\x82\xb7\x82\xa9\x81\x48";

const wchar_t kProgId[] = L"iEPG.file";

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

// The system's answers: the association query (which follows the user's own choice as Explorer
// does) and the Settings app.
class SystemShell : public AssociationShell {
public:
    FileOpener opener(const wchar_t* extension) override {
        return FileOpener{query(extension, ASSOCSTR_EXECUTABLE), query(extension, ASSOCSTR_FRIENDLYAPPNAME)};
    }
    bool hasDefaultAppsPage() override { return IsWindows10OrGreater(); }
    void openDefaultAppsPage() override { openUrl("ms-settings:defaultapps"); }

private:
    static std::wstring query(const wchar_t* extension, ASSOCSTR what) {
        // Without "ignore unknown" Windows names its own chooser for a type no program opens.
        const ASSOCF flags = ASSOCF_INIT_IGNOREUNKNOWN | ASSOCF_NOTRUNCATE;
        DWORD size = 0;
        if (AssocQueryStringW(flags, what, extension, L"open", nullptr, &size) != S_FALSE || size == 0) {
            return std::wstring();
        }
        std::vector<wchar_t> text(size);
        if (AssocQueryStringW(flags, what, extension, L"open", text.data(), &size) != S_OK) return std::wstring();
        return std::wstring(text.data());
    }
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
AssociationShell* overrideShell = nullptr;

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
        const RegistryKey fileType(branch, nullptr, kProgId);
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
            ok &= extension.setString(nullptr, kProgId);
            ok &= extension.setString(L"Content Type", file.contentType);
            // Lists the program under "プログラムから開く" even where the user chose another one.
            const RegistryKey openWith(branch, &extension, L"OpenWithProgids");
            ok &= openWith.created();
            ok &= openWith.setString(kProgId, std::wstring());
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

namespace {

// Tells the user who opens iEPG files now that the keys are written: since Windows 8 the user's own
// choice wins over them, so only the shell's answer says whether the double-click reaches us. The
// choice is made for each extension: the first one that another program (or none) opens is named,
// with the other extensions it opens, unless that is all of them.
void reportOpener(HWND owner, AssociationShell& shell, const std::string& executable) {
    std::vector<FileOpener> openers;
    size_t first = std::size(kFileExtensions);  // the first extension not opened by this program
    for (const FileExtension& file : kFileExtensions) {
        openers.push_back(shell.opener(file.extension));
        const std::wstring& opens = openers.back().executable;
        if (first == std::size(kFileExtensions) && (opens.empty() || !sameFile(narrowUtf8(opens), executable))) {
            first = openers.size() - 1;
        }
    }
    if (first == std::size(kFileExtensions)) {
        informationBox(owner, wideFromSjis(kSuccessText));
        return;
    }
    const FileOpener opener = openers[first];
    std::wstring these;
    size_t count = 0;
    for (size_t i = 0; i < openers.size(); ++i) {
        if (openers[i].executable != opener.executable || openers[i].name != opener.name) continue;
        these += (these.empty() ? L"" : L", ") + std::wstring(kFileExtensions[i].extension);
        ++count;
    }
    const std::wstring files = count < openers.size() ? L" (" + these + L") " : std::wstring();
    std::wstring text;
    if (opener.executable.empty() && opener.name.empty()) {
        text = wideFromSjis(kNoOpenerHead) + files + wideFromSjis(kNoOpenerTail);
    } else {
        text = wideFromSjis(kOtherOpenerHead) + files + wideFromSjis(kOtherOpenerTail) + L"\n\n" + opener.name;
        if (!opener.name.empty() && !opener.executable.empty()) text += L"\n";
        text += opener.executable;
    }
    text += L"\n\n" + wideFromSjis(kHowToChooseText);
    if (!shell.hasDefaultAppsPage()) {
        informationBox(owner, text, MB_OK | MB_ICONWARNING);
        return;
    }
    text += L"\n\n" + wideFromSjis(kOfferText);
    if (informationBox(owner, text, MB_YESNO | MB_ICONWARNING) == IDYES) shell.openDefaultAppsPage();
}

}  // namespace

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
    if (!ok) {
        errorBox(owner, wideFromSjis(kFailureText));
        return false;
    }
    // Explorer and the browsers cache the associations: tell them, or they see it only after a restart.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    if (overrideShell != nullptr) {
        reportOpener(owner, *overrideShell, application->modulePath());
    } else {
        SystemShell shell;
        reportOpener(owner, shell, application->modulePath());
    }
    return true;
}

AssociationBranchesOverride::AssociationBranchesOverride(RegistryBranch& classesRoot, RegistryBranch& userClasses) {
    overrideClassesRoot = &classesRoot;
    overrideUserClasses = &userClasses;
}

AssociationBranchesOverride::~AssociationBranchesOverride() {
    overrideClassesRoot = nullptr;
    overrideUserClasses = nullptr;
}

AssociationShellOverride::AssociationShellOverride(AssociationShell& shell) { overrideShell = &shell; }

AssociationShellOverride::~AssociationShellOverride() { overrideShell = nullptr; }
