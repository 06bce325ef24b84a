// Saving the settings files with one notice per run when the folder refuses them (a program
// unpacked where the user may not write, such as "C:\Program Files").
#include "ui/SettingsFiles.h"

#include <string>

#include "core/Application.h"
#include "platform/FileHandle.h"
#include "platform/Utf16_win.h"
#include "settings/ChannelTable.h"
#include "settings/ConfigStore.h"
#include "ui/Text.h"

namespace {

const char kNotSavedText[] =
    "\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42";  // 設定を保存できませんでした。


bool reportIfFailed(HWND owner, bool saved, const std::string& path) {
    if (saved) return true;
    // Every later save fails for the same reason; one box per run is enough.
    ApplicationBase* application = ApplicationBase::current();
    if (application != nullptr && !application->firstSaveFailure()) return false;
    const std::wstring text = wideFromSjis(kNotSavedText) + L"\n" + widenUtf8(absolutePath(path));
    MessageBoxW(owner, text.c_str(), nullptr, MB_OK);
    return false;
}

}  // namespace

bool saveSettings(HWND owner, ConfigStore& config) { return reportIfFailed(owner, config.save(), config.path()); }

bool saveChannels(HWND owner, ChannelTable& channels) {
    return reportIfFailed(owner, channels.save(), channels.path());
}
