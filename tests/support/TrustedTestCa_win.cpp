// The test CA in the current user's "Root" store while the object lives. Under Wine that store is
// the test prefix's registry; on a real Windows the system would first ask the user to confirm.
#include "tests/support/TrustedTestCa.h"

#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>

TrustedTestCa::TrustedTestCa(const std::string&, const std::string& derPath) {
    std::ifstream in(derPath, std::ios::binary);
    const std::string der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (der.empty()) return;
    const HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (root == nullptr) return;
    store_ = root;
    PCCERT_CONTEXT added = nullptr;
    if (!CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                          static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, &added)) {
        return;
    }
    added_ = added;
    // Wine writes a registry store only when it is committed or closed, and until then no chain
    // built elsewhere sees the certificate.
    trusted_ = CertControlStore(root, 0, CERT_STORE_CTRL_COMMIT, nullptr) != FALSE;
}

TrustedTestCa::~TrustedTestCa() {
    const HCERTSTORE root = static_cast<HCERTSTORE>(store_);
    if (root == nullptr) return;
    // Out of the registry again, so that no later run in the prefix trusts it.
    if (added_ != nullptr && CertDeleteCertificateFromStore(static_cast<PCCERT_CONTEXT>(added_))) {
        CertControlStore(root, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
    CertCloseStore(root, 0);
}
