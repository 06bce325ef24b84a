// Makes the test CA of scripts/test-servers.sh a trusted root for as long as the object lives, for
// this test process only: natively SSL_CERT_FILE names it (OpenSSL reads nothing else then); on
// Windows it goes into the current user's "Root" store, which under Wine is the test prefix's.
#pragma once

#include <string>

class TrustedTestCa {
public:
    // pemPath and derPath: the same certificate in both encodings.
    TrustedTestCa(const std::string& pemPath, const std::string& derPath);
    ~TrustedTestCa();
    TrustedTestCa(const TrustedTestCa&) = delete;
    TrustedTestCa& operator=(const TrustedTestCa&) = delete;

    // The certificate is trusted now.
    bool trusted() const { return trusted_; }

private:
    bool trusted_ = false;
    std::string previous_;     // SSL_CERT_FILE before (native)
    bool hadPrevious_ = false;
    void* store_ = nullptr;        // the user's root store (Windows)
    const void* added_ = nullptr;  // the certificate in it
};
