// The test CA as OpenSSL's only trusted root: SSL_CERT_FILE replaces the system's store.
#include "tests/support/TrustedTestCa.h"

#include <cstdlib>

TrustedTestCa::TrustedTestCa(const std::string& pemPath, const std::string&) {
    if (const char* before = std::getenv("SSL_CERT_FILE")) {
        previous_ = before;
        hadPrevious_ = true;
    }
    trusted_ = !pemPath.empty() && setenv("SSL_CERT_FILE", pemPath.c_str(), 1) == 0;
}

TrustedTestCa::~TrustedTestCa() {
    if (hadPrevious_) {
        setenv("SSL_CERT_FILE", previous_.c_str(), 1);
    } else {
        unsetenv("SSL_CERT_FILE");
    }
}
