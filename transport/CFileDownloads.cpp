#include "transport/CFileDownloads.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/NameGate.h"
#include "host/core/Prompts.h"
#include "transport/CHttp.h"
#include "transport/ZipLibrary.h"

QString CFileDownloads::DownloadFiles(const QString& fileName) {
    CHttp http;
    url_ = url_.trimmed();
    resultPath_ = resultPath_.trimmed();
    QString folder = targetFolder_.isEmpty() ? CUtility::TempFolder() : targetFolder_;
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    CUtility::CreateFolderPath(folder);
    // The archive is stored under the caller's name inside the folder.
    const QString archivePath = NameGate::PathInside(folder, fileName);
    if (archivePath.isEmpty()) {
        WriteLog(QStringLiteral("DownloadFiles: File name refused,") + fileName);
        return resultPath_;
    }
    WriteLog(QStringLiteral("DownloadFiles: File download url,") + url_);

    http.SetLocalFile(archivePath);
    http.SetURL(url_);
    http.SetSecure(true);
    if (!http.OpenInternetSession()) {
        return resultPath_;
    }
    Delays::Wait(Delays::Get().beforeZippedDownload);
    if (http.DownloadFile()) {
        if (!LoadZipLibrary()) {
            Prompts::Error(QStringLiteral("Unable to load zip library."));
            return resultPath_;
        }
        const UnpackedArchive archive = UnpackDownload(archivePath, folder);
        const QString& name = archive.name;
        WriteLog(QStringLiteral("DownloadFiles: Unzip filename,") + name);
        WriteLog(QStringLiteral("Zip file,") + archivePath +
                 (archive.DeleteArchive() ? QStringLiteral(", deleted")
                                          : QStringLiteral(", could not be deleted")));
        // An archive that unpacked nothing leaves the earlier result as it was.
        if (!name.isEmpty()) {
            resultPath_ = folder + name;
            WriteLog(QStringLiteral("DownloadFiles: Unzip filename with fullpath,") + resultPath_);
        }
    }
    WriteLog(http.CloseSession() ? QStringLiteral("DownloadFiles: Internet session closed")
                                 : QStringLiteral("DownloadFiles: Internet session could not be closed"));
    return resultPath_;
}
