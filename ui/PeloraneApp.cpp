// The main routine: the two stores, the command line, the common controls and the main dialog.
#include "ui/PeloraneApp.h"

#include <windows.h>
#include <commctrl.h>

#include "core/CommandLine.h"
#include "core/MailCommand.h"
#include "core/MainRoutine.h"
#include "ui/MainDialog.h"
#include "ui/RemoteDialog.h"
#include "ui/ReservationListDialog.h"
#include "ui/SettingsFiles.h"

namespace {

constexpr char kChannelFileName[] = "channels.ini";
constexpr char kSettingsFileName[] = "Pelorane.ini";

}  // namespace

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
