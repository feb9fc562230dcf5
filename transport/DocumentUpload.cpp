// Sending an edited or e-signed document back to the server as a zipped multipart post.
#include "transport/CFileDownloads.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/NameGate.h"
#include "host/core/SessionSettings.h"
#include "transport/ZipLibrary.h"
#include "transport/scripts/ServerScripts.h"

#include <QFile>

namespace {

// The password of the query's care provider: the extra value at the first id that matches
// regardless of case; empty without a match.
QString QueryProviderPassword() {
    const QString queryId = Session().QueryPhysicianId();
    const QStringList ids = Session().CareProviderIds();
    const QStringList extras = Session().CareProviderExtras();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (ids.at(i).compare(queryId, Qt::CaseInsensitive) == 0) {
            return extras.value(i);
        }
    }
    return {};
}

} // namespace

QString CFileDownloads::UploadFile(const QString& baseName) {
    return Upload(baseName, true, QString());
}

QString CFileDownloads::UploadFile(const QString& baseName, const QString& demographics) {
    return Upload(baseName, false, demographics);
}

QString CFileDownloads::Upload(const QString& baseName, bool esign, const QString& demographics) {
    const QString documentPath =
        NameGate::PathInside(CUtility::TempFolder(), baseName, QStringLiteral(".doc"));
    if (documentPath.isEmpty()) {
        WriteLog(QStringLiteral("CFileDownloads::UploadFile: File name refused, ") + baseName);
        return {};
    }
    // Without the zip library there is no archive to send; a failed zip leaves a path that
    // the upload then cannot read, so nothing goes out.
    QString zipPath;
    if (LoadZipLibrary()) {
        zipPath = ZipPathFor(documentPath);
        BasicZip(documentPath, zipPath);
    }

    DocumentUploadRequest request;
    request.esign = esign;
    ScriptPost post(request.Address());
    post.SetLocalFile(zipPath);
    if (esign) {
        WriteLog(QStringLiteral("CFileDownloads::UploadFile: URL for Esign :") + request.Address());
    }

    // Credentials travel scrambled, byte for byte.
    request.loginId = CUtility::CredentialScramble(Session().LoggedUserId().toUtf8(), true);
    request.password = CUtility::CredentialScramble(QueryProviderPassword().toUtf8(), true);
    request.locationId = Session().QueryLocationId();
    request.providerId = Session().QueryPhysicianId();
    if (!esign) {
        request.demographics = demographics;
        if (!demographics.isEmpty()) {
            WriteLog(QStringLiteral("CFileDownloads::UploadFile: Demographics are :") + demographics);
        }
    }

    const ServerAnswer answer = request.Send(post);
    if (answer.sent) {
        WriteLog(answer.Accepted() ? QStringLiteral("CFileDownloads::UploadFile: Update successful")
                                   : QStringLiteral("CFileDownloads::UploadFile: Update not successful"));
    }

    if (!zipPath.isEmpty()) {
        QFile zip(zipPath);
        zip.setPermissions(zip.permissions() | QFileDevice::WriteOwner);
        WriteLog(QStringLiteral("File, ") + zipPath +
                 (zip.remove() ? QStringLiteral(" deleted") : QStringLiteral(" could not be deleted")));
    }
    return answer.response;
}
