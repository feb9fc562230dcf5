#pragma once

#include <QObject>
#include <QString>

// The inputs and outputs of one wait-dialog job.
struct FileListJob {
    QString url;                 // the whole request address, built by the caller
    QString userId;              // kept for the callers that set it; the job does not use it
    QString resultPath;          // full path of the unpacked file; empty when nothing was unpacked
    QObject* receiver = nullptr; // notification receiver (the wait dialog)
};

// Downloads the zipped answer of job.url into TempFolder + "ZipFile", shows a "*" answer to
// the user, unpacks the archive, deletes it and records the unpacked file's path in
// job.resultPath and as the session's last file-list name. Runs on the wait dialog's worker
// thread; never touches a widget.
void DownloadFileList(FileListJob& job);
