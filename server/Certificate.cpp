#include "server/Certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;
using File = std::unique_ptr<std::FILE, FileClose>;

constexpr long kDay = 24L * 3600L;

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

bool AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension) {
        return false;
    }
    const bool ok = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return ok;
}

void SetName(X509_NAME* name, const std::string& common) {
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Velmo stand-in"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(common.c_str()), -1, -1, 0);
}

// A new certificate for key, valid from yesterday for days, with a serial of its own.
Cert NewCertificate(EVP_PKEY* key, long days, long serial) {
    Cert cert(X509_new());
    if (cert) {
        X509_set_version(cert.get(), 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
        X509_gmtime_adj(X509_getm_notBefore(cert.get()), -kDay);
        X509_gmtime_adj(X509_getm_notAfter(cert.get()), days * kDay);
        X509_set_pubkey(cert.get(), key);
    }
    return cert;
}

// Writes the key (readable by the owner only) and the certificate, each through a new file renamed
// into place, so that a reader never sees half of either.
bool WritePair(const std::string& keyPath, EVP_PKEY* key, const std::string& certPath, X509* cert) {
    const std::string keyPart = keyPath + ".part";
    const std::string certPart = certPath + ".part";
    const int fd = ::open(keyPart.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    File keyFile(fd >= 0 ? ::fdopen(fd, "wb") : nullptr);
    if (!keyFile) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    File certFile(std::fopen(certPart.c_str(), "wb"));
    const bool written =
        PEM_write_PrivateKey(keyFile.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1 && certFile &&
        PEM_write_X509(certFile.get(), cert) == 1 && std::fflush(keyFile.get()) == 0 &&
        std::fflush(certFile.get()) == 0;
    return written && std::rename(keyPart.c_str(), keyPath.c_str()) == 0 &&
           std::rename(certPart.c_str(), certPath.c_str()) == 0;
}

Key ReadKey(const std::string& path) {
    File file(std::fopen(path.c_str(), "rb"));
    return Key(file ? PEM_read_PrivateKey(file.get(), nullptr, nullptr, nullptr) : nullptr);
}

Cert ReadCertificate(const std::string& path) {
    File file(std::fopen(path.c_str(), "rb"));
    return Cert(file ? PEM_read_X509(file.get(), nullptr, nullptr, nullptr) : nullptr);
}

// The authority of authorityDir, made when missing. Servers starting at once share it: the lock
// keeps a second one from making a different pair over the first.
bool EnsureAuthority(const std::string& authorityDir, Key& key, Cert& cert, std::string& error) {
    const std::string keyPath = authorityDir + "/ca.key";
    const std::string certPath = AuthorityCertificatePath(authorityDir);
    const int lock = ::open((authorityDir + "/ca.lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        error = "cannot lock the authority in " + authorityDir;
        if (lock >= 0) {
            ::close(lock);
        }
        return false;
    }
    if (Exists(keyPath) && Exists(certPath)) {
        key = ReadKey(keyPath);
        cert = ReadCertificate(certPath);
    } else {
        key.reset(EVP_EC_gen("P-256"));
        cert = key ? NewCertificate(key.get(), 10 * 365, static_cast<long>(std::time(nullptr) & 0x7fffffff))
                   : Cert();
        if (cert) {
            SetName(X509_get_subject_name(cert.get()), "Velmo stand-in local authority");
            X509_set_issuer_name(cert.get(), X509_get_subject_name(cert.get()));
            const bool ok =
                AddExtension(cert.get(), cert.get(), NID_basic_constraints, "critical,CA:TRUE") &&
                AddExtension(cert.get(), cert.get(), NID_key_usage, "critical,keyCertSign,cRLSign") &&
                AddExtension(cert.get(), cert.get(), NID_subject_key_identifier, "hash") &&
                X509_sign(cert.get(), key.get(), EVP_sha256()) != 0 &&
                WritePair(keyPath, key.get(), certPath, cert.get());
            if (!ok) {
                cert.reset();
            }
        }
    }
    ::close(lock);
    if (!key || !cert) {
        error = "cannot make or read the authority in " + authorityDir;
        return false;
    }
    return true;
}

} // namespace

std::string AuthorityCertificatePath(const std::string& authorityDir) {
    return authorityDir + "/ca.crt";
}

bool EnsureCertificate(const std::string& authorityDir, const std::string& dataDir,
                       const std::string& address, std::string& certPath, std::string& keyPath,
                       std::string& error) {
    certPath = dataDir + "/server.crt";
    keyPath = dataDir + "/server.key";
    Key caKey;
    Cert caCert;
    if (!EnsureAuthority(authorityDir, caKey, caCert, error)) {
        return false;
    }
    Key key(EVP_EC_gen("P-256"));
    Cert cert =
        key ? NewCertificate(key.get(), 365, static_cast<long>(std::time(nullptr) & 0x7fffffff) ^ 1) : Cert();
    if (!cert) {
        error = "cannot make a key for the certificate";
        return false;
    }
    SetName(X509_get_subject_name(cert.get()), address);
    X509_set_issuer_name(cert.get(), X509_get_subject_name(caCert.get()));
    // The name a desk checks: the address as an IP address when it is one, else as a host name.
    unsigned char ip[16];
    const bool isIp =
        ::inet_pton(AF_INET, address.c_str(), ip) == 1 || ::inet_pton(AF_INET6, address.c_str(), ip) == 1;
    const std::string names = (isIp ? "IP:" : "DNS:") + address + ",DNS:localhost";
    const bool ok = AddExtension(cert.get(), caCert.get(), NID_subject_alt_name, names.c_str()) &&
                    AddExtension(cert.get(), caCert.get(), NID_basic_constraints, "critical,CA:FALSE") &&
                    AddExtension(cert.get(), caCert.get(), NID_ext_key_usage, "serverAuth") &&
                    AddExtension(cert.get(), caCert.get(), NID_authority_key_identifier, "keyid") &&
                    X509_sign(cert.get(), caKey.get(), EVP_sha256()) != 0;
    if (!ok) {
        error = "cannot sign the certificate";
        return false;
    }
    if (!WritePair(keyPath, key.get(), certPath, cert.get())) {
        error = "cannot write " + certPath;
        return false;
    }
    return true;
}
