#include "documents/core/OfficeProgram.h"

#include "documents/core/SafeSave.h"
#include "documents/core/WordHoldsFile.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Prompts.h"
#include "host/core/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace OfficeProgram {

QString MissingText() {
    return QStringLiteral("LibreOffice Writer is needed to show and print reports, and its program soffice "
                          "was not found. Please install LibreOffice Writer and try again.");
}

QString NoPrinterText() {
    return QStringLiteral("No printer is set up. Please set up a default printer and try again.");
}

bool AvailableOrSay() {
    if (!QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
        return true;
    }
    WriteLog(QStringLiteral("OfficeProgram: soffice not found on PATH"));
    Prompts::Information(MissingText());
    return false;
}

QStringList HeadlessArguments() {
    const QString profile = CUtility().ProfileFolder() + QStringLiteral("LibreOffice");
    return {QStringLiteral("--headless"), QStringLiteral("--norestore"),
            QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString()};
}

bool IsRtfFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    char first = 0;
    return f.getChar(&first) && first == '{';
}

bool ConvertToRtfInPlace(const QString& path) {
    if (!AvailableOrSay()) {
        return false;
    }
    if (WordHoldsFile(path)) {
        WriteLog(QStringLiteral("ConvertToRtf: ") + path + QStringLiteral(" is held by the word processor"));
        return false;
    }
    CUtility().CreateFolderPath(CUtility().ProfileFolder());
    QTemporaryDir scratch(CUtility().ProfileFolder() + QStringLiteral("convert-XXXXXX"));
    if (!scratch.isValid()) {
        return false;
    }
    // LibreOffice names its output after the input; a copy with a plain name avoids surprises
    // with blanks and dots in report names.
    const QString input = scratch.filePath(QStringLiteral("report.") + QFileInfo(path).suffix());
    if (!QFile::copy(path, input)) {
        return false;
    }
    const QString outDir = scratch.filePath(QStringLiteral("out"));
    QDir().mkpath(outDir);
    QStringList args = HeadlessArguments();
    args << QStringLiteral("--convert-to") << QStringLiteral("rtf") << QStringLiteral("--outdir") << outDir
         << input;
    auto handle = Shell::Get().Start(QStringLiteral("soffice"), args);
    const bool ended = handle && handle->Wait(kConvertTimeoutMs);
    const QString output = outDir + QStringLiteral("/report.rtf");
    if (!ended || !IsRtfFile(output) || !CopyFileAtomically(output, path)) {
        WriteLog(QStringLiteral("ConvertToRtf: ") + path + QStringLiteral(" could not be converted to RTF"));
        return false;
    }
    WriteLog(QStringLiteral("ConvertToRtf: ") + path + QStringLiteral(" converted to RTF"));
    return true;
}

bool EnsureRtf(const QString& path) {
    if (IsRtfFile(path)) {
        return true;
    }
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    return ConvertToRtfInPlace(path) && IsRtfFile(path);
}

QString DefaultPrinter() {
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-d")});
    if (!lpstat.waitForFinished(10000)) {
        lpstat.kill();
        lpstat.waitForFinished(1000);
        return {};
    }
    // "system default destination: NAME", or "no system default destination".
    const QString out = QString::fromLocal8Bit(lpstat.readAllStandardOutput()).trimmed();
    const qsizetype colon = out.indexOf(QLatin1Char(':'));
    if (!out.startsWith(QStringLiteral("system default destination")) || colon < 0) {
        return {};
    }
    return out.mid(colon + 1).trimmed();
}

} // namespace OfficeProgram
