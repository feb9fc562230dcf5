#include "host/core/Registration.h"

#include "host/core/CUtility.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace Registration {
namespace {

constexpr qint64 kMaxMimeAppsSize = 1024 * 1024;
constexpr int kToolTimeoutMs = 30000;

QString XdgHome(const char* variable, const QString& fallback) {
    QString value = qEnvironmentVariable(variable);
    // Relative values are invalid by the XDG rules and must be ignored.
    if (value.isEmpty() || !QDir::isAbsolutePath(value)) {
        return QDir::homePath() + fallback;
    }
    return value;
}

bool WriteWhole(const QString& path, const QByteArray& content) {
    CUtility::CreateFolderPath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(content);
    return file.commit();
}

// Removing what is not there succeeds; a name that is in the way but cannot go fails.
bool RemoveFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return true;
    }
    return !info.isDir() && QFile::remove(path);
}

// Refreshes a desktop cache when its tool is installed; the files alone already work for
// most desktops, so a missing tool or a failure is not an error.
void RunCacheTool(const QString& tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty() || !QFileInfo(folder).isDir()) {
        return;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments({folder});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (process.waitForStarted() && !process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
}

// The MIME type and the desktop entry are the files the package installs system-wide, built in
// (host/core's resources), so a per-user registration and the package always agree.
QByteArray Resource(const QString& name) {
    QFile file(QStringLiteral(":/desktop/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray MimePackageText() {
    return Resource(QStringLiteral("velmo.xml"));
}

bool IsSectionLine(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    return t.startsWith('[') && t.endsWith(']');
}

// Rewrites mimeapps.list: with install set, makes the desk the default for our two types;
// otherwise takes the desk out of every list it appears in for them. Other lines are kept.
bool UpdateMimeApps(const QString& path, bool install) {
    QList<QByteArray> lines;
    QFile in(path);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly) || in.size() > kMaxMimeAppsSize) {
            return false;
        }
        lines = in.readAll().split('\n');
        in.close();
        if (!lines.isEmpty() && lines.last().isEmpty()) {
            lines.removeLast();
        }
    } else if (!install) {
        return true;
    }
    const QList<QByteArray> ours = {QByteArray(kSchemeMimeType), QByteArray(kMimeType)};
    const QByteArray desktop(kDesktopFileName);

    QList<QByteArray> out;
    bool changed = false;
    for (const QByteArray& line : lines) {
        const qsizetype eq = line.indexOf('=');
        const QByteArray key = eq > 0 ? line.left(eq).trimmed() : QByteArray();
        if (IsSectionLine(line) || !ours.contains(key)) {
            out.append(line);
            continue;
        }
        // One of our types: drop the desk from its list (install puts it back below).
        QList<QByteArray> apps = line.mid(eq + 1).trimmed().split(';');
        apps.removeAll(QByteArray());
        const qsizetype before = apps.size();
        apps.removeAll(desktop);
        changed = changed || apps.size() != before;
        if (!apps.isEmpty()) {
            out.append(key + '=' + apps.join(';') + ';');
        } else {
            changed = true;
        }
    }
    if (install) {
        qsizetype section = -1;
        for (qsizetype i = 0; i < out.size(); ++i) {
            if (out.at(i).trimmed() == "[Default Applications]") {
                section = i;
                break;
            }
        }
        if (section < 0) {
            if (!out.isEmpty() && !out.last().trimmed().isEmpty()) {
                out.append(QByteArray());
            }
            out.append("[Default Applications]");
            section = out.size() - 1;
        }
        // The desk goes first in each list, ahead of (and keeping) older defaults.
        for (const QByteArray& key : ours) {
            bool found = false;
            for (qsizetype i = section + 1; i < out.size() && !IsSectionLine(out.at(i)); ++i) {
                const QByteArray& line = out.at(i);
                const qsizetype eq = line.indexOf('=');
                if (eq > 0 && line.left(eq).trimmed() == key) {
                    out[i] = key + '=' + desktop + ';' + line.mid(eq + 1).trimmed();
                    found = true;
                    break;
                }
            }
            if (!found) {
                out.insert(section + 1, key + '=' + desktop + ';');
            }
        }
        changed = true;
    }
    if (!changed) {
        return true;
    }
    QByteArray text;
    for (const QByteArray& line : out) {
        text += line + '\n';
    }
    return WriteWhole(path, text);
}

// Desktop entry Exec quoting: the path in double quotes, with ", `, $ and \ escaped, and "%"
// doubled; then the string-value escaping of the file format doubles every backslash.
QString QuoteExec(const QString& path) {
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
        if (c == QLatin1Char('%')) {
            quoted += QLatin1Char('%');
        }
    }
    quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return quoted;
}

} // namespace

Paths Paths::FromEnvironment(const QString& executable) {
    return Paths{XdgHome("XDG_DATA_HOME", QStringLiteral("/.local/share")),
                 XdgHome("XDG_CONFIG_HOME", QStringLiteral("/.config")), executable};
}

QString Paths::MimePackage() const {
    return dataHome + QStringLiteral("/mime/packages/") + QLatin1String(kMimePackageName);
}

QString Paths::DesktopEntry() const {
    return dataHome + QStringLiteral("/applications/") + QLatin1String(kDesktopFileName);
}

QString Paths::MimeApps() const {
    return configHome + QStringLiteral("/mimeapps.list");
}

QString DesktopEntryText(const QString& executable) {
    // The package's entry starts "velmo" from PATH; a per-user one names this executable.
    QStringList lines = QString::fromUtf8(Resource(QStringLiteral("velmo.desktop"))).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.startsWith(QLatin1String("Exec="))) {
            line = QStringLiteral("Exec=") + QuoteExec(executable) + QStringLiteral(" %u");
        }
    }
    return lines.join(QLatin1Char('\n'));
}

std::uint32_t Register(const Paths& paths) {
    const QByteArray mimePackage = MimePackageText();
    if (mimePackage.isEmpty() || !WriteWhole(paths.MimePackage(), mimePackage)) {
        return kTypeLibraryFailed;
    }
    RunCacheTool(QStringLiteral("update-mime-database"), paths.dataHome + QStringLiteral("/mime"));
    const QByteArray entry = DesktopEntryText(paths.executable).toUtf8();
    if (entry.isEmpty() || !WriteWhole(paths.DesktopEntry(), entry) ||
        !UpdateMimeApps(paths.MimeApps(), true)) {
        return kClassFailed;
    }
    RunCacheTool(QStringLiteral("update-desktop-database"), paths.dataHome + QStringLiteral("/applications"));
    return kOk;
}

std::uint32_t Unregister(const Paths& paths) {
    if (!RemoveFile(paths.DesktopEntry()) || !UpdateMimeApps(paths.MimeApps(), false)) {
        return kClassFailed;
    }
    RunCacheTool(QStringLiteral("update-desktop-database"), paths.dataHome + QStringLiteral("/applications"));
    if (!RemoveFile(paths.MimePackage())) {
        return kTypeLibraryFailed;
    }
    RunCacheTool(QStringLiteral("update-mime-database"), paths.dataHome + QStringLiteral("/mime"));
    return kOk;
}

QString Describe(std::uint32_t result) {
    switch (result) {
    case kOk:
        return QStringLiteral("done");
    case kTypeLibraryFailed:
        return QStringLiteral("the host-page MIME type could not be registered (0x80040200)");
    case kClassFailed:
        return QStringLiteral("the desktop entry could not be registered (0x80040201)");
    default:
        return QStringLiteral("failed (0x%1)").arg(result, 8, 16, QLatin1Char('0'));
    }
}

} // namespace Registration

namespace {

QString RunningExecutable() {
    if (QCoreApplication::instance() != nullptr) {
        return QCoreApplication::applicationFilePath();
    }
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

} // namespace

std::uint32_t DllRegisterServer() {
    return Registration::Register(Registration::Paths::FromEnvironment(RunningExecutable()));
}

std::uint32_t DllUnregisterServer() {
    return Registration::Unregister(Registration::Paths::FromEnvironment(RunningExecutable()));
}
