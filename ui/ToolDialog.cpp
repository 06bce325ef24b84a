// The tool settings dialog (105): main title, the two booking actions, addresses, version, iEPG association.
#include "core/Application.h"
#include "core/Reservation.h"
#include "ui/Association.h"
#include "ui/Framework.h"
#include "ui/ProgramVersion.h"
#include "ui/Recipient.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"
#include "ui/SettingsExchange.h"
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
    using C = ConfigStore;
    SettingsExchange()
        .text(dialog.title, IDC_PROGRAM_TITLE, &C::getPelorane, &C::setPelorane)
        .selection(dialog.bootExec, IDC_BOOTEXEC, &C::getBootexec, &C::setBootexec)
        .selection(dialog.okButton, IDC_OKBUTTON, &C::getOkbutton, &C::setOkbutton)
        .sharedAddresses(dialog.from, dialog.to, dialog.rdUser)
        .run(dialog.hwnd, dialog.config, direction);
}

// The mail settings share "送信元", "宛先" and "RDユーザ" with this dialog. Once they were confirmed
// there, these boxes show the stored values, or pressing OK here would write the old ones back.
void reloadSharedAddresses(ToolDialog& dialog) {
    SettingsExchange()
        .sharedAddresses(dialog.from, dialog.to, dialog.rdUser)
        .run(dialog.hwnd, dialog.config, Exchange::toControls);
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
    // The first tab stop is "iEPGに関連付け": focused, Enter would write the association instead of OK.
    SetFocus(GetDlgItem(dialog.hwnd, IDC_PROGRAM_TITLE));
    return FALSE;
}

INT_PTR handleToolDialog(ToolDialog& dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    if (isRecipientFocus(wParam)) {
        prefillRecipient(dialog.hwnd);
        return TRUE;
    }
    if (handleOkOrCancel(dialog, wParam, confirm)) return TRUE;
    // Shows its own message, success or failure.
    if (LOWORD(wParam) == IDC_ASSOCIATE) registerIepgAssociation(dialog.hwnd);
    return TRUE;
}

}  // namespace

int runToolDialog(HWND owner) {
    return runSettingsDialog<ToolDialog, openToolDialog, handleToolDialog>(IDD_TOOL, owner);
}
