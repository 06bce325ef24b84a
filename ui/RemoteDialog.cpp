// The remote-control panel: each command id of its buttons and menus is one key sent to the recorder.
#include "ui/RemoteDialog.h"

#include "core/Application.h"
#include "recorder/RemoteKey.h"
#include "settings/ConfigStore.h"
#include "ui/Framework.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"
#include "ui/Text.h"

namespace {

const char kTitleSuffix[] = " - \x83\x8a\x83\x82\x83\x52\x83\x93";  // " - リモコン"

struct RemoteDialog {
    HWND hwnd = nullptr;
    ConfigStore* config = nullptr;
};

BOOL onInit(RemoteDialog& d) {
    setWindowText(d.hwnd, d.config->getPelorane() + kTitleSuffix);
    return TRUE;
}

INT_PTR onMessage(RemoteDialog& d, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(d.hwnd, id);
        return TRUE;
    }
    // Synchronous on purpose: the panel waits for the recorder, one key at a time.
    if (sendRemoteKey(*d.config, id) == RemoteKeyResult::NotConfigured) runHttpDialog(d.hwnd);
    return TRUE;
}

}  // namespace

int runRemoteDialog(HWND owner) {
    Application* application = theApplication();
    if (application == nullptr) return -1;
    RemoteDialog dialog;
    dialog.config = &application->config();
    return static_cast<int>(runModalDialog<RemoteDialog, &onInit, &onMessage>(IDD_REMOTE, owner, dialog));
}
