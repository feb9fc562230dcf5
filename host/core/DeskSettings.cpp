#include "host/core/DeskSettings.h"

#include "host/core/ActivityLog.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSettings>

namespace {

const QString kFile = QStringLiteral("velmo/velmo.conf");
const QStringList kKeys = {QStringLiteral("AllowedServers"), QStringLiteral("CaFile"),
                           QStringLiteral("LogRetentionDays"), QStringLiteral("FixedWaits")};

QString ConfigFolder(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? fallback : value;
}

// The keys the file sets (a key it does not set is absent), nothing when it cannot be read.
QHash<QString, QString> Read(const QString& path) {
    QHash<QString, QString> values;
    const QFileInfo info(path);
    if (!info.isFile()) {
        return values;
    }
    if (info.size() > DeskSettings::kMaxFileSize) {
        WriteLog(QStringLiteral("DeskSettings: ") + path +
                 QStringLiteral(" is too large to be a settings file"));
        return values;
    }
    const QSettings file(path, QSettings::IniFormat);
    for (const QString& key : kKeys) {
        const QVariant value = file.value(key);
        // A list written with commas comes back as a list; blanks or commas both separate.
        if (value.isValid()) {
            values.insert(key, value.toStringList().join(QLatin1Char(' ')));
        }
    }
    return values;
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

int RetentionDays(const QString& text) {
    bool ok = false;
    const int days = text.trimmed().toInt(&ok);
    if (text.isNull() || (ok && days >= 0 && days <= DeskSettings::kMaxLogRetentionDays)) {
        return text.isNull() ? DeskSettings::kDefaultLogRetentionDays : days;
    }
    WriteLog(
        QStringLiteral("DeskSettings: LogRetentionDays is not a number of days from 0 to %1, %2 are kept: ")
            .arg(DeskSettings::kMaxLogRetentionDays)
            .arg(DeskSettings::kDefaultLogRetentionDays) +
        text);
    return DeskSettings::kDefaultLogRetentionDays;
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
    const QHash<QString, QString> user = Read(UserFile());
    QList<QHash<QString, QString>> system;
    for (const QString& file : SystemFiles()) {
        system.append(Read(file));
    }
    // The most important file that sets the key; the user's first unless it is a policy.
    const auto value = [&](const QString& key, bool userFirst) {
        if (userFirst && user.contains(key)) {
            return user.value(key);
        }
        for (const auto& file : system) {
            if (file.contains(key)) {
                return file.value(key);
            }
        }
        return user.value(key);
    };
    allowedServers_ = HostNames(value(QStringLiteral("AllowedServers"), false));
    caFile_ = value(QStringLiteral("CaFile"), true).trimmed();
    logRetentionDays_ = RetentionDays(value(QStringLiteral("LogRetentionDays"), true));
    const QString waits = value(QStringLiteral("FixedWaits"), true).trimmed().toLower();
    fixedWaits_ =
        waits == QLatin1String("true") || waits == QLatin1String("1") || waits == QLatin1String("yes");
}
