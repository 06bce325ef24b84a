// TLS on Windows: SChannel through SSPI carries the records, CryptoAPI checks the server's
// certificate against the roots Windows trusts and the configured name. SChannel's own check is
// switched off (manual validation) so that the check is the same on every Windows version.
#define SECURITY_WIN32
#define SCHANNEL_USE_BLACKLISTS  // declares SCH_CREDENTIALS and TLS_PARAMETERS
#include "platform/TlsStream.h"

#include <windows.h>
#include <wincrypt.h>
#include <subauth.h>
#include <schannel.h>
#include <security.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Utf16_win.h"

namespace {

// Received bytes held at most: a certificate chain, or one record (16 KiB plus overhead), and more.
constexpr size_t kMaxPending = 64 * 1024;
constexpr int kReceiveChunk = 16 * 1024;
// TLS record content types (RFC 8446 5.1) a server's first record can carry.
constexpr char kAlertRecord = 21;
constexpr char kHandshakeRecord = 22;

constexpr DWORD kModernProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;
constexpr DWORD kOldProtocols = SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT;
constexpr DWORD kCredentialFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
constexpr ULONG kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;

// The chain from the server's certificate leads to a root Windows trusts, every certificate is
// within its validity period, it may serve TLS servers, and it names serverName.
bool certificateAccepted(PCCERT_CONTEXT certificate, std::wstring& serverName) {
    LPSTR serverAuth[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = serverAuth;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    // The server's own store holds the intermediate certificates it sent.
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0, nullptr,
                                 &chain)) {
        return false;
    }
    // The chain's own verdict first: Wine's SSL policy lets pass a chain whose issuer was never
    // found (CERT_TRUST_IS_PARTIAL_CHAIN), a certificate from a CA nobody trusts. No revocation
    // check was asked for, so no revocation status can stand in the way here.
    if (chain->TrustStatus.dwErrorStatus != CERT_TRUST_NO_ERROR) {
        CertFreeCertificateChain(chain);
        return false;
    }
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = 0;  // nothing ignored
    ssl.pwszServerName = &serverName[0];
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    const bool accepted =
        CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) && status.dwError == 0;
    CertFreeCertificateChain(chain);
    return accepted;
}

}  // namespace

struct TlsStream::Session {
    explicit Session(ByteStream& stream) : transport(stream) {}
    ~Session() {
        if (haveContext) DeleteSecurityContext(&context);
        if (haveCredentials) FreeCredentialsHandle(&credentials);
    }

    ByteStream& transport;
    std::wstring serverName;
    CredHandle credentials{};
    bool haveCredentials = false;
    CtxtHandle context{};
    bool haveContext = false;
    SecPkgContext_StreamSizes sizes{};
    std::vector<char> incoming;  // received, not yet taken by SChannel
    std::vector<char> plain;     // decrypted, not yet read
    size_t plainAt = 0;
    bool established = false;
    bool ended = false;        // the server's close_notify arrived
    bool serverSpoke = false;  // the server's first bytes were seen to start a TLS record
    ULONG contextFlags = kContextFlags;

    // TLS 1.2 and 1.3 through the current interface; where it is missing (before Windows 10 1809,
    // Wine), TLS 1.2 through the older one.
    bool acquireCredentials() {
        TLS_PARAMETERS parameters{};
        parameters.grbitDisabledProtocols = kOldProtocols;
        SCH_CREDENTIALS current{};
        current.dwVersion = SCH_CREDENTIALS_VERSION;
        current.dwFlags = kCredentialFlags;
        current.cTlsParameters = 1;
        current.pTlsParameters = &parameters;
        if (AcquireCredentialsHandleW(nullptr, const_cast<SEC_WCHAR*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                      &current, nullptr, nullptr, &credentials, nullptr) == SEC_E_OK) {
            return haveCredentials = true;
        }
        SCHANNEL_CRED older{};
        older.dwVersion = SCHANNEL_CRED_VERSION;
        older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
        older.dwFlags = kCredentialFlags;
        haveCredentials = AcquireCredentialsHandleW(nullptr, const_cast<SEC_WCHAR*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                                    nullptr, &older, nullptr, nullptr, &credentials, nullptr) == SEC_E_OK;
        return haveCredentials;
    }

    // Appends what one transport read brings; false at its end, on an error or time-out, or when
    // the peer has sent more than any record or handshake needs.
    bool receiveMore() {
        if (incoming.size() >= kMaxPending) return false;
        const size_t held = incoming.size();
        incoming.resize(held + kReceiveChunk);
        const int n = transport.read(incoming.data() + held, kReceiveChunk);
        incoming.resize(held + static_cast<size_t>(std::max(n, 0)));
        return n > 0;
    }

    // Keeps only the bytes SChannel left unprocessed: the last `extra.cbBuffer` of the input.
    void keepExtra(const SecBuffer& extra) {
        if (extra.BufferType != SECBUFFER_EXTRA || extra.cbBuffer == 0 || extra.cbBuffer > incoming.size()) {
            incoming.clear();
            return;
        }
        incoming.erase(incoming.begin(), incoming.end() - extra.cbBuffer);
    }

    bool sendToken(SecBuffer& token) {
        bool sent = true;
        if (token.pvBuffer != nullptr) {
            const int size = static_cast<int>(token.cbBuffer);
            sent = size == 0 || transport.write(static_cast<const char*>(token.pvBuffer), size) == size;
            FreeContextBuffer(token.pvBuffer);
            token.pvBuffer = nullptr;
        }
        return sent;
    }

    // The handshake from its start, or its continuation after DecryptMessage asked for one: each
    // round hands SChannel what arrived and sends what it answers.
    bool negotiate() {
        for (;;) {
            // A server that talks plain text (SSL/TLS chosen for a STARTTLS or plain port) answers
            // with a greeting, not a handshake or alert record. Wine's SChannel takes "220 ..." for
            // the start of a long record and waits out the time-out; end the handshake at once.
            if (!serverSpoke && !incoming.empty()) {
                if (incoming[0] != kHandshakeRecord && incoming[0] != kAlertRecord) return false;
                serverSpoke = true;
            }
            SecBuffer in[2] = {{static_cast<ULONG>(incoming.size()), SECBUFFER_TOKEN, incoming.data()},
                               {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
            SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
            SecBufferDesc outDesc{SECBUFFER_VERSION, 1, out};
            ULONG attributes = 0;
            const SECURITY_STATUS status = InitializeSecurityContextW(
                &credentials, haveContext ? &context : nullptr, &serverName[0], contextFlags, 0, 0,
                haveContext ? &inDesc : nullptr, 0, &context, &outDesc, &attributes, nullptr);
            if (!haveContext && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) haveContext = true;
            if (!sendToken(out[0])) return false;
            if (status == SEC_E_INCOMPLETE_MESSAGE) {
                if (!receiveMore()) return false;
                continue;
            }
            // The server asked for a client certificate (some mail servers do, without needing one):
            // go on without, from the same input. Wine never asks this; Windows does.
            if (status == SEC_I_INCOMPLETE_CREDENTIALS && (contextFlags & ISC_REQ_USE_SUPPLIED_CREDS) == 0) {
                contextFlags |= ISC_REQ_USE_SUPPLIED_CREDS;
                continue;
            }
            keepExtra(in[1]);
            if (status == SEC_E_OK) return true;
            if (status != SEC_I_CONTINUE_NEEDED) return false;
            if (incoming.empty() && !receiveMore()) return false;
        }
    }

    TlsResult checkServer() {
        SecPkgContext_ConnectionInfo info{};
        if (QueryContextAttributesW(&context, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK ||
            (info.dwProtocol & kModernProtocols) == 0) {
            return TlsResult::Failed;
        }
        PCCERT_CONTEXT certificate = nullptr;
        if (QueryContextAttributesW(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
            certificate == nullptr) {
            return TlsResult::Untrusted;
        }
        const bool accepted = certificateAccepted(certificate, serverName);
        CertFreeCertificateContext(certificate);
        if (!accepted) return TlsResult::Untrusted;
        if (QueryContextAttributesW(&context, SECPKG_ATTR_STREAM_SIZES, &sizes) != SEC_E_OK ||
            sizes.cbMaximumMessage == 0) {
            return TlsResult::Failed;
        }
        return TlsResult::Ok;
    }

    // Decrypts the next record into plain. 1 on progress (possibly no bytes), 0 at close_notify,
    // -1 on an error or a transport that ended first.
    int decryptRecord() {
        if (incoming.empty() && !receiveMore()) return -1;
        SecBuffer buffers[4] = {{static_cast<ULONG>(incoming.size()), SECBUFFER_DATA, incoming.data()},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = DecryptMessage(&context, &desc, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) return receiveMore() ? 1 : -1;
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) return -1;
        SecBuffer extra{0, SECBUFFER_EMPTY, nullptr};
        for (const SecBuffer& b : buffers) {
            // The record is decrypted in place, inside incoming: copy it out before trimming.
            if (b.BufferType == SECBUFFER_DATA && b.pvBuffer != nullptr) {
                const char* data = static_cast<const char*>(b.pvBuffer);
                plain.insert(plain.end(), data, data + b.cbBuffer);
            }
            if (b.BufferType == SECBUFFER_EXTRA) extra = b;
        }
        keepExtra(extra);
        if (status == SEC_I_CONTEXT_EXPIRED) {
            ended = true;
            return 0;
        }
        // A post-handshake message (a TLS 1.3 session ticket or key update): SChannel takes the rest.
        if (status == SEC_I_RENEGOTIATE && !negotiate()) return -1;
        return 1;
    }

    void sendCloseNotify() {
        DWORD type = SCHANNEL_SHUTDOWN;
        SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
        SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
        if (ApplyControlToken(&context, &controlDesc) != SEC_E_OK) return;
        SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, out};
        ULONG attributes = 0;
        InitializeSecurityContextW(&credentials, &context, &serverName[0], contextFlags, 0, 0, nullptr, 0, &context,
                                   &outDesc, &attributes, nullptr);
        sendToken(out[0]);
    }
};

TlsStream::TlsStream(ByteStream& transport) : transport_(transport) {}

TlsStream::~TlsStream() = default;

TlsResult TlsStream::handshake(const std::string& serverName) {
    if (session_ || serverName.empty() || serverName.find('\0') != std::string::npos) return TlsResult::Failed;
    session_ = std::make_unique<Session>(transport_);
    Session& s = *session_;
    s.serverName = widenUtf8(serverName);
    if (s.serverName.empty() || !s.acquireCredentials() || !s.negotiate()) return TlsResult::Failed;
    const TlsResult result = s.checkServer();
    s.established = result == TlsResult::Ok;
    return result;
}

bool TlsStream::close() {
    if (session_ && session_->established && !session_->ended) session_->sendCloseNotify();
    session_.reset();
    return true;
}

int TlsStream::read(char* buffer, int size) {
    if (!session_ || !session_->established || size <= 0) return -1;
    Session& s = *session_;
    while (s.plainAt == s.plain.size()) {
        s.plain.clear();
        s.plainAt = 0;
        if (s.ended) return 0;
        const int r = s.decryptRecord();
        if (r < 0) return -1;
    }
    const size_t n = std::min(static_cast<size_t>(size), s.plain.size() - s.plainAt);
    std::memcpy(buffer, s.plain.data() + s.plainAt, n);
    s.plainAt += n;
    return static_cast<int>(n);
}

int TlsStream::write(const char* data, int size) {
    if (!session_ || !session_->established || size < 0) return -1;
    Session& s = *session_;
    const SecPkgContext_StreamSizes& z = s.sizes;
    std::vector<char> record(z.cbHeader + z.cbMaximumMessage + z.cbTrailer);
    for (int sent = 0; sent < size;) {
        const ULONG n = std::min(static_cast<ULONG>(size - sent), static_cast<ULONG>(z.cbMaximumMessage));
        std::memcpy(record.data() + z.cbHeader, data + sent, n);
        SecBuffer buffers[4] = {{z.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                                {n, SECBUFFER_DATA, record.data() + z.cbHeader},
                                {z.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + z.cbHeader + n},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        if (EncryptMessage(&s.context, 0, &desc, 0) != SEC_E_OK) return -1;
        const int total = static_cast<int>(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        if (s.transport.write(record.data(), total) != total) return -1;
        sent += static_cast<int>(n);
    }
    return size;
}
