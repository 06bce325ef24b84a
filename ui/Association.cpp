// The iEPG file type in the registry: the type's key with icon and open command, the extension, the MIME type.
#include "ui/Association.h"

#include <string>

#include "core/Application.h"
#include "platform/Utf16_win.h"
#include "ui/Text.h"

namespace {

const char kFileTypeDescription[] = "iEPG \x83\x74\x83\x40\x83\x43\x83\x8b";  // "iEPG ファイル"
const char kSuccessText[] =
    "\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xc9\x90\xac\x8c\xf7\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";  // 関連付けに成功しました。

// A key created for writing; closed when it ends. Without a key every write fails.
class RegistryKey {
public:
    RegistryKey(HKEY parent, const wchar_t* subkey) {
        if (parent == nullptr) return;
        if (RegCreateKeyExW(parent, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~RegistryKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY handle() const { return key_; }
    bool created() const { return key_ != nullptr; }

    // Sets a REG_SZ value (null name: the key's default value); true when it was written.
    bool setString(const wchar_t* name, const std::wstring& value) const {
        if (key_ == nullptr) return false;
        const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
               ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};

// Every step runs even after a failure; the result says whether all of them succeeded.
bool writeAssociation(const std::wstring& executable) {
    const std::wstring quoted = L"\"" + executable + L"\"";
    bool ok = true;
    {
        const RegistryKey fileType(HKEY_CLASSES_ROOT, L"iEPG.file");
        ok &= fileType.created();
        ok &= fileType.setString(nullptr, wideFromSjis(kFileTypeDescription));
        {
            const RegistryKey icon(fileType.handle(), L"DefaultIcon");
            ok &= icon.created();
            ok &= icon.setString(nullptr, quoted + L",1");  // icon index 1: the file type's
        }
        {
            const RegistryKey command(fileType.handle(), L"shell\\open\\command");
            ok &= command.created();
            ok &= command.setString(nullptr, quoted + L" \"%1\"");
        }
    }
    {
        const RegistryKey extension(HKEY_CLASSES_ROOT, L".iepg");
        ok &= extension.created();
        ok &= extension.setString(nullptr, L"iEPG.file");
        ok &= extension.setString(L"Content Type", L"application/x-tv-program-info");
    }
    {
        const RegistryKey mime(HKEY_CLASSES_ROOT, L"MIME\\Database\\Content Type\\application/x-tv-program-info");
        ok &= mime.created();
        ok &= mime.setString(L"Extension", L".iepg");
    }
    return ok;
}

}  // namespace

bool registerIepgAssociation(HWND owner) {
    const ApplicationBase* application = ApplicationBase::current();
    if (application == nullptr || application->modulePath().empty()) return false;
    // The module path is UTF-8; the registry gets it unchanged as UTF-16.
    if (!writeAssociation(widenUtf8(application->modulePath()))) return false;
    MessageBoxW(owner, wideFromSjis(kSuccessText).c_str(), nullptr, MB_OK);
    return true;
}
