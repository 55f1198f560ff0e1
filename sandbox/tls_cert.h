#pragma once
// The account service's certificate: a self-signed one for 127.0.0.1 and localhost, made at
// start with OpenSSL and written as PEM so that the client can trust it (CaFile).
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace sandbox {

struct TlsIdentity {
    std::unique_ptr<X509, decltype(&X509_free)> cert{nullptr, X509_free};
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key{nullptr, EVP_PKEY_free};
};

// False with a message when OpenSSL fails or the PEM file cannot be written.
bool MakeTlsIdentity(const std::string& pemPath, TlsIdentity& identity, std::string& error);

}  // namespace sandbox
