// The mail send job: optional POP before SMTP, then the SMTP dialogue with optional AUTH, on a
// worker thread that reports its steps to the main dialog.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "net/WorkerThread.h"
#include "platform/SocketStream.h"

// Values of the smtpauth setting.
constexpr int kSmtpAuthNone = 0;
constexpr int kSmtpAuthSmtp = 1;
constexpr int kSmtpAuthPopUserPass = 2;
constexpr int kSmtpAuthPopApop = 3;
// The bit of smtpauth that asks for a POP3 login first.
constexpr int kSmtpAuthPopBit = 2;

// Values of the smtpsecure and popsecure settings.
constexpr int kMailSecurityNone = 0;
constexpr int kMailSecurityStartTls = 1;  // STARTTLS for SMTP, STLS for POP3
constexpr int kMailSecurityTls = 2;       // TLS from the first byte (SMTP port 465, POP3 port 995)

// The name given with EHLO and HELO.
extern const char* const kHelloName;

// Step texts, in the order the steps begin: "POP3 接続中…", "POP3 認証中…", "SMTP 接続中…",
// "SMTP HELLO…", "SMTP 認証中…", "メール送信中…".
extern const char* const kPop3ConnectingText;
extern const char* const kPop3AuthenticatingText;
extern const char* const kSmtpConnectingText;
extern const char* const kSmtpHelloText;
extern const char* const kSmtpAuthenticatingText;
extern const char* const kMailSendingText;
// "暗号化中…" while a TLS handshake runs; "証明書を確認できません" stays when the server's
// certificate failed the check.
extern const char* const kEncryptingText;
extern const char* const kCertificateRejectedText;

class SmtpClient;

class MailSendJob : public DialogJob {
public:
    // Copies the body lines (the command line, the title, the detail).
    MailSendJob(DialogHost& host, const ConfigStore& config, std::vector<std::string> bodyLines,
                int timeoutMs = kDefaultSocketTimeoutMs)
        : DialogJob(host, config), lines_(std::move(bodyLines)), timeoutMs_(timeoutMs) {}

    // 1 when the server accepted the mail; 0 on any failure or cancellation. Every connection
    // opened here is closed before it returns.
    int execute() override;

private:
    // The POP3 login and QUIT; false when a step failed or the user cancelled.
    bool loginToPop3(bool useApop, const std::string& user, const std::string& password);
    // The SMTP connection up to the greeting and, when asked for, encrypted; false when a step
    // failed or the user cancelled.
    bool connectToSmtp(SmtpClient& smtp, int security);
    // Shows "暗号化中…" and runs handshake (the TLS set-up of one connection); true when it returned
    // Ok. A refused certificate leaves its text in the step line.
    template <typename Handshake>
    bool encrypt(Handshake handshake);

    std::vector<std::string> lines_;
    int timeoutMs_;
};
