#pragma once
// Small helpers of the document engine's tests, inline so that the fuzz target shares them.

#include "documents/core/RtfDocument.h"
#include "tests/support/Files.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/TodaysLog.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

namespace DocTest {

#ifdef VELMO_DOCUMENT_FIXTURES
// A committed fixture (made by LibreOffice from a hand-written source).
inline QByteArray Fixture(const QString& name) {
    return ReadFile(QStringLiteral(VELMO_DOCUMENT_FIXTURES "/") + name);
}
#endif
inline QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    return WriteFile(dir.filePath(name), bytes);
}
// The main text of the RTF file at path, as the engine reads it.
inline QString MainText(const QString& path) {
    return RtfDocument(ReadFile(path)).MainText();
}
// True when every group of the RTF opens and closes in order (escapes respected).
inline bool Balanced(const QByteArray& rtf) {
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf.at(i);
        if (c == '\\') {
            ++i;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

// Converts every file to format into outDir in one run of the real LibreOffice (its start is most
// of the cost), headless, in the private profile folder given.
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
    return QString::fromUtf8(ReadFile(path))
        .remove(QChar(0xFEFF))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .trimmed();
}

} // namespace DocTest
