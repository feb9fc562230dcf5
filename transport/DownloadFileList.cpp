#include "transport/DownloadFileList.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "transport/CHttp.h"
#include "transport/ZipLibrary.h"

void DownloadFileList(FileListJob& job) {
    CHttp http;
    http.SetNotificationWindow(job.receiver);
    const QString tempFolder = CUtility::TempFolder();
    CUtility::CreateFolderPath(tempFolder);
    const QString archivePath = tempFolder + QStringLiteral("ZipFile");

    http.SetLocalFile(archivePath);
    http.SetURL(job.url);
    http.SetSecure(true);
    http.SetKeepResponse(true);
    if (!http.OpenInternetSession()) {
        return;
    }
    Delays::Wait(Delays::Get().beforeZippedDownload);
    if (http.DownloadFile()) {
        const QString response = http.GetResponse();
        WriteLog(QStringLiteral("DownloadFileList Response,") + response);
        const QString trimmed = response.trimmed();
        if (trimmed.startsWith(QLatin1Char('*'))) {
            // A message from the server for the user; nothing to unpack.
            QString message = trimmed;
            message.remove(QLatin1Char('*'));
            Prompts::Information(message);
        } else if (!CUtility::FileExists(archivePath)) {
            Prompts::Information(QStringLiteral("Error unable to Download File"));
        } else if (!LoadZipLibrary()) {
            Prompts::Error(QStringLiteral("Unable to load zip library."));
        } else {
            const UnpackedArchive archive = UnpackDownload(archivePath, tempFolder);
            const QString& name = archive.name;
            WriteLog(QStringLiteral("DownloadFileList: Unzip file name,") + name);
            WriteLog(QStringLiteral("File list zip,") + archivePath +
                     (archive.DeleteArchive() ? QStringLiteral(", deleted")
                                              : QStringLiteral(", could not be deleted")));
            // An archive that unpacked nothing leaves the earlier results as they were.
            if (!name.isEmpty()) {
                job.resultPath = tempFolder + name;
                Session().SetLastFileListName(job.resultPath);
            }
        }
    }
    WriteLog(http.CloseSession() ? QStringLiteral("DownloadFileList: Internet session closed")
                                 : QStringLiteral("DownloadFileList: Internet session could not be closed"));
}
