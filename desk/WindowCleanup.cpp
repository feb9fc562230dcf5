// Closing the window leaves no downloaded reports, audio or cache behind in this desk's folder,
// except a report the word processor still holds: it is kept for the next start, and its file
// and lock stay where the word processor expects them. Other desks' folders are not touched.
#include "desk/CVelmoPropPage.h"
#include "documents/core/DocumentPaths.h"
#include "documents/core/WordHoldsFile.h"
#include "documents/monitor/DocumentMonitor.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/DeskFolder.h"
#include "reportlist/core/PhysicianLocationCache.h"
#include "transport/LocalCopies.h"
#include "ui_CVelmoPropPage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

void RemoveClearingReadOnly(const QString& path, bool logFailure) {
    QFile file(path);
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    if (!file.remove() && logFailure) {
        WriteLog(QStringLiteral("Failed to delete the file ") + path);
    }
}

void EmptyFolderKeeping(const QString& folder, const QStringList& keep) {
    const QDir dir(folder);
    const QStringList files =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& name : files) {
        if (!keep.contains(name)) {
            RemoveClearingReadOnly(dir.filePath(name), true);
        }
    }
}

} // namespace

CVelmoPropPage::~CVelmoPropPage() {
    noResultTimer_.stop();
    const QString temp = CUtility::TempFolder();
    QStringList held;
    if (DocumentMonitor* monitor = DocumentMonitor::Find(this)) {
        const QString path = monitor->Path();
        monitor->KeepForNextStart();
        const QString report = LocalDocumentPath(monitor->Name());
        if (QFileInfo(path).absolutePath() == QFileInfo(report).absolutePath() && WordHoldsFile(path)) {
            held << QFileInfo(path).fileName() << QFileInfo(OfficeLockFilePath(path)).fileName()
                 << QFileInfo(report).fileName();
        }
    }
    Delays::Wait(Delays::Get().folderCleanup);
    EmptyFolder(temp + QStringLiteral("versionfiles/"));
    Delays::Wait(Delays::Get().folderCleanup);
    EmptyFolderKeeping(temp, held);
    Delays::Wait(Delays::Get().folderCleanup);
    EmptyFolder(temp + QStringLiteral("VoiceFiles/"));
    Delays::Wait(Delays::Get().folderCleanup);
    const QString cache = PhysicianLocationCache::CacheFilePath();
    if (CUtility::FileExists(cache)) {
        RemoveClearingReadOnly(cache, false);
    }
    // Nothing downloaded is left to reuse; the folder goes unless the word processor holds a report.
    LocalCopies::ForgetAll();
    QDir(temp).rmdir(QStringLiteral("versionfiles"));
    QDir(temp).rmdir(QStringLiteral("VoiceFiles"));
    DeskFolder::RemoveIfEmpty();
}

void CVelmoPropPage::EmptyFolder(const QString& folder) {
    EmptyFolderKeeping(folder, {});
}
