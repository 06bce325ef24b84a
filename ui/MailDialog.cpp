// The mail settings dialog (103): SMTP server and authentication, POP3 server, addresses, recorder user.
#include "core/Application.h"
#include "core/Reservation.h"
#include "ui/Framework.h"
#include "ui/Recipient.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"

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
    ConfigStore& config = *dialog.config;
    switch (direction) {
        case Exchange::toControls:
            dialog.smtpServer.text = config.getSmtpserver();
            dialog.smtpPort.value = config.getSmtpport();
            dialog.smtpUser.text = config.getSmtpuser();
            dialog.smtpPass.text = config.getSmtppass();
            dialog.from.text = config.getFrom();
            dialog.to.text = config.getTo();
            dialog.pop3Server.text = config.getPop3server();
            dialog.pop3Port.value = config.getPop3fport();
            dialog.rdUser.text = config.getRduser();
            dialog.smtpAuth.value = config.getSmtpauth();
            dialog.smtpServer.bind(dialog.hwnd, IDC_SMTP_SERVER);
            dialog.smtpPort.bind(dialog.hwnd, IDC_SMTP_PORT);
            dialog.smtpUser.bind(dialog.hwnd, IDC_SMTP_USER);
            dialog.smtpPass.bind(dialog.hwnd, IDC_SMTP_PASS);
            dialog.from.bind(dialog.hwnd, IDC_FROM);
            dialog.to.bind(dialog.hwnd, IDC_TO);
            dialog.pop3Server.bind(dialog.hwnd, IDC_POP3_SERVER);
            dialog.pop3Port.bind(dialog.hwnd, IDC_POP3_PORT);
            dialog.rdUser.bind(dialog.hwnd, IDC_RDUSER);
            dialog.smtpAuth.bind(dialog.hwnd, IDC_SMTP_AUTH);
            dialog.smtpServer.write();
            dialog.smtpPort.writeNumber();
            dialog.smtpUser.write();
            dialog.smtpPass.write();
            dialog.from.write();
            dialog.to.write();
            dialog.pop3Server.write();
            dialog.pop3Port.writeNumber();
            dialog.rdUser.write();
            dialog.smtpAuth.writeSelection();
            break;
        case Exchange::fromControls:
            dialog.smtpServer.read();
            dialog.smtpPort.readNumber();
            dialog.smtpUser.read();
            dialog.smtpPass.read();
            dialog.from.read();
            dialog.to.read();
            dialog.pop3Server.read();
            dialog.pop3Port.readNumber();
            dialog.rdUser.read();
            dialog.smtpAuth.readSelection();
            break;
        case Exchange::toSettings:
            config.setSmtpserver(dialog.smtpServer.text);
            config.setSmtpport(dialog.smtpPort.value);
            config.setSmtpuser(dialog.smtpUser.text);
            config.setSmtppass(dialog.smtpPass.text);
            config.setFrom(dialog.from.text);
            config.setTo(dialog.to.text);
            config.setPop3server(dialog.pop3Server.text);
            config.setPop3fport(dialog.pop3Port.value);
            config.setRduser(dialog.rdUser.text);
            config.setSmtpauth(dialog.smtpAuth.value);
            break;
    }
}

// The fields the chosen authentication needs; the first empty one takes the focus.
bool requiredFieldsPresent(const MailDialog& dialog) {
    if (!dialog.smtpServer.requireText() || !dialog.from.requireText() || !dialog.to.requireText() ||
        !dialog.rdUser.requireText()) {
        return false;
    }
    const int32_t auth = dialog.smtpAuth.value;
    if (auth == 0) return true;
    if (!dialog.smtpUser.requireText() || !dialog.smtpPass.requireText()) return false;
    if ((auth & kPopBeforeSmtpBit) != 0 && !dialog.pop3Server.requireText()) return false;
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
    switch (LOWORD(wParam)) {
        case IDOK:
            confirm(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog.hwnd, IDCANCEL);
            break;
        default:
            break;
    }
    return TRUE;
}

}  // namespace

int runMailDialog(HWND owner) {
    if (theApplication() == nullptr) return -1;
    MailDialog dialog;
    return static_cast<int>(runModalDialog<MailDialog, openMailDialog, handleMailDialog>(IDD_MAIL, owner, dialog));
}
