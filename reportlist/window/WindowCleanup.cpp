// Closing the window leaves no downloaded reports, audio or cache behind.
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "reportlist/core/PhysicianLocationCache.h"
#include "reportlist/window/CVelmoPropPage.h"
#include "ui_CVelmoPropPage.h"

#include <QDir>
#include <QFile>

namespace {

void RemoveClearingReadOnly(const QString& path, bool logFailure) {
    QFile file(path);
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    if (!file.remove() && logFailure) {
        WriteLog(QStringLiteral("Failed to delete the file ") + path);
    }
}

} // namespace

CVelmoPropPage::~CVelmoPropPage() {
    noResultTimer_.stop();
    const CUtility util;
    const QString temp = util.TempFolder();
    Delays::Wait(Delays::Get().folderCleanup);
    EmptyFolder(temp + QStringLiteral("versionfiles/"));
    Delays::Wait(Delays::Get().folderCleanup);
    EmptyFolder(temp);
    Delays::Wait(Delays::Get().folderCleanup);
    EmptyFolder(temp + QStringLiteral("VoiceFiles/"));
    Delays::Wait(Delays::Get().folderCleanup);
    const QString cache = PhysicianLocationCache::CacheFilePath();
    if (util.FileExists(cache)) {
        RemoveClearingReadOnly(cache, false);
    }
}

void CVelmoPropPage::EmptyFolder(const QString& folder) {
    const QDir dir(folder);
    const QStringList files =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& name : files) {
        RemoveClearingReadOnly(dir.filePath(name), true);
    }
}
