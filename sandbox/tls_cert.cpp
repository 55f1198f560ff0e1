#include "sandbox/tls_cert.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdio>

namespace sandbox {
namespace {

bool AddExtension(X509* cert, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (ext == nullptr)
        return false;
    const bool added = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return added;
}

bool FillCertificate(X509* cert, EVP_PKEY* key) {
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), static_cast<long>(time(nullptr)));
    X509_gmtime_adj(X509_getm_notBefore(cert), -24L * 3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 10L * 365 * 24 * 3600);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Brevink sandbox"), -1, -1,
                               0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509_set_pubkey(cert, key);
    // It is its own trust anchor, so it is marked as a CA as well as a server certificate.
    return AddExtension(cert, NID_basic_constraints, "critical,CA:TRUE") &&
           AddExtension(cert, NID_key_usage, "critical,digitalSignature,keyCertSign") &&
           AddExtension(cert, NID_ext_key_usage, "serverAuth") &&
           AddExtension(cert, NID_subject_key_identifier, "hash") &&
           AddExtension(cert, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost") &&
           X509_sign(cert, key, EVP_sha256()) > 0;
}

bool WritePem(const std::string& path, X509* cert) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr)
        return false;
    const bool written = PEM_write_X509(file, cert) == 1;
    return std::fclose(file) == 0 && written;
}

}  // namespace

bool MakeTlsIdentity(const std::string& pemPath, TlsIdentity& identity, std::string& error) {
    identity.key.reset(EVP_EC_gen("P-256"));
    identity.cert.reset(X509_new());
    if (!identity.key || !identity.cert ||
        !FillCertificate(identity.cert.get(), identity.key.get())) {
        error = "OpenSSL could not make the certificate";
        return false;
    }
    if (!WritePem(pemPath, identity.cert.get())) {
        error = "cannot write " + pemPath;
        return false;
    }
    return true;
}

}  // namespace sandbox
