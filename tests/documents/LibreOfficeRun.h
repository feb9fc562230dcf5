#pragma once
// Batched conversions through the real LibreOffice (headless, a private profile), for the tests
// that read back what the engine wrote.

#include "tests/documents/DocumentsTestSupport.h"

#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace DocTest {

// Converts every file to format into outDir in one LibreOffice run (its start is most of the
// cost) of the private profile folder given.
inline bool Convert(const QString& profile, const QStringList& files, const QString& format,
                    const QString& outDir) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("soffice"),
            QStringList{QStringLiteral("--headless"), QStringLiteral("--norestore"),
                        QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
                        QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), outDir} +
                files);
    return p.waitForFinished(240000) && p.exitCode() == 0;
}

// LibreOffice's text export of a file, without its byte-order mark and the line ends it adds.
inline QString ExportedText(const QString& path) {
    return QString::fromUtf8(Read(path))
        .remove(QChar(0xFEFF))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .trimmed();
}

} // namespace DocTest
