// TLS on POSIX systems through the system's OpenSSL, its default trust store standing in for the
// roots Windows trusts (the environment's SSL_CERT_FILE or SSL_CERT_DIR, when set, replaces it).
#include "platform/TlsStream.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace {

ByteStream& transportOf(BIO* bio) { return *static_cast<ByteStream*>(BIO_get_data(bio)); }

int bioWrite(BIO* bio, const char* data, int size) {
    BIO_clear_retry_flags(bio);
    return transportOf(bio).write(data, size);
}

// The transport already waits with its time-out; nothing here is ever retried.
int bioRead(BIO* bio, char* buffer, int size) {
    BIO_clear_retry_flags(bio);
    return transportOf(bio).read(buffer, size);
}

long bioCtrl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

int bioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

// OpenSSL reaches the transport through this method: the records go where the caller's bytes went.
const BIO_METHOD* transportMethod() {
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "pelorane transport");
        if (m == nullptr) return m;
        BIO_meth_set_write(m, bioWrite);
        BIO_meth_set_read(m, bioRead);
        BIO_meth_set_ctrl(m, bioCtrl);
        BIO_meth_set_create(m, bioCreate);
        return m;
    }();
    return method;
}

bool isDottedIpv4(const std::string& name) {
    in_addr address{};
    return inet_pton(AF_INET, name.c_str(), &address) == 1;
}

}  // namespace

struct TlsStream::Session {
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    bool established = false;

    ~Session() {
        SSL_free(ssl);  // frees the transport BIO too
        SSL_CTX_free(context);
    }

    // Trust, protocol floor and the name the certificate must carry.
    bool prepare(ByteStream& transport, const std::string& serverName) {
        context = SSL_CTX_new(TLS_client_method());
        if (context == nullptr || SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) != 1 ||
            SSL_CTX_set_default_verify_paths(context) != 1) {
            return false;
        }
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
        ssl = SSL_new(context);
        if (ssl == nullptr) return false;
        X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        if (isDottedIpv4(serverName)) {
            if (X509_VERIFY_PARAM_set1_ip_asc(param, serverName.c_str()) != 1) return false;
        } else if (SSL_set_tlsext_host_name(ssl, serverName.c_str()) != 1 ||
                   X509_VERIFY_PARAM_set1_host(param, serverName.c_str(), serverName.size()) != 1) {
            return false;
        }
        const BIO_METHOD* method = transportMethod();
        BIO* bio = method == nullptr ? nullptr : BIO_new(method);
        if (bio == nullptr) return false;
        BIO_set_data(bio, &transport);
        SSL_set_bio(ssl, bio, bio);
        return true;
    }
};

TlsStream::TlsStream(ByteStream& transport) : transport_(transport) {}

TlsStream::~TlsStream() = default;

TlsResult TlsStream::handshake(const std::string& serverName) {
    if (session_ || serverName.empty() || serverName.find('\0') != std::string::npos) return TlsResult::Failed;
    session_ = std::make_unique<Session>();
    ERR_clear_error();
    if (!session_->prepare(transport_, serverName)) return TlsResult::Failed;
    const int r = SSL_connect(session_->ssl);
    // The verification result stays X509_V_OK unless a certificate arrived and failed the check.
    if (SSL_get_verify_result(session_->ssl) != X509_V_OK) return TlsResult::Untrusted;
    if (r != 1 || SSL_get0_peer_certificate(session_->ssl) == nullptr) return TlsResult::Failed;
    session_->established = true;
    return TlsResult::Ok;
}

bool TlsStream::close() {
    if (session_ && session_->established) {
        ERR_clear_error();
        SSL_shutdown(session_->ssl);  // sends close_notify; the server's answer is not awaited
    }
    session_.reset();
    return true;
}

int TlsStream::read(char* buffer, int size) {
    if (!session_ || !session_->established || size <= 0) return -1;
    ERR_clear_error();
    const int n = SSL_read(session_->ssl, buffer, size);
    if (n > 0) return n;
    return SSL_get_error(session_->ssl, n) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
}

int TlsStream::write(const char* data, int size) {
    if (!session_ || !session_->established || size < 0) return -1;
    if (size == 0) return 0;
    ERR_clear_error();
    // Without partial writes SSL_write sends everything or fails.
    return SSL_write(session_->ssl, data, size) == size ? size : -1;
}
