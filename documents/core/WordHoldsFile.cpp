#include "documents/core/WordHoldsFile.h"

#include "host/core/CUtility.h"
#include "host/core/RegularFile.h"

#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

QString OfficeLockFilePath(const QString& path) {
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.~lock.") + info.fileName() + QLatin1Char('#');
}

bool WordHoldsFile(const QString& path) {
    if (path.contains(QChar(u'\0'))) {
        return false; // no such document: the system call would see a shorter path
    }
    if (CUtility::FileExists(OfficeLockFilePath(path))) {
        return true;
    }
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0) {
        return false;
    }
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return held;
}
