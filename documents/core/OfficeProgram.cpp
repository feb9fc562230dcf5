#include "documents/core/OfficeProgram.h"

#include "documents/core/SafeSave.h"
#include "documents/core/WordHoldsFile.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/PrivateModes.h"
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

// One setting of a profile's user/registrymodifications.xcu, where LibreOffice keeps a
// profile's settings (it writes them back in the same form, one item a line).
struct ProfileItem {
    const char* path;
    const char* name;
    QByteArray value;

    QByteArray Head() const {
        return QByteArray("<item oor:path=\"") + path + "\"><prop oor:name=\"" + name + '"';
    }
    QByteArray Xml() const { return Head() + " oor:op=\"fuse\"><value>" + value + "</value></prop></item>"; }
};
constexpr qint64 kMaxRegistryBytes = 16 * 1024 * 1024;
constexpr int kMaxItemsRemoved = 4096;

// Removes every item that starts with head.
void RemoveItems(QByteArray& xcu, const QByteArray& head) {
    qsizetype from = 0;
    for (int n = 0; n < kMaxItemsRemoved; ++n) {
        const qsizetype at = xcu.indexOf(head, from);
        const qsizetype end = at < 0 ? -1 : xcu.indexOf("</item>", at);
        if (end < 0) {
            break;
        }
        xcu.remove(at, end + 7 - at);
        from = at;
    }
}

// Puts the items into the profile's settings, replacing what the profile said for them, and
// takes out every item under the paths in forget.
void SetProfileItems(const QString& profile, const QList<ProfileItem>& items,
                     const QList<QByteArray>& forget = {}) {
    const QString path = profile + QStringLiteral("/user/registrymodifications.xcu");
    QFile file(path);
    QByteArray xcu;
    if (file.open(QIODevice::ReadOnly) && file.size() <= kMaxRegistryBytes) {
        xcu = file.readAll();
    }
    file.close();
    if (xcu.lastIndexOf("</oor:items>") < 0) {
        xcu =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items "
            "xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n</oor:items>\n";
    }
    const QByteArray before = xcu;
    for (const QByteArray& prefix : forget) {
        RemoveItems(xcu, "<item oor:path=\"" + prefix);
    }
    QByteArray missing;
    for (const ProfileItem& item : items) {
        if (xcu.contains(item.Xml())) {
            continue;
        }
        // An earlier value of the same setting goes first.
        RemoveItems(xcu, item.Head());
        missing += item.Xml() + '\n';
    }
    if (xcu == before && missing.isEmpty()) {
        return;
    }
    xcu.insert(xcu.lastIndexOf("</oor:items>"), missing);
    CUtility::CreateFolderPath(profile + QStringLiteral("/user/"));
    if (!SaveFileAtomically(path, xcu)) {
        WriteLog(QStringLiteral("OfficeProgram: the settings of ") + path +
                 QStringLiteral(" could not be written"));
    }
}

// A report from the server may link pictures on this computer or the network. Converted or
// printed in the desk's own profile, LibreOffice must neither fetch nor embed them: with
// untrusted referer links blocked (measured with LibreOffice 7.4: no picture in the RTF, no
// request made) and Writer's link updates set to never.
void BlockLinkedContent(const QString& profile) {
    SetProfileItems(
        profile, {{"/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "true"},
                  {"/org.openoffice.Office.Writer/Content/Update", "Link", "0"}});
}

// Copies the user's own dictionaries and autocorrect lists into the editing profile once, so
// that the physician's words are known there too; the user's profile is only read.
void SeedFromUserProfile(const QString& profile) {
    const QString marker = profile + QStringLiteral("/user/velmo-seeded");
    if (QFileInfo::exists(marker)) {
        return;
    }
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        QStringLiteral("/libreoffice/4/user/");
    for (const QString& folder : {QStringLiteral("wordbook"), QStringLiteral("autocorr")}) {
        const QDir from(own + folder);
        const QStringList files = from.entryList(QDir::Files);
        if (files.isEmpty()) {
            continue;
        }
        const QString to = profile + QStringLiteral("/user/") + folder + QLatin1Char('/');
        CUtility::CreateFolderPath(to);
        for (const QString& name : files.mid(0, 256)) {
            if (QFile::copy(from.filePath(name), to + name)) {
                PrivateModes::Restrict(to + name); // a copy keeps the source's mode
            }
        }
    }
    CUtility::CreateFolderPath(profile + QStringLiteral("/user/"));
    QFile seeded(marker);
    PrivateModes::OpenForWriting(seeded);
}

// LibreOffice's Recent Documents (names, titles and thumbnails) in a profile's settings.
constexpr char kRecentDocuments[] =
    "/org.openoffice.Office.Histories/Histories/org.openoffice.Office.Histories:HistoryInfo['PickList']";

} // namespace

QStringList HeadlessArguments() {
    const QString profile = CUtility::ProfileFolder() + QStringLiteral("LibreOffice");
    BlockLinkedContent(profile);
    return {QStringLiteral("--headless"), QStringLiteral("--norestore"),
            QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString()};
}

QString EditingProfile() {
    return CUtility::ProfileFolder() + QStringLiteral("LibreOfficeEdit");
}

QStringList EditingArguments() {
    const QString profile = EditingProfile();
    SeedFromUserProfile(profile);
    QByteArray work = QUrl::fromLocalFile(CUtility::TempFolder()).toEncoded();
    work = work.replace('&', "&amp;").replace('<', "&lt;");
    SetProfileItems(profile,
                    {// Saving a report must not offer ODF: the report would leave the desk's folder.
                     {"/org.openoffice.Office.Common/Save/Document", "WarnAlienFormat", "false"},
                     {"/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "false"},
                     // Save As starts in the desk's folder, beside the report.
                     {"/org.openoffice.Office.Paths/Variables", "Work", work},
                     // No Recent Documents: LibreOffice would keep each report's name and a picture
                     // of its first page here after the desk has removed the report.
                     {"/org.openoffice.Office.Common/History", "PickListSize", "0"}},
                    // What an earlier run listed goes too; a list size of 0 leaves it there.
                    {kRecentDocuments});
    return {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString()};
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
    return ConvertToRtfOver(path, path);
}

bool ConvertToRtfOver(const QString& source, const QString& path, const QString& sourceSuffix) {
    if (!AvailableOrSay()) {
        return false;
    }
    if (WordHoldsFile(path) || WordHoldsFile(source)) {
        WriteLog(QStringLiteral("ConvertToRtf: ") + path + QStringLiteral(" is held by the word processor"));
        return false;
    }
    CUtility::CreateFolderPath(CUtility::ProfileFolder());
    QTemporaryDir scratch(CUtility::ProfileFolder() + QStringLiteral("convert-XXXXXX"));
    if (!scratch.isValid()) {
        return false;
    }
    // LibreOffice names its output after the input; a copy with a plain name avoids surprises
    // with blanks and dots in report names.
    const QString input = scratch.filePath(
        QStringLiteral("report.") + (sourceSuffix.isEmpty() ? QFileInfo(source).suffix() : sourceSuffix));
    if (!QFile::copy(source, input)) {
        return false;
    }
    const QString outDir = scratch.filePath(QStringLiteral("out"));
    CUtility::CreateFolderPath(outDir);
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
