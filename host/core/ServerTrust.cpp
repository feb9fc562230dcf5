#include "host/core/ServerTrust.h"

#include "host/core/ActivityLog.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <curl/curl.h>

namespace ServerTrust {
namespace {

QMutex configuredLock;
bool configured = false;
QString configuredFile;

} // namespace

QString ChooseCaFile(const QString& option, const QString& environment, const QString& setting) {
    for (const QString& candidate : {option, environment, setting}) {
        if (!candidate.trimmed().isEmpty()) {
            return candidate.trimmed();
        }
    }
    return {};
}

void Configure(const QString& caFile) {
    const QFileInfo info(caFile);
    const bool usable = caFile.isEmpty() || (info.isFile() && info.isReadable());
    if (caFile.isEmpty()) {
        WriteLog(QStringLiteral("ServerTrust: the system's certificate authorities are trusted"));
    } else if (usable) {
        WriteLog(
            QStringLiteral("ServerTrust: the system's certificate authorities are trusted, and those of ") +
            caFile);
    } else {
        WriteLog(
            QStringLiteral("ServerTrust: the certificate file cannot be read, only the system's authorities "
                           "are trusted: ") +
            caFile);
    }
    const QMutexLocker locker(&configuredLock);
    configured = true;
    configuredFile = usable ? caFile : QString();
}

QString CaFile() {
    {
        const QMutexLocker locker(&configuredLock);
        if (configured) {
            return configuredFile;
        }
    }
    return qEnvironmentVariable("VELMO_CA_FILE").trimmed();
}

bool Apply(void* curlHandle) {
    CURL* h = static_cast<CURL*>(curlHandle);
    CURLcode rc = curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    }
    // libcurl keeps the system's store as its certificate folder (/etc/ssl/certs on Debian) when
    // a file is named: the file comes beside the store, not instead of it. A file that cannot be
    // read would fail every request; without it the system's store alone decides.
    const QString file = CaFile();
    if (rc == CURLE_OK && !file.isEmpty() && QFileInfo(file).isReadable()) {
        rc = curl_easy_setopt(h, CURLOPT_CAINFO, QFile::encodeName(file).constData());
    }
    return rc == CURLE_OK;
}

bool IsCertificateError(int curlCode) {
    switch (curlCode) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CERTPROBLEM:
        return true;
    default:
        return false;
    }
}

} // namespace ServerTrust
