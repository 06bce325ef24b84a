// The mail send job's sequence: each step shows its text, then honours a cancel, then runs.
#include "net/MailSendJob.h"

#include "net/Pop3Client.h"
#include "net/SmtpClient.h"
#include "settings/ConfigStore.h"
#include "settings/Numbers.h"

const char* const kHelloName = "localhost";

const char* const kPop3ConnectingText = "POP3 \x90\xda\x91\xb1\x92\x86\x81\x63";      // POP3 接続中…
const char* const kPop3AuthenticatingText = "POP3 \x94\x46\x8f\xd8\x92\x86\x81\x63";  // POP3 認証中…
const char* const kSmtpConnectingText = "SMTP \x90\xda\x91\xb1\x92\x86\x81\x63";      // SMTP 接続中…
const char* const kSmtpHelloText = "SMTP HELLO\x81\x63";                               // SMTP HELLO…
const char* const kSmtpAuthenticatingText = "SMTP \x94\x46\x8f\xd8\x92\x86\x81\x63";  // SMTP 認証中…
const char* const kMailSendingText =
    "\x83\x81\x81\x5b\x83\x8b\x91\x97\x90\x4d\x92\x86\x81\x63";  // メール送信中…

bool MailSendJob::loginToPop3(bool useApop, const std::string& user, const std::string& password) {
    showStep(kPop3ConnectingText);
    if (cancelRequested()) return false;
    // Closed by its destructor on every early return; a failed step sends nothing more, not even QUIT.
    Pop3Client pop3(timeoutMs_);
    const int port = config().getPop3fport();
    if (!isValidPort(port) || !pop3.open(config().getPop3server(), port) || !pop3.readReply()) return false;

    showStep(kPop3AuthenticatingText);
    if (cancelRequested()) return false;
    if (useApop) {
        if (!pop3.apop(user, password) || !pop3.readReply()) return false;
    } else {
        if (!pop3.user(user) || !pop3.readReply()) return false;
        if (!pop3.pass(password) || !pop3.readReply()) return false;
    }
    if (pop3.quit()) pop3.readReply();
    pop3.close();
    return true;
}

int MailSendJob::execute() {
    const std::string user = config().getSmtpuser();
    const std::string password = config().getSmtppass();
    const int mode = config().getSmtpauth();

    if ((mode & kSmtpAuthPopBit) != 0 && !loginToPop3(mode == kSmtpAuthPopApop, user, password)) return 0;

    showStep(kSmtpConnectingText);
    if (cancelRequested()) return 0;
    SmtpClient smtp(timeoutMs_);  // closed by its destructor on every early return
    const int port = config().getSmtpport();
    if (!isValidPort(port) || !smtp.connect(config().getSmtpserver(), port)) return 0;

    showStep(kSmtpHelloText);
    if (cancelRequested() || smtp.hello(kHelloName) == AuthMechanism::None) return 0;

    if (mode == kSmtpAuthSmtp) {
        showStep(kSmtpAuthenticatingText);
        if (cancelRequested() || !smtp.authenticate(user, password)) return 0;
    }

    const std::string from = config().getFrom();
    const std::string to = config().getTo();
    showStep(kMailSendingText);
    if (cancelRequested() || !smtp.sendMail(from, to, lines_)) return 0;
    smtp.quit();
    smtp.close();
    return 1;
}
