#include "transport/DocumentDownload.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/FileChecksum.h"
#include "host/core/NameGate.h"
#include "host/core/Prompts.h"
#include "transport/CHttp.h"
#include "transport/LocalCopies.h"
#include "transport/ZipLibrary.h"
#include "transport/scripts/ServerScripts.h"

std::uint32_t DownloadDocuments(const QStringList& names, QObject* receiver) {
    std::uint32_t checksum = 0;
    DownloadDocuments(names, receiver, checksum);
    return checksum;
}

void DownloadDocuments(const QStringList& names, QObject* receiver, std::uint32_t& checksum) {
    CHttp http;
    http.SetNotificationWindow(receiver);
    const QString tempFolder = CUtility::TempFolder();
    CUtility::CreateFolderPath(tempFolder);

    for (const QString& name : names) {
        // Report names come from the server's list: one the names rule refuses is skipped.
        const QString archivePath = NameGate::PathInside(tempFolder, name);
        const QString documentPath = NameGate::PathInside(tempFolder, name, QStringLiteral(".doc"));
        if (archivePath.isEmpty() || documentPath.isEmpty()) {
            WriteLog(QStringLiteral("DownloadFiles: File name refused,") + name);
            continue;
        }

        const QString url = DocumentFileRequest{name}.Address();
        WriteLog(QStringLiteral("DownloadFiles: File download URL,") + url);

        http.SetLocalFile(archivePath);
        http.SetURL(url);
        http.SetSecure(true);
        if (http.OpenInternetSession()) {
            Delays::Wait(Delays::Get().beforeDocumentDownload);
            if (http.DownloadFile()) {
                if (!LoadZipLibrary()) {
                    Prompts::Error(QStringLiteral("Unable to load zip library."));
                    return;
                }
                const UnpackedArchive archive = UnpackDownload(archivePath, tempFolder);
                const QString& unpacked = archive.name;
                WriteLog(QStringLiteral("DownloadFiles: Unzip filename,") + unpacked);
                WriteLog(QStringLiteral("DownloadFiles: Unzip filename with full path,") + tempFolder +
                         unpacked);
                checksum = FileChecksum(documentPath);
                // Only a document this archive wrote counts as downloaded (see LocalCopies).
                if (unpacked == name + QStringLiteral(".doc")) {
                    LocalCopies::Remember(documentPath);
                }
                WriteLog(QStringLiteral("DownloadFiles: File,") + archivePath +
                         (archive.DeleteArchive() ? QStringLiteral(", deleted")
                                                  : QStringLiteral(", could not be deleted")));
            }
        }
        http.CloseSession();
    }
}
