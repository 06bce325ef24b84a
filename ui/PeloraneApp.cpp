// Main routine of the first user-interface build: the stores, the common controls and template 101.
// The main dialog here only closes; the reservation dialog and the command line replace it.
#include "ui/PeloraneApp.h"

#include <windows.h>
#include <commctrl.h>

#include "ui/Framework.h"
#include "ui/Resource.h"

namespace {

constexpr char kChannelFileName[] = "channels.ini";
constexpr char kSettingsFileName[] = "Pelorane.ini";

// Placeholder for the main reservation dialog: the template with its menu, closed by Cancel or "終了(&C)".
struct PlaceholderMainDialog {
    HWND hwnd = nullptr;
};

BOOL openPlaceholder(PlaceholderMainDialog&) { return TRUE; }

INT_PTR handlePlaceholder(PlaceholderMainDialog& dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    // Escape, the close box, the Cancel button and the menu's "終了(&C)" all arrive as IDCANCEL.
    if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog.hwnd, IDCANCEL);
    return TRUE;
}

}  // namespace

PeloraneApp::~PeloraneApp() {
    try {
        config_.save();  // failure is silent: there is nobody left to tell
    } catch (...) {
    }
}

int PeloraneApp::run() {
    channels_.load(moduleDirectory() + kChannelFileName);
    config_.load(moduleDirectory() + kSettingsFileName);

    // The main dialog holds a date picker and two up-down controls.
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_DATE_CLASSES | ICC_UPDOWN_CLASS;
    InitCommonControlsEx(&classes);

    PlaceholderMainDialog dialog;
    return static_cast<int>(
        runModalDialog<PlaceholderMainDialog, openPlaceholder, handlePlaceholder>(IDD_MAIN, nullptr, dialog));
}
