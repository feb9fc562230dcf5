#include "host/core/DeskSettings.h"

#include "host/core/ActivityLog.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace {

const QString kFile = QStringLiteral("velmo/velmo.conf");

QString ConfigFolder(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? fallback : value;
}

// The file's value for key, or a null text when the file does not set it (or cannot be read).
QString Read(const QString& path, const QString& key) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        return {};
    }
    if (info.size() > DeskSettings::kMaxFileSize) {
        WriteLog(QStringLiteral("DeskSettings: ") + path +
                 QStringLiteral(" is too large to be a settings file"));
        return {};
    }
    const QSettings file(path, QSettings::IniFormat);
    const QVariant value = file.value(key);
    // A list written with commas comes back as a list; blanks or commas both separate.
    return value.isValid() ? value.toStringList().join(QLatin1Char(' ')) : QString();
}

QStringList HostNames(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    QStringList hosts;
    for (const QString& host : text.split(separators, Qt::SkipEmptyParts)) {
        if (hosts.size() >= DeskSettings::kMaxAllowedServers) {
            break;
        }
        hosts.append(host.toLower());
    }
    return hosts;
}

} // namespace

QString DeskSettings::UserFile() {
    return ConfigFolder("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config")) + QLatin1Char('/') +
           kFile;
}

QStringList DeskSettings::SystemFiles() {
    QStringList files;
    const QString dirs = ConfigFolder("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        files.append(dir + QLatin1Char('/') + kFile);
    }
    return files;
}

DeskSettings::DeskSettings() {
    QString allowed;
    for (const QString& file : SystemFiles()) {
        allowed = Read(file, QStringLiteral("AllowedServers"));
        if (!allowed.isNull()) {
            break;
        }
    }
    if (allowed.isNull()) {
        allowed = Read(UserFile(), QStringLiteral("AllowedServers"));
    }
    allowedServers_ = HostNames(allowed);
}
