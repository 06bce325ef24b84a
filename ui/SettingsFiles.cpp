// Saving the settings files with one notice per file and run when the folder refuses them (a
// program unpacked where the user may not write, such as "C:\Program Files"), and the notice at
// start that a file there could not be read.
#include "ui/SettingsFiles.h"

#include <string>

#include "core/Application.h"
#include "platform/FileHandle.h"
#include "platform/Utf16_win.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "ui/Framework.h"
#include "ui/Text.h"

namespace {

const char kNotSavedText[] =
    "\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42";  // 設定を保存できませんでした。
const char kNotReadText[] =
    "\x90\xdd\x92\xe8\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1"
    "\x82\xc5\x82\xb5\x82\xbd\x81\x42";  // 設定ファイルを読み込めませんでした。
const char kDefaultsUsedText[] =
    "\x8a\xf9\x92\xe8\x82\xcc\x90\xdd\x92\xe8\x82\xc5\x8b\x4e\x93\xae\x82\xb5\x82\xdc\x82\xb7\x81\x42\x8c\xb3\x82\xcc"
    "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcd .bak \x82\xc6\x82\xb5\x82\xc4\x8e\x63\x82\xb5\x82\xdc\x82\xb7\x81\x42";
    // 既定の設定で起動します。元のファイルは .bak として残します。
// holder: the file that has the settings now, which the user may want to look after.
bool reportIfFailed(HWND owner, bool saved, const std::string& path, const std::string& holder) {
    if (saved) return true;
    // Every later save of the same file fails for the same reason; one box per file and run is enough.
    ApplicationBase* application = ApplicationBase::current();
    if (application != nullptr && !application->firstSaveFailure(path)) return false;
    const std::wstring text = wideFromSjis(kNotSavedText) + L"\n" + widenUtf8(absolutePath(holder));
    MessageBoxW(owner, text.c_str(), nullptr, MB_OK);
    return false;
}

}  // namespace

bool saveSettings(HWND owner, ConfigStore& config) {
    return reportIfFailed(owner, config.save(), config.path(), config.currentFile());
}

bool saveChangedSettings(HWND owner, ConfigStore& config) {
    return reportIfFailed(owner, config.saveIfChanged(), config.path(), config.currentFile());
}

bool saveChannels(HWND owner, ChannelTable& channels) {
    return reportIfFailed(owner, channels.save(), channels.path(), channels.currentFile());
}

void reportUnreadFiles(const ChannelTable& channels, const ConfigStore& config) {
    std::wstring paths;
    for (const std::string* path : {channels.fileUnread() ? &channels.path() : nullptr,
                                    config.fileUnread() ? &config.path() : nullptr}) {
        if (path != nullptr) paths += widenUtf8(absolutePath(*path)) + L"\n";
    }
    if (paths.empty()) return;
    const std::wstring text = wideFromSjis(kNotReadText) + L"\n" + paths + wideFromSjis(kDefaultsUsedText);
    informationBox(nullptr, text, MB_OK | MB_ICONWARNING);
}
