#pragma once

#include <QString>

// One transfer of a named file: a zipped download into a folder (document versions,
// dictation audio), or the upload of an edited or e-signed document. Created for one call.
class CFileDownloads {
public:
    CFileDownloads() = default;
    virtual ~CFileDownloads() = default;
    CFileDownloads(const CFileDownloads&) = delete;
    CFileDownloads& operator=(const CFileDownloads&) = delete;

    void SetURL(const QString& url) { url_ = url; }
    // Folder receiving the archive and the unpacked file; TempFolder when empty.
    void SetTargetFolder(const QString& folder) { targetFolder_ = folder; }

    // Downloads url into folder + fileName, unpacks it and deletes the archive. Answers the
    // unpacked file's full path, or the earlier result (empty for a new object).
    QString DownloadFiles(const QString& fileName);

    // E-sign upload of TempFolder + baseName + ".doc"; answers the server's text (empty when
    // nothing came back).
    QString UploadFile(const QString& baseName);
    // Resync upload, with the demographics text when it is not empty.
    QString UploadFile(const QString& baseName, const QString& demographics);

private:
    QString Upload(const QString& baseName, bool esign, const QString& demographics);

    QString url_;
    QString targetFolder_;
    QString resultPath_;
};
