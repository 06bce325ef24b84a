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
const char* const kEncryptingText = "\x88\xc3\x8d\x86\x89\xbb\x92\x86\x81\x63";  // 暗号化中…
const char* const kCertificateRejectedText =                                     // 証明書を確認できません
    "\x8f\xd8\x96\xbe\x8f\x91\x82\xf0\x8a\x6d\x94\x46\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1";

namespace {

// A value the settings dialog never stores is not taken for "none": encryption may have been meant.
bool isKnownSecurity(int security) { return security >= kMailSecurityNone && security <= kMailSecurityTls; }

// The smtpsecure or popsecure value; -1 (no known kind) for text that is not a plain number. Read
// as other numbers are, "STARTTLS" or "ssl" typed into the file by hand would count as 0, plain text.
int securitySetting(const ConfigStore& config, const char* key) {
    const std::string text = config.getString(ConfigStore::kConfigSection, key, std::string());
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return kMailSecurityNone;  // empty: as if absent
    const size_t last = text.find_last_not_of(" \t");
    for (size_t i = first; i <= last; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
    }
    return parseDecimal(text);
}

}  // namespace

template <typename Handshake>
bool MailSendJob::encrypt(Handshake handshake) {
    showStep(kEncryptingText);
    if (cancelRequested()) return false;
    const TlsResult result = handshake();
    if (result == TlsResult::Untrusted) showStep(kCertificateRejectedText);
    return result == TlsResult::Ok;
}

bool MailSendJob::loginToPop3(bool useApop, const std::string& user, const std::string& password) {
    showStep(kPop3ConnectingText);
    if (cancelRequested()) return false;
    // Closed by its destructor on every early return; a failed step sends nothing more, not even QUIT.
    Pop3Client pop3(timeoutMs_);
    const std::string server = config().getPop3server();
    const int port = config().getPop3fport();
    const int security = securitySetting(config(), "popsecure");
    if (!isKnownSecurity(security) || !isValidPort(port) || !pop3.open(server, port)) return false;
    if (security == kMailSecurityTls && !encrypt([&] { return pop3.encrypt(server); })) return false;
    if (!pop3.readReply()) return false;
    if (security == kMailSecurityStartTls && !encrypt([&] { return pop3.stls(server); })) return false;

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

bool MailSendJob::connectToSmtp(SmtpClient& smtp, int security) {
    const std::string server = config().getSmtpserver();
    const int port = config().getSmtpport();
    if (!isKnownSecurity(security) || !isValidPort(port)) return false;
    if (security == kMailSecurityNone) return smtp.connect(server, port);
    if (!smtp.open(server, port)) return false;
    if (security == kMailSecurityTls && !encrypt([&] { return smtp.encrypt(server); })) return false;
    if (smtp.readReply() <= 0) return false;
    if (security == kMailSecurityStartTls) {
        // Without STARTTLS in the answer the job ends here, before anything of the account is sent.
        showStep(kSmtpHelloText);
        if (cancelRequested() || !smtp.helloBeforeTls(kHelloName)) return false;
        if (!encrypt([&] { return smtp.startTls(server); })) return false;
    }
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
    if (!connectToSmtp(smtp, securitySetting(config(), "smtpsecure"))) return 0;

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
