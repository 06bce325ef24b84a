// The main routine: the two stores, the command line, the common controls and the main dialog.
#include "ui/PeloraneApp.h"

#include <windows.h>
#include <commctrl.h>

#include "core/CommandLine.h"
#include "core/MailCommand.h"
#include "core/MainRoutine.h"
#include "platform/Shell.h"
#include "platform/Utf16_win.h"
#include "ui/Framework.h"
#include "ui/MainDialog.h"
#include "ui/RemoteDialog.h"
#include "ui/ReservationListDialog.h"
#include "ui/SettingsFiles.h"
#include "ui/Text.h"

namespace {

constexpr char kChannelFileName[] = "channels.ini";
constexpr char kSettingsFileName[] = "Pelorane.ini";

// Pelorane が zip ファイルの中か一時フォルダーから起動されました。
const char kTemporaryFolderText[] =
    "Pelorane \x82\xaa zip \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x92\x86\x82\xa9\x88\xea\x8e\x9e\x83\x74\x83\x48\x83\x8b"
    "\x83\x5f\x81\x5b\x82\xa9\x82\xe7\x8b\x4e\x93\xae\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd\x81\x42";
// このままでは設定が失われ、iEPG の関連付けもこの一時フォルダーを指してしまいます。
// zip ファイルを右クリックして「すべて展開」を選び、展開したフォルダーの Pelorane.exe を起動してください。
const char kUnpackFirstText[] =
    "\x82\xb1\x82\xcc\x82\xdc\x82\xdc\x82\xc5\x82\xcd\x90\xdd\x92\xe8\x82\xaa\x8e\xb8\x82\xed\x82\xea\x81\x41iEPG "
    "\x82\xcc\x8a\xd6\x98\x41\x95\x74\x82\xaf\x82\xe0\x82\xb1\x82\xcc\x88\xea\x8e\x9e\x83\x74\x83\x48\x83\x8b\x83\x5f\x81\x5b"
    "\x82\xf0\x8e\x77\x82\xb5\x82\xc4\x82\xb5\x82\xdc\x82\xa2\x82\xdc\x82\xb7\x81\x42\n"
    "zip \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x89\x45\x83\x4e\x83\x8a\x83\x62\x83\x4e\x82\xb5\x82\xc4\x81\x75\x82\xb7"
    "\x82\xd7\x82\xc4\x93\x57\x8a\x4a\x81\x76\x82\xf0\x91\x49\x82\xd1\x81\x41\x93\x57\x8a\x4a\x82\xb5\x82\xbd\x83\x74\x83\x48"
    "\x83\x8b\x83\x5f\x81\x5b\x82\xcc Pelorane.exe \x82\xf0\x8b\x4e\x93\xae\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42";

}  // namespace

void warnIfInTemporaryFolder(const std::string& moduleDirectory) {
    if (moduleDirectory.empty() || !inTemporaryFolder(moduleDirectory)) return;
    informationBox(nullptr, wideFromSjis(kTemporaryFolderText) + L"\n" + widenUtf8(moduleDirectory) + L"\n\n" +
                                wideFromSjis(kUnpackFirstText),
                   MB_OK | MB_ICONWARNING);
}

PeloraneApp::~PeloraneApp() {
    try {
        // Unchanged settings are not written: a folder that refuses them costs no box then, and a
        // booking started from the browser ends without waiting on one.
        saveChangedSettings(nullptr, config_);  // no window is left: the box has no owner
    } catch (...) {
    }
}

int PeloraneApp::run() {
    // The channels first: the settings never refer to them, the command line does.
    channels_.load(moduleDirectory() + kChannelFileName);
    config_.load(moduleDirectory() + kSettingsFileName);
    // Before anything opens: the user learns why the settings are gone and where the file is kept.
    reportUnreadFiles(channels_, config_);

    // Declared before anything can open: its end waits for a job that would still refer to it.
    MainDialog dialog;
    StartActions actions;
    actions.openRemote = [] { runRemoteDialog(nullptr); };
    actions.openReservationList = [] { runReservationListDialog(nullptr); };
    actions.launchMailer = [this](const Reservation& reservation) { return launchMailer(reservation, config_); };
    if (applyCommandLine(splitCommandLine(commandLine()), dialog.reservation, channels_, config_, actions)) return 0;

    // The main dialog holds a date picker and two up-down controls.
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_DATE_CLASSES | ICC_UPDOWN_CLASS;
    InitCommonControlsEx(&classes);

    return runMainDialog(dialog, nullptr);
}
