#include "host/core/ServerGate.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/PrivateModes.h"
#include "host/core/Prompts.h"

#include <QFile>
#include <QSaveFile>
#include <QUrl>

namespace ServerGate {

namespace {

const QString kLog = QStringLiteral("ServerGate: ");
constexpr qint64 kMaxLineBytes = 512;

QStringList KnownServers() {
    QStringList hosts;
    QFile file(KnownServersPath());
    if (!file.open(QIODevice::ReadOnly)) {
        return hosts;
    }
    while (hosts.size() < kMaxKnownServers && !file.atEnd()) {
        const QString host = QString::fromUtf8(file.readLine(kMaxLineBytes)).trimmed().toLower();
        if (!host.isEmpty()) {
            hosts.append(host);
        }
    }
    return hosts;
}

bool IsWebAddress(const QString& location) {
    return location.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
           location.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
}

void Refuse(const QString& text) {
    WriteLog(kLog + text);
    Prompts::Error(text);
}

} // namespace

QString HostOf(const QString& url) {
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) {
        return {};
    }
    return parsed.host().toLower();
}

QString WindowTitle(const QString& serverUrl) {
    const QString host = HostOf(serverUrl);
    return host.isEmpty() ? QStringLiteral("Molve") : QStringLiteral("Molve - ") + host;
}

QString KnownServersPath() {
    return CUtility::ProfileFolder() + QStringLiteral("KnownServers");
}

bool IsKnown(const QString& host) {
    return !host.isEmpty() && KnownServers().contains(host.toLower());
}

bool Remember(const QString& host) {
    QStringList hosts = KnownServers();
    if (hosts.contains(host.toLower())) {
        return true;
    }
    hosts.append(host.toLower());
    CUtility::CreateFolderPath(CUtility::ProfileFolder());
    QSaveFile file(KnownServersPath());
    const QByteArray text = hosts.join(QLatin1Char('\n')).toUtf8() + '\n';
    if (!PrivateModes::OpenForWriting(file) || file.write(text) != text.size() || !file.commit()) {
        WriteLog(kLog + QStringLiteral("could not remember ") + host + QStringLiteral(", ") +
                 file.errorString());
        return false;
    }
    WriteLog(kLog + QStringLiteral("server remembered, ") + host);
    return true;
}

QString FirstContactQuestion(const QString& host) {
    return QStringLiteral("This link connects the desk to ") + host +
           QStringLiteral(", which it has not used before. Continue?");
}

bool Admit(const QString& serverUrl, const QStringList& allowed) {
    if (serverUrl.trimmed().isEmpty()) {
        return true;
    }
    const QString host = HostOf(serverUrl);
    if (host.isEmpty()) {
        Refuse(QStringLiteral("The session's server address is not a web address the desk can use: ") +
               serverUrl);
        return false;
    }
    if (!allowed.isEmpty()) {
        if (allowed.contains(host)) {
            return true;
        }
        Refuse(QStringLiteral("The desk may not connect to ") + host +
               QStringLiteral(": it is not one of the report servers allowed on this computer."));
        return false;
    }
    if (IsKnown(host)) {
        return true;
    }
    const int answer = Prompts::Get().Show({FirstContactQuestion(host), QStringLiteral("Molve"),
                                            Prompts::Icon::Question, Prompts::Yes | Prompts::No});
    if (answer != Prompts::Yes) {
        WriteLog(kLog + QStringLiteral("the user did not connect to ") + host);
        return false;
    }
    Remember(host);
    return true;
}

bool AdmitPage(const QString& pageLocation, const QStringList& allowed) {
    if (allowed.isEmpty() || !IsWebAddress(pageLocation)) {
        return true;
    }
    const QString host = HostOf(pageLocation);
    if (!host.isEmpty() && allowed.contains(host)) {
        return true;
    }
    Refuse(QStringLiteral("The desk may not open a page from ") + (host.isEmpty() ? pageLocation : host) +
           QStringLiteral(": it is not one of the report servers allowed on this computer."));
    return false;
}

} // namespace ServerGate
