#include "tests/support/ProfileCheck.h"

#include <QDirIterator>
#include <QFile>

#include <sys/stat.h>

namespace {

QString Problem(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || S_ISLNK(info.st_mode)) {
        return {};
    }
    const mode_t wanted = S_ISDIR(info.st_mode) ? 0700 : 0600;
    const mode_t mode = info.st_mode & 07777;
    return mode == wanted ? QString() : path + QStringLiteral(" %1").arg(mode, 0, 8);
}

} // namespace

QStringList NotPrivate(const QString& root) {
    QStringList found{Problem(root)};
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.mid(root.size()).startsWith(QStringLiteral("LibreOffice/")) &&
            !it.fileName().startsWith(QStringLiteral(".~lock."))) {
            found.append(Problem(path));
        }
    }
    found.removeAll(QString());
    return found;
}
