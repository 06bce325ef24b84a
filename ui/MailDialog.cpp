// The mail settings dialog (103): SMTP server and authentication, POP3 server, addresses, recorder user.
#include "core/Application.h"
#include "core/Reservation.h"
#include "ui/Framework.h"
#include "ui/Recipient.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"
#include "ui/SettingsExchange.h"

namespace {

// smtpauth bit shared by the two POP-before-SMTP choices (2 and 3).
constexpr int32_t kPopBeforeSmtpBit = 2;

struct MailDialog {
    HWND hwnd = nullptr;
    ConfigStore* config = nullptr;
    TextControl smtpServer;
    ValueControl smtpPort;
    TextControl smtpUser;
    TextControl smtpPass;
    TextControl from;
    TextControl to;
    TextControl pop3Server;
    ValueControl pop3Port;
    TextControl rdUser;
    ValueControl smtpAuth;
};

void exchange(MailDialog& dialog, Exchange direction) {
    using C = ConfigStore;
    SettingsExchange()
        .text(dialog.smtpServer, IDC_SMTP_SERVER, &C::getSmtpserver, &C::setSmtpserver)
        .number(dialog.smtpPort, IDC_SMTP_PORT, &C::getSmtpport, &C::setSmtpport)
        .text(dialog.smtpUser, IDC_SMTP_USER, &C::getSmtpuser, &C::setSmtpuser)
        .text(dialog.smtpPass, IDC_SMTP_PASS, &C::getSmtppass, &C::setSmtppass)
        .sharedAddresses(dialog.from, dialog.to, dialog.rdUser)
        .text(dialog.pop3Server, IDC_POP3_SERVER, &C::getPop3server, &C::setPop3server)
        .number(dialog.pop3Port, IDC_POP3_PORT, &C::getPop3fport, &C::setPop3fport)
        .selection(dialog.smtpAuth, IDC_SMTP_AUTH, &C::getSmtpauth, &C::setSmtpauth)
        .run(dialog.hwnd, dialog.config, direction);
}

// The fields the chosen authentication needs; the first empty one, or port box outside 1-65535,
// takes the focus.
bool requiredFieldsPresent(const MailDialog& dialog) {
    if (!dialog.smtpServer.requireText() || !dialog.smtpPort.requirePort() || !dialog.from.requireText() ||
        !dialog.to.requireText() || !dialog.rdUser.requireText()) {
        return false;
    }
    const int32_t auth = dialog.smtpAuth.value;
    if (auth == 0) return true;
    if (!dialog.smtpUser.requireText() || !dialog.smtpPass.requireText()) return false;
    if ((auth & kPopBeforeSmtpBit) != 0 && (!dialog.pop3Server.requireText() || !dialog.pop3Port.requirePort())) {
        return false;
    }
    return true;
}

void confirm(MailDialog& dialog) {
    exchange(dialog, Exchange::fromControls);
    if (!requiredFieldsPresent(dialog)) return;
    exchange(dialog, Exchange::toSettings);
    EndDialog(dialog.hwnd, IDOK);
}

BOOL openMailDialog(MailDialog& dialog) {
    dialog.config = &theApplication()->config();
    fillCombo(GetDlgItem(dialog.hwnd, IDC_SMTP_AUTH), smtpauthOptions());
    exchange(dialog, Exchange::toControls);
    return TRUE;
}

INT_PTR handleMailDialog(MailDialog& dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    if (isRecipientFocus(wParam)) {
        prefillRecipient(dialog.hwnd);
        return TRUE;
    }
    handleOkOrCancel(dialog, wParam, confirm);
    return TRUE;
}

}  // namespace

int runMailDialog(HWND owner) {
    return runSettingsDialog<MailDialog, openMailDialog, handleMailDialog>(IDD_MAIL, owner);
}
