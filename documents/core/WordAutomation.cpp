#include "documents/core/WordAutomation.h"

#include "documents/core/OfficeProgram.h"
#include "documents/core/RtfDocument.h"
#include "documents/core/WordHoldsFile.h"
#include "host/core/ActivityLog.h"
#include "host/core/Delays.h"
#include "host/core/Prompts.h"
#include "host/core/Shell.h"

#include <QFile>
#include <QFileInfo>

namespace {

WordAutomation::Outcome Convert(const QString& path) {
    return OfficeProgram::EnsureRtf(path) ? WordAutomation::Outcome::Done : WordAutomation::Outcome::NotRtf;
}

bool BookmarkMatches(const QString& bookmarkName, const QString& field) {
    static const QString kAlias = QStringLiteral("_alias");
    const QString name = bookmarkName.trimmed();
    if (name.compare(field, Qt::CaseInsensitive) == 0) {
        return true;
    }
    return name.endsWith(kAlias, Qt::CaseInsensitive) &&
           name.left(name.size() - kAlias.size()).compare(field, Qt::CaseInsensitive) == 0;
}

// Protects the file for form fields when it is not protected (the signature section stays out
// of reach), leaves it as RTF and shows it read-only in the editing profile, which keeps no Recent
// Documents (a patient's report must not linger in the user's own profile). A version is also
// made read-only on disk.
WordAutomation::Outcome ShowProtected(const QString& path, bool version) {
    using Outcome = WordAutomation::Outcome;
    if (!OfficeProgram::AvailableOrSay()) {
        return Outcome::OfficeMissing;
    }
    if (Convert(path) != Outcome::Done) {
        return Outcome::NotRtf;
    }
    RtfDocument doc;
    if (!doc.Load(path)) {
        return Outcome::Failed;
    }
    if (doc.ProtectionType() == RtfDocument::NoProtection) {
        doc.ProtectForForms();
        if (WordHoldsFile(path)) {
            return Outcome::FileHeld;
        }
        if (!doc.Save(path)) {
            return Outcome::Failed;
        }
    }
    if (version && !QFile::setPermissions(path, QFileDevice::ReadOwner)) {
        WriteLog(QStringLiteral("ViewVersion: ") + path + QStringLiteral(" could not be made read-only"));
        return Outcome::Failed;
    }
    return Shell::Get().StartDetached(QStringLiteral("soffice"),
                                      OfficeProgram::EditingArguments() +
                                          QStringList{QStringLiteral("--view"), path})
               ? Outcome::Done
               : Outcome::Failed;
}

} // namespace

WordAutomation::Outcome WordAutomation::Edit(const QString& path) {
    if (!OfficeProgram::AvailableOrSay()) {
        return Outcome::OfficeMissing;
    }
    return Shell::Get().StartDetached(QStringLiteral("soffice"), OfficeProgram::EditingArguments() << path)
               ? Outcome::Done
               : Outcome::Failed;
}

WordAutomation::Outcome WordAutomation::ViewOnly(const QString& path) {
    return ShowProtected(path, false);
}

WordAutomation::Outcome WordAutomation::ViewVersion(const QString& path) {
    return ShowProtected(path, true);
}

WordAutomation::Outcome WordAutomation::Print(const QString& path) {
    if (!OfficeProgram::AvailableOrSay()) {
        return Outcome::OfficeMissing;
    }
    if (OfficeProgram::DefaultPrinter().isEmpty()) {
        WriteLog(QStringLiteral("Print: no default printer for ") + path);
        Prompts::Information(OfficeProgram::NoPrinterText());
        return Outcome::NoPrinter;
    }
    QStringList args = OfficeProgram::HeadlessArguments();
    args << QStringLiteral("-p") << path;
    auto handle = Shell::Get().Start(QStringLiteral("soffice"), args);
    if (!handle || !handle->Wait(OfficeProgram::kPrintTimeoutMs)) {
        WriteLog(QStringLiteral("Print: LibreOffice did not finish printing ") + path);
        return Outcome::Failed;
    }
    const int exitCode = handle->Process() ? handle->Process()->exitCode() : 0;
    Delays::Wait(Delays::Get().afterPrint);
    return exitCode == 0 ? Outcome::Done : Outcome::Failed;
}

WordAutomation::Outcome WordAutomation::SetBookmarkValues(const QString& path,
                                                          const QList<QPair<QString, QString>>& fields) {
    if (Convert(path) != Outcome::Done) {
        return Outcome::NotRtf;
    }
    RtfDocument doc;
    if (!doc.Load(path)) {
        return Outcome::Failed;
    }
    const int count = static_cast<int>(doc.Bookmarks().size());
    for (int index = 0; index < count; ++index) {
        for (const auto& [field, value] : fields) {
            const RtfDocument::Bookmark mark = doc.Bookmarks().at(index);
            if (BookmarkMatches(mark.name, field) && mark.text != value) {
                doc.SetBookmarkText(index, value);
            }
        }
    }
    if (WordHoldsFile(path)) {
        return Outcome::FileHeld;
    }
    const bool saved = doc.Save(path);
    Delays::Wait(Delays::Get().afterSignSave);
    return saved ? Outcome::Done : Outcome::Failed;
}
