#include "host/core/PrivateModes.h"

#include "host/core/NameGate.h"

#include <QList>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>

namespace PrivateModes {
namespace {

constexpr mode_t kShared = 077;
constexpr int kOpenFolders = 16;

// nftw's callback takes no context: the walk's state lives here, one walk per thread at a time.
thread_local int visited = 0;
thread_local int changed = 0;
thread_local QList<QByteArray> othersPaths;

int Visit(const char* path, const struct stat* info, int type, FTW* where) {
    if (++visited > kMaxEntries) {
        return FTW_STOP;
    }
    if ((type == FTW_F || type == FTW_D) && (info->st_mode & kShared) != 0 &&
        ::fchmodat(AT_FDCWD, path, info->st_mode & ~kShared & 07777, 0) == 0) {
        ++changed;
    }
    if (type == FTW_D && where->level == 1 && othersPaths.contains(QByteArray(path))) {
        return FTW_SKIP_SUBTREE;
    }
    return FTW_CONTINUE;
}

} // namespace

bool OpenForWriting(QFileDevice& file, QIODevice::OpenMode mode) {
    if (!file.open(mode)) {
        return false;
    }
    file.setPermissions(kFilePermissions);
    return true;
}

void Restrict(int fd) {
    struct stat info {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && (info.st_mode & 07777) != kFile) {
        ::fchmod(fd, kFile);
    }
}

bool Restrict(const QString& path) {
    QByteArray native;
    struct stat info {};
    if (!NameGate::NativePath(path, native) || ::lstat(native.constData(), &info) != 0 ||
        S_ISLNK(info.st_mode)) {
        return false;
    }
    const mode_t mode = S_ISDIR(info.st_mode) ? kFolder : kFile;
    return (info.st_mode & 07777) == mode || ::chmod(native.constData(), mode) == 0;
}

bool MakeFolder(const QByteArray& nativePath) {
    if (::mkdir(nativePath.constData(), kFolder) == 0) {
        // The umask may have taken bits the owner needs.
        ::chmod(nativePath.constData(), kFolder);
        return true;
    }
    struct stat info {};
    return errno == EEXIST && ::lstat(nativePath.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

int Tighten(const QString& root, const QStringList& othersFolders) {
    QByteArray native;
    if (!NameGate::NativePath(root, native)) {
        return 0;
    }
    while (native.size() > 1 && native.endsWith('/')) {
        native.chop(1);
    }
    visited = 0;
    changed = 0;
    othersPaths.clear();
    for (const QString& folder : othersFolders) {
        othersPaths.append(native + '/' + folder.toLocal8Bit());
    }
    ::nftw(native.constData(), &Visit, kOpenFolders, FTW_PHYS | FTW_MOUNT | FTW_ACTIONRETVAL);
    return changed;
}

} // namespace PrivateModes
