// The tool settings dialog (105): main title, the two booking actions, addresses, version, iEPG association.
#include "core/Application.h"
#include "core/Reservation.h"
#include "ui/Association.h"
#include "ui/Framework.h"
#include "ui/ProgramVersion.h"
#include "ui/Recipient.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"
#include "ui/Text.h"

namespace {

// "OKボタン" offers the booking actions without the first one, "何もしない".
constexpr size_t kOkButtonFirstOption = 1;
constexpr size_t kOkButtonOptionCount = 3;

struct ToolDialog {
    HWND hwnd = nullptr;
    ConfigStore* config = nullptr;
    TextControl title;
    ValueControl bootExec;
    ValueControl okButton;
    TextControl from;
    TextControl to;
    TextControl rdUser;
};

void exchange(ToolDialog& dialog, Exchange direction) {
    ConfigStore& config = *dialog.config;
    switch (direction) {
        case Exchange::toControls:
            dialog.title.text = config.getPelorane();
            dialog.bootExec.value = config.getBootexec();
            dialog.okButton.value = config.getOkbutton();
            dialog.from.text = config.getFrom();
            dialog.to.text = config.getTo();
            dialog.rdUser.text = config.getRduser();
            dialog.title.bind(dialog.hwnd, IDC_PROGRAM_TITLE);
            dialog.bootExec.bind(dialog.hwnd, IDC_BOOTEXEC);
            dialog.okButton.bind(dialog.hwnd, IDC_OKBUTTON);
            dialog.from.bind(dialog.hwnd, IDC_FROM);
            dialog.to.bind(dialog.hwnd, IDC_TO);
            dialog.rdUser.bind(dialog.hwnd, IDC_RDUSER);
            dialog.title.write();
            dialog.bootExec.writeSelection();
            dialog.okButton.writeSelection();
            dialog.from.write();
            dialog.to.write();
            dialog.rdUser.write();
            break;
        case Exchange::fromControls:
            dialog.title.read();
            dialog.bootExec.readSelection();
            dialog.okButton.readSelection();
            dialog.from.read();
            dialog.to.read();
            dialog.rdUser.read();
            break;
        case Exchange::toSettings:
            config.setPelorane(dialog.title.text);
            config.setBootexec(dialog.bootExec.value);
            config.setOkbutton(dialog.okButton.value);
            config.setFrom(dialog.from.text);
            config.setTo(dialog.to.text);
            config.setRduser(dialog.rdUser.text);
            break;
    }
}

// The mail settings share "送信元", "宛先" and "RDユーザ" with this dialog. Once they were confirmed
// there, these boxes show the stored values, or pressing OK here would write the old ones back.
void reloadSharedAddresses(ToolDialog& dialog) {
    const ConfigStore& config = *dialog.config;
    dialog.from.text = config.getFrom();
    dialog.to.text = config.getTo();
    dialog.rdUser.text = config.getRduser();
    dialog.from.write();
    dialog.to.write();
    dialog.rdUser.write();
}

// Whether the chosen start-up action can run with what is stored; if not, the missing settings are
// asked for (mail or HTTP dialog over this one) and false keeps this dialog open.
bool startupActionReady(ToolDialog& dialog) {
    switch (static_cast<BookingAction>(dialog.bootExec.value)) {
        case BookingAction::LaunchMailer:
            return dialog.to.requireText() && dialog.rdUser.requireText();
        case BookingAction::SendMail:
            if (dialog.config->isMailConfigured()) return true;
            if (runMailDialog(dialog.hwnd) == IDOK) reloadSharedAddresses(dialog);
            return false;
        case BookingAction::SendHttp:
            if (dialog.config->isHttpConfigured()) return true;
            runHttpDialog(dialog.hwnd);
            return false;
        case BookingAction::DoNothing:
        default:
            return true;
    }
}

void confirm(ToolDialog& dialog) {
    exchange(dialog, Exchange::fromControls);
    if (!startupActionReady(dialog)) return;
    exchange(dialog, Exchange::toSettings);
    EndDialog(dialog.hwnd, IDOK);
}

BOOL openToolDialog(ToolDialog& dialog) {
    dialog.config = &theApplication()->config();
    setDialogItemText(dialog.hwnd, IDC_VERSION, programVersionText());
    fillCombo(GetDlgItem(dialog.hwnd, IDC_BOOTEXEC), bookingActionOptions());
    fillCombo(GetDlgItem(dialog.hwnd, IDC_OKBUTTON), bookingActionOptions(), kOkButtonFirstOption,
              kOkButtonOptionCount);
    exchange(dialog, Exchange::toControls);
    return TRUE;
}

INT_PTR handleToolDialog(ToolDialog& dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    if (isRecipientFocus(wParam)) {
        prefillRecipient(dialog.hwnd);
        return TRUE;
    }
    switch (LOWORD(wParam)) {
        case IDOK:
            confirm(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog.hwnd, IDCANCEL);
            break;
        case IDC_ASSOCIATE:
            // Shows its own success message; a failure shows nothing.
            registerIepgAssociation(dialog.hwnd);
            break;
        default:
            break;
    }
    return TRUE;
}

}  // namespace

int runToolDialog(HWND owner) {
    if (theApplication() == nullptr) return -1;
    ToolDialog dialog;
    return static_cast<int>(runModalDialog<ToolDialog, openToolDialog, handleToolDialog>(IDD_TOOL, owner, dialog));
}
