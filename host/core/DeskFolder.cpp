#include "host/core/DeskFolder.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/NameGate.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DeskFolder {

namespace {

const QString kPrefix = QStringLiteral("desk-");

struct Held {
    QString profile;
    QString path; // ends in "/"
    int fd = -1;  // the open folder, whose lock marks the desk as running
};

QMutex mutex;
Held held;

// The folder at path is still the one whose lock this desk holds.
bool StillOurs(const Held& h) {
    if (h.fd < 0) {
        return false;
    }
    QByteArray native;
    struct stat onDisk {};
    struct stat open {};
    return NameGate::NativePath(h.path, native) && ::lstat(native.constData(), &onDisk) == 0 &&
           S_ISDIR(onDisk.st_mode) && ::fstat(h.fd, &open) == 0 && onDisk.st_dev == open.st_dev &&
           onDisk.st_ino == open.st_ino;
}

// Opens the folder without following a link; -1 when it is not a folder.
int OpenFolder(const QByteArray& native) {
    return ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

void MakeNew(const QString& profile) {
    if (held.fd >= 0) {
        ::close(held.fd);
    }
    held = Held{profile, QString(), -1};
    const QString root = profile + QStringLiteral("Temp/");
    CUtility::CreateFolderPath(root);
    QByteArray pattern =
        QFile::encodeName(root + kPrefix + QString::number(::getpid()) + QStringLiteral("-XXXXXX"));
    if (::mkdtemp(pattern.data()) == nullptr) {
        WriteLog(QStringLiteral("DeskFolder: the desk's folder could not be made under ") + root);
        return;
    }
    const int fd = OpenFolder(pattern);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        WriteLog(QStringLiteral("DeskFolder: the desk's folder could not be held, ") +
                 QFile::decodeName(pattern));
        return;
    }
    held = Held{profile, QFile::decodeName(pattern) + QLatin1Char('/'), fd};
    WriteLog(QStringLiteral("DeskFolder: working in ") + held.path);
}

} // namespace

QString Root() {
    return CUtility::ProfileFolder() + QStringLiteral("Temp/");
}

QString Path() {
    const QString profile = CUtility::ProfileFolder();
    const QMutexLocker lock(&mutex);
    if (held.profile != profile || !StillOurs(held)) {
        MakeNew(profile);
    }
    return held.path;
}

QString Name() {
    return QDir(Path()).dirName();
}

bool IsRunning(const QString& folderName) {
    if (!NameGate::Accepts(folderName)) {
        return false;
    }
    if (folderName == Name()) {
        return true;
    }
    QByteArray native;
    if (!NameGate::NativePath(Root() + folderName, native)) {
        return false;
    }
    const int fd = OpenFolder(native);
    if (fd < 0) {
        return false;
    }
    // A lock taken here would be granted only when no running desk holds the folder.
    const bool running = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return running;
}

int RemoveLeftovers(const QStringList& keep) {
    const QString own = Name();
    const QDir root(Root());
    const QStringList names = root.entryList({kPrefix + QLatin1Char('*')},
                                             QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    int removed = 0;
    for (qsizetype i = 0; i < names.size() && i < kMaxLeftoversLookedAt; ++i) {
        const QString& name = names.at(i);
        if (name == own || keep.contains(name) || IsRunning(name)) {
            continue;
        }
        QDir leftover(root.filePath(name));
        if (QFileInfo(leftover.path()).isSymLink()) {
            continue;
        }
        const bool gone = leftover.removeRecursively();
        WriteLog(QStringLiteral("DeskFolder: folder of a desk no longer running, ") + leftover.path() +
                 (gone ? QStringLiteral(", deleted") : QStringLiteral(", could not be deleted")));
        removed += gone ? 1 : 0;
    }
    return removed;
}

void RemoveIfEmpty() {
    const QMutexLocker lock(&mutex);
    if (!StillOurs(held)) {
        return;
    }
    QByteArray native;
    if (NameGate::NativePath(held.path, native) && ::rmdir(native.constData()) == 0) {
        ::close(held.fd);
        held = Held{};
    }
}

} // namespace DeskFolder
