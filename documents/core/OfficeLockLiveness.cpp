#include "documents/core/OfficeLockLiveness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUrl>

#include <unistd.h>

namespace OfficeLockLiveness {

namespace {

constexpr qint64 kMaxLockBytes = 4096;         // a lock file is one short line
constexpr qint64 kMaxCmdlineBytes = 64 * 1024; // a process's arguments, bounded
constexpr int kMaxProcesses = 100000;

QByteArray ReadBounded(const QString& path, qint64 limit) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(limit) : QByteArray();
}

// A profile URL as a clean local path, so that "file:///a/b/" and "file:///a//b" compare equal.
QString ProfilePath(const QString& url) {
    const QUrl u(url);
    return u.isLocalFile() ? QDir::cleanPath(u.toLocalFile()) : QString();
}

// LibreOffice may write the host's full name where Qt gives the short one, or the other way.
bool SameHost(const QString& a, const QString& b) {
    return a.section(QLatin1Char('.'), 0, 0)
               .compare(b.section(QLatin1Char('.'), 0, 0), Qt::CaseInsensitive) == 0;
}

QString DefaultProfilePath() {
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/libreoffice/4"));
}

} // namespace

LockOwner ReadLock(const QString& lockPath) {
    const QString line = QString::fromUtf8(ReadBounded(lockPath, kMaxLockBytes)).trimmed();
    const QStringList fields = line.split(QLatin1Char(','));
    if (fields.size() < 5) {
        return {};
    }
    QString profile = fields.mid(4).join(QLatin1Char(','));
    if (profile.endsWith(QLatin1Char(';'))) {
        profile.chop(1);
    }
    return {fields.at(2), profile};
}

bool ProfileInUse(const QString& profileUrl) {
    const QString wanted = ProfilePath(profileUrl);
    const QString uid = QString::number(::getuid());
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    int seen = 0;
    for (const QString& pid : pids) {
        if (++seen > kMaxProcesses) {
            return true; // cannot tell: count it as running
        }
        bool number = false;
        pid.toInt(&number);
        const QString dir = QStringLiteral("/proc/") + pid;
        if (!number || ReadBounded(dir + QStringLiteral("/comm"), 64).trimmed() != "soffice.bin" ||
            QString::number(QFileInfo(dir).ownerId()) != uid) {
            continue;
        }
        QString profile = DefaultProfilePath();
        for (const QByteArray& arg :
             ReadBounded(dir + QStringLiteral("/cmdline"), kMaxCmdlineBytes).split('\0')) {
            if (arg.startsWith("-env:UserInstallation=")) {
                profile = ProfilePath(QString::fromUtf8(arg.mid(arg.indexOf('=') + 1)));
            }
        }
        if (profile == wanted) {
            return true;
        }
    }
    return false;
}

bool IsStale(const QString& lockPath) {
    if (!QFileInfo(lockPath).isFile()) {
        return false;
    }
    const LockOwner owner = ReadLock(lockPath);
    if (owner.host.isEmpty() || !SameHost(owner.host, QSysInfo::machineHostName()) ||
        ProfilePath(owner.profileUrl).isEmpty()) {
        return false;
    }
    return !ProfileInUse(owner.profileUrl);
}

} // namespace OfficeLockLiveness
