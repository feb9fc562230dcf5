#include "documents/open/OpenDocument.h"

#include "documents/common/FlowSupport.h"
#include "documents/common/OpenDocumentGuard.h"
#include "documents/core/DocumentPaths.h"
#include "documents/core/OfficeProgram.h"
#include "documents/core/ProtectedEditCopy.h"
#include "documents/core/WaterMark.h"
#include "documents/core/WordAutomation.h"
#include "documents/monitor/DocumentMonitor.h"
#include "documents/pending/PendingUploads.h"
#include "host/core/ActivityLog.h"
#include "host/core/Delays.h"
#include "host/core/FileChecksum.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/AccessDenied.h"
#include "reportlist/core/AccessRights.h"
#include "reportlist/core/ReportQuery.h"
#include "transport/LocalCopies.h"
#include "transport/StatusUpdate.h"

#include <QFile>
#include <QFileInfo>

void OpenDocument::Run() {
    WindowState& state = desk_.State();
    if (RefuseWhileDocumentOpen(desk_)) {
        return;
    }
    state.ViewOnly = false;
    state.EsignedOpened = false;
    if (ReportQuery::IsPendingCode(state.ReportTypeCode)) {
        Prompts::Information(QStringLiteral("Click on Play to play voice files."));
        return;
    }
    const QList<int> rows = desk_.SelectedRows();
    if (rows.isEmpty()) {
        Prompts::Information(QStringLiteral("Select a document to view."));
        return;
    }
    QString name;
    int chosenRow = -1;
    bool viewOnly = false;
    for (const int row : rows) {
        if (!name.isEmpty()) {
            Prompts::Information(QStringLiteral("Select only one file to open."));
            return;
        }
        const QString rowName = desk_.Filename(row);
        const bool esigned = ContainsText(state.EsignedDocuments, rowName);
        const QString flags = desk_.AccessFlags(row);
        if (AccessRights::MayEdit(flags)) {
            viewOnly = esigned && !SameText(Session().LoggedUserId(), desk_.EsignOwner(row));
        } else if (AccessRights::MayView(flags)) {
            viewOnly = true;
        } else {
            Prompts::Information(AccessDeniedMessage(QStringLiteral("\"Open\"")));
            return;
        }
        if (!rowName.isEmpty()) {
            WriteLog(QStringLiteral("OnPopOpen: File selected to view, ") + rowName);
            name = rowName;
            chosenRow = row;
        }
    }
    if (name.isEmpty()) {
        return;
    }

    const QString path = LocalDocumentPath(name);
    PendingUploads::TakeOwedCopy(name);
    // Only a copy this desk fetched (or owes) is opened as it stands; anything else is fetched.
    if (!LocalCopies::Reusable(path)) {
        DownloadBehindBusyPicture(desk_, {name}, QStringLiteral("OnPopOpen: Start file download"),
                                  QStringLiteral("OnPopOpen: End file download"));
    }

    state.PendingStatusWord = QStringLiteral("open");
    Delays::Wait(Delays::Get().beforeOpenStatus);

    QString failures;
    const bool retained = LocalCopies::Reusable(path);
    if (retained) {
        WriteLog(QStringLiteral("OnPopOpen: File, ") + name + QStringLiteral(", downloaded"));
    } else {
        WriteLog(QStringLiteral("OnPopOpen: File, ") + name + QStringLiteral(", could not be downloaded"));
        failures = name + QStringLiteral(", ");
    }
    Delays::Wait(Delays::Get().actionStep);
    WriteLog(QStringLiteral("OnPopOpen: ") + failures + QStringLiteral(" not downloaded"));
    if (!failures.isEmpty()) {
        Prompts::Error(QStringLiteral("File/s ") + failures + QStringLiteral(" could not be downloaded."));
    }
    if (!retained) {
        return;
    }

    desk_.SetStatusForSelected(DeskContext::StatusColumn::Opened, {name}, QStringLiteral("O"));
    StartStatusUpdateWorker([names = QStringList{name}] { return names; }, QStringLiteral("open")).detach();
    Delays::Wait(Delays::Get().actionStep);

    const bool esigned = ContainsText(state.EsignedDocuments, name);
    if (viewOnly) {
        if (WordAutomation().ViewOnly(path) != WordAutomation::Outcome::Done) {
            WriteLog(QStringLiteral("OnPopOpen: File, ") + path + QStringLiteral(" could not be shown"));
        }
        state.ViewOnly = true;
        return;
    }
    OpenForEditing(name, esigned, desk_.EsignOwner(chosenRow));
}

void OpenDocument::OpenForEditing(const QString& name, bool esigned, const QString& esignOwner) {
    WindowState& state = desk_.State();
    const QString path = LocalDocumentPath(name);
    // Nothing is changed for a desk that cannot show the report: the user is told once.
    if (!OfficeProgram::AvailableOrSay()) {
        return;
    }
    // What the server last gave us, before the watermark step touches the file.
    const std::uint32_t base = FileChecksum(path);
    LockUnLockWaterMark(esigned ? WaterMark::Lock : WaterMark::Unlock, path);
    if (esigned) {
        Prompts::Information(QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum "
                                            "statement will be added if it is edited and saved."));
        state.EsignedOpened = true;
    }
    QFile file(path);
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    state.DocumentChecksum = FileChecksum(path);
    // LibreOffice ignores the RTF lock of the signature section: an e-signed report is edited as
    // a flat-ODT copy whose signature section LibreOffice keeps read-only.
    const QString copy = esigned ? ProtectedEditCopy::Make(path) : QString();
    if (esigned && copy.isEmpty()) {
        WriteLog(QStringLiteral("OnPopOpen: File, ") + path +
                 QStringLiteral(" has no protected copy; the report itself is opened"));
    }
    const QString handed = copy.isEmpty() ? path : copy;
    const std::uint32_t handedChecksum = FileChecksum(handed);
    // Watched from before LibreOffice starts, so that an open and close quicker than the desk is seen.
    auto watch = DocumentMonitor::WatchBeforeStart(handed);
    if (WordAutomation().Edit(handed) != WordAutomation::Outcome::Done) {
        // Nothing is open for the user, so there is nothing to watch; the report is left as the
        // server gave it, so no later action sends a locked copy.
        WriteLog(QStringLiteral("OnPopOpen: File, ") + path +
                 QStringLiteral(" could not be opened for editing"));
        LockUnLockWaterMark(WaterMark::Unlock, path);
        LocalCopies::Forget(path);
        if (!copy.isEmpty()) {
            QFile::remove(copy);
        }
        return;
    }
    state.OpenDocumentName = name;
    PendingUploads::RecordWatching(name, base, handedChecksum, esignOwner, esigned, handed, !copy.isEmpty());
    DocumentMonitor::Start(desk_, {name, esignOwner, esigned, copy}, handedChecksum, std::move(watch));
}
