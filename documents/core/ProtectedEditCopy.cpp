#include "documents/core/ProtectedEditCopy.h"

#include "documents/core/OfficeProgram.h"
#include "documents/core/SafeSave.h"
#include "documents/core/WordHoldsFile.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Shell.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace ProtectedEditCopy {

namespace {

// Converts source to format in a scratch folder under the profile; returns the output's bytes.
QByteArray Convert(const QString& source, const QString& inputName, const QString& format, bool* ok) {
    *ok = false;
    if (!OfficeProgram::AvailableOrSay()) {
        return {};
    }
    CUtility::CreateFolderPath(CUtility::ProfileFolder());
    QTemporaryDir scratch(CUtility::ProfileFolder() + QStringLiteral("convert-XXXXXX"));
    const QString input = scratch.filePath(inputName);
    if (!scratch.isValid() || !QFile::copy(source, input)) {
        return {};
    }
    const QString outDir = scratch.filePath(QStringLiteral("out"));
    CUtility::CreateFolderPath(outDir);
    QStringList args = OfficeProgram::HeadlessArguments();
    args << QStringLiteral("--convert-to") << format << QStringLiteral("--outdir") << outDir << input;
    auto handle = Shell::Get().Start(QStringLiteral("soffice"), args);
    if (!handle || !handle->Wait(OfficeProgram::kConvertTimeoutMs)) {
        return {};
    }
    QFile out(outDir + u'/' + QFileInfo(inputName).completeBaseName() + u'.' + format);
    if (!out.open(QIODevice::ReadOnly)) {
        return {};
    }
    *ok = true;
    return out.readAll();
}

} // namespace

QByteArray ProtectLastSection(const QByteArray& fodt, bool* found) {
    if (found) {
        *found = false;
    }
    const qsizetype start = fodt.lastIndexOf("<text:section ");
    const qsizetype end = start < 0 ? -1 : fodt.indexOf('>', start);
    if (end < 0) {
        return fodt;
    }
    QByteArray tag = fodt.mid(start, end - start);
    if (tag.contains("text:protected=\"true\"")) {
        // already protected
    } else if (tag.contains("text:protected=\"false\"")) {
        tag.replace("text:protected=\"false\"", "text:protected=\"true\"");
    } else {
        tag.insert(static_cast<qsizetype>(sizeof("<text:section ") - 1), "text:protected=\"true\" ");
    }
    if (found) {
        *found = true;
    }
    return fodt.left(start) + tag + fodt.mid(end);
}

QString Make(const QString& path, bool* protectedSection) {
    bool ok = false;
    const QByteArray fodt = Convert(path, QStringLiteral("report.rtf"), QStringLiteral("fodt"), &ok);
    if (!ok || fodt.isEmpty()) {
        WriteLog(QStringLiteral("ProtectedEditCopy: ") + path + QStringLiteral(" could not be converted"));
        return {};
    }
    const QFileInfo info(path);
    QString copy = info.absolutePath() + u'/' + info.completeBaseName() + QStringLiteral(".fodt");
    if (!SaveFileAtomically(copy, ProtectLastSection(fodt, protectedSection))) {
        return {};
    }
    return copy;
}

bool Return(const QString& copyPath, const QString& path) {
    if (WordHoldsFile(path) || WordHoldsFile(copyPath)) {
        return false;
    }
    bool ok = false;
    const QByteArray rtf = Convert(copyPath, QStringLiteral("report.fodt"), QStringLiteral("rtf"), &ok);
    if (!ok || !rtf.startsWith('{') || !SaveFileAtomically(path, rtf)) {
        WriteLog(QStringLiteral("ProtectedEditCopy: ") + copyPath +
                 QStringLiteral(" could not be brought back"));
        return false;
    }
    QFile::remove(copyPath);
    return true;
}

} // namespace ProtectedEditCopy
