// Sending an edited or e-signed document back to the server as a zipped multipart post.
#include "transport/CFileDownloads.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/NameGate.h"
#include "host/core/SessionSettings.h"
#include "transport/CHttp.h"
#include "transport/ZipLibrary.h"

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

    CHttp http;
    http.ClearFormFields();
    http.SetLocalFile(zipPath);
    http.SetKeepResponse(true);
    const QString url =
        Session().ServerURL() + (esign ? QStringLiteral("qm_esign.php") : QStringLiteral("qm_resync.php"));
    http.SetURL(url);
    if (esign) {
        WriteLog(QStringLiteral("CFileDownloads::UploadFile: URL for Esign :") + url);
    }

    // Credentials travel scrambled, byte for byte.
    const QByteArray loginId = CUtility::CredentialScramble(Session().LoggedUserId().toUtf8(), true);
    const QByteArray password = CUtility::CredentialScramble(QueryProviderPassword().toUtf8(), true);
    http.AddFormField(QStringLiteral("loginid"), loginId);
    http.AddFormField(QStringLiteral("password"), password);
    http.AddFormField(QStringLiteral("locationid"), Session().QueryLocationId());
    http.AddFormField(QStringLiteral("phyid"), Session().QueryPhysicianId());
    if (esign) {
        http.AddFormField(QStringLiteral("esign"), QStringLiteral("1"));
        http.AddFormField(QStringLiteral("edit"), QStringLiteral("1"));
    } else if (!demographics.isEmpty()) {
        http.AddFormField(QStringLiteral("demographics"), demographics);
        WriteLog(QStringLiteral("CFileDownloads::UploadFile: Demographics are :") + demographics);
    }

    http.SetSecure(true);
    QString answer;
    if (http.OpenInternetSession()) {
        if (http.UploadFile()) {
            answer = http.GetResponse();
            WriteLog(answer.contains(QLatin1Char('~'))
                         ? QStringLiteral("CFileDownloads::UploadFile: Update successful")
                         : QStringLiteral("CFileDownloads::UploadFile: Update not successful"));
        }
        http.CloseSession();
    }

    if (!zipPath.isEmpty()) {
        QFile zip(zipPath);
        zip.setPermissions(zip.permissions() | QFileDevice::WriteOwner);
        WriteLog(QStringLiteral("File, ") + zipPath +
                 (zip.remove() ? QStringLiteral(" deleted") : QStringLiteral(" could not be deleted")));
    }
    return answer;
}
