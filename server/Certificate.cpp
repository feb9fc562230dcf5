#include "server/Certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <memory>

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
    void operator()(X509* cert) const { X509_free(cert); }
};
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

bool AddExtension(X509* cert, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension) {
        return false;
    }
    const bool ok = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return ok;
}

} // namespace

bool EnsureCertificate(const std::string& dataDir, std::string& certPath, std::string& keyPath,
                       std::string& error) {
    certPath = dataDir + "/server.crt";
    keyPath = dataDir + "/server.key";
    if (Exists(certPath) && Exists(keyPath)) {
        return true;
    }
    std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_EC_gen("P-256"));
    std::unique_ptr<X509, CertFree> cert(X509_new());
    if (!key || !cert) {
        error = "cannot make a key for the certificate";
        return false;
    }
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), static_cast<long>(std::time(nullptr) & 0x7fffffff));
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24L * 3600L);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 10L * 365L * 24L * 3600L);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Velmo stand-in"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("report-server"), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    AddExtension(cert.get(), NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) {
        error = "cannot sign the certificate";
        return false;
    }
    {
        const mode_t old = ::umask(077);
        std::unique_ptr<std::FILE, FileClose> keyFile(std::fopen(keyPath.c_str(), "wb"));
        ::umask(old);
        if (!keyFile ||
            PEM_write_PrivateKey(keyFile.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1) {
            error = "cannot write " + keyPath;
            return false;
        }
    }
    std::unique_ptr<std::FILE, FileClose> certFile(std::fopen(certPath.c_str(), "wb"));
    if (!certFile || PEM_write_X509(certFile.get(), cert.get()) != 1) {
        error = "cannot write " + certPath;
        return false;
    }
    return true;
}
