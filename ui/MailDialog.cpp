// The mail settings dialog (103): SMTP server, its encryption and authentication, POP3 server and its
// encryption, addresses, recorder user.
#include <string>

#include "core/Application.h"
#include "core/Reservation.h"
#include "net/MailSendJob.h"
#include "ui/Framework.h"
#include "ui/Recipient.h"
#include "ui/Resource.h"
#include "ui/SettingsDialogs.h"
#include "ui/SettingsExchange.h"
#include "ui/Text.h"

namespace {

// The two encryption drop-downs (smtpsecure, popsecure).
const OptionTable& securityOptions() {
    static const OptionTable table({
        {"\x82\xc8\x82\xb5", kMailSecurityNone},  // なし
        {"STARTTLS", kMailSecurityStartTls},
        {"SSL/TLS", kMailSecurityTls},
    });
    return table;
}

// The usual port of each encryption choice, by its value: submission with STARTTLS on 587 (RFC 6409),
// TLS from the start on 465 (RFC 8314) and 995; STLS stays on POP3's own port.
constexpr int32_t kSmtpPorts[] = {25, 587, 465};
constexpr int32_t kPop3Ports[] = {110, 110, 995};

bool isSecurityChoice(int32_t value) { return value >= kMailSecurityNone && value <= kMailSecurityTls; }

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
    ValueControl smtpSecure;
    ValueControl popSecure;
    // The encryption each drop-down showed before the user's latest choice.
    int32_t smtpSecurityShown = kMailSecurityNone;
    int32_t popSecurityShown = kMailSecurityNone;
};

void exchange(MailDialog& dialog, Exchange direction) {
    using C = ConfigStore;
    SettingsExchange()
        .text(dialog.smtpServer, IDC_SMTP_SERVER, &C::getSmtpserver, &C::setSmtpserver)
        .number(dialog.smtpPort, IDC_SMTP_PORT, &C::getSmtpport, &C::setSmtpport)
        .selection(dialog.smtpSecure, IDC_SMTP_SECURE, &C::getSmtpsecure, &C::setSmtpsecure)
        .text(dialog.smtpUser, IDC_SMTP_USER, &C::getSmtpuser, &C::setSmtpuser)
        .text(dialog.smtpPass, IDC_SMTP_PASS, &C::getSmtppass, &C::setSmtppass)
        .sharedAddresses(dialog.from, dialog.to, dialog.rdUser)
        .text(dialog.pop3Server, IDC_POP3_SERVER, &C::getPop3server, &C::setPop3server)
        .number(dialog.pop3Port, IDC_POP3_PORT, &C::getPop3fport, &C::setPop3fport)
        .selection(dialog.popSecure, IDC_POP3_SECURE, &C::getPopsecure, &C::setPopsecure)
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

// A new choice in an encryption drop-down: the port box follows it as long as it shows the usual
// port of the choice before (25 or 110 at first); a port the user typed stays.
void followSecurityChoice(MailDialog& dialog, int comboId) {
    const bool smtp = comboId == IDC_SMTP_SECURE;
    ValueControl& combo = smtp ? dialog.smtpSecure : dialog.popSecure;
    int32_t& shown = smtp ? dialog.smtpSecurityShown : dialog.popSecurityShown;
    const int32_t* ports = smtp ? kSmtpPorts : kPop3Ports;
    const int portId = smtp ? IDC_SMTP_PORT : IDC_POP3_PORT;
    combo.readSelection();
    const int32_t chosen = combo.value;
    if (isSecurityChoice(shown) && isSecurityChoice(chosen) &&
        dialogItemText(dialog.hwnd, portId) == std::to_string(ports[shown])) {
        setDialogItemText(dialog.hwnd, portId, std::to_string(ports[chosen]));
    }
    shown = chosen;
}

BOOL openMailDialog(MailDialog& dialog) {
    dialog.config = &theApplication()->config();
    fillCombo(GetDlgItem(dialog.hwnd, IDC_SMTP_AUTH), smtpauthOptions());
    fillCombo(GetDlgItem(dialog.hwnd, IDC_SMTP_SECURE), securityOptions());
    fillCombo(GetDlgItem(dialog.hwnd, IDC_POP3_SECURE), securityOptions());
    exchange(dialog, Exchange::toControls);
    dialog.smtpSecure.readSelection();
    dialog.smtpSecurityShown = dialog.smtpSecure.value;
    dialog.popSecure.readSelection();
    dialog.popSecurityShown = dialog.popSecure.value;
    return TRUE;
}

INT_PTR handleMailDialog(MailDialog& dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    if (isRecipientFocus(wParam)) {
        prefillRecipient(dialog.hwnd);
        return TRUE;
    }
    const int control = LOWORD(wParam);
    if (HIWORD(wParam) == CBN_SELCHANGE && (control == IDC_SMTP_SECURE || control == IDC_POP3_SECURE)) {
        followSecurityChoice(dialog, control);
        return TRUE;
    }
    handleOkOrCancel(dialog, wParam, confirm);
    return TRUE;
}

}  // namespace

int runMailDialog(HWND owner) {
    return runSettingsDialog<MailDialog, openMailDialog, handleMailDialog>(IDD_MAIL, owner);
}
