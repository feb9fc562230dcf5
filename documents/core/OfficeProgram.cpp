#include "documents/core/OfficeProgram.h"

#include "documents/core/SafeSave.h"
#include "documents/core/WordHoldsFile.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Prompts.h"
#include "host/core/Shell.h"

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

namespace {

// A report from the server may link pictures on this computer or the network. Converted or
// printed in the desk's own profile, LibreOffice must neither fetch nor embed them: with
// untrusted referer links blocked (measured with LibreOffice 7.4: no picture in the RTF, no
// request made) and Writer's link updates set to never.
const QByteArray kProfileItems[] = {
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop "
    "oor:name=\"BlockUntrustedRefererLinks\" oor:op=\"fuse\"><value>true</value></prop></item>",
    "<item oor:path=\"/org.openoffice.Office.Writer/Content/Update\"><prop oor:name=\"Link\" "
    "oor:op=\"fuse\"><value>0</value></prop></item>",
};
constexpr qint64 kMaxRegistryBytes = 16 * 1024 * 1024;

// Puts the items into the profile's registrymodifications.xcu, where LibreOffice keeps a
// profile's settings (it writes them back in the same form).
void BlockLinkedContent(const QString& profile) {
    const QString path = profile + QStringLiteral("/user/registrymodifications.xcu");
    QFile file(path);
    QByteArray xcu;
    if (file.open(QIODevice::ReadOnly) && file.size() <= kMaxRegistryBytes) {
        xcu = file.readAll();
    }
    file.close();
    const qsizetype end = xcu.lastIndexOf("</oor:items>");
    if (end < 0) {
        xcu =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items "
            "xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n</oor:items>\n";
    }
    QByteArray missing;
    for (const QByteArray& item : kProfileItems) {
        if (!xcu.contains(item)) {
            missing += item + '\n';
        }
    }
    if (missing.isEmpty()) {
        return;
    }
    xcu.insert(xcu.lastIndexOf("</oor:items>"), missing);
    CUtility().CreateFolderPath(profile + QStringLiteral("/user/"));
    if (!SaveFileAtomically(path, xcu)) {
        WriteLog(QStringLiteral("OfficeProgram: the settings of ") + path +
                 QStringLiteral(" could not be written"));
    }
}

} // namespace

QStringList HeadlessArguments() {
    const QString profile = CUtility().ProfileFolder() + QStringLiteral("LibreOffice");
    BlockLinkedContent(profile);
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
    CUtility().CreateFolderPath(outDir);
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
