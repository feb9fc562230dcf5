#include "documents/monitor/DocumentMonitor.h"

#include "documents/common/FlowSupport.h"
#include "documents/core/DocumentPaths.h"
#include "documents/core/SafeSave.h"
#include "documents/core/WaterMark.h"
#include "documents/core/WordHoldsFile.h"
#include "documents/esign/EsignDocuments.h"
#include "documents/pending/PendingUploads.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/FileChecksum.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "transport/CFileDownloads.h"
#include "transport/LocalCopies.h"
#include "transport/StatusUpdate.h"

#include <QWidget>

DocumentMonitor::DocumentMonitor(DeskContext& desk, const Opened& opened, const QString& path, bool taken)
    : QObject(desk.DialogParent()), desk_(desk), opened_(opened), path_(path),
      openedChecksum_(desk.State().DocumentChecksum), taken_(taken) {
    setObjectName(QStringLiteral("DocumentMonitor"));
    poll_.setInterval(Delays::Get().monitorPoll);
    connect(&poll_, &QTimer::timeout, this, &DocumentMonitor::Poll);
    sinceStart_.start();
}

DocumentMonitor* DocumentMonitor::Start(DeskContext& desk, const Opened& opened) {
    auto* monitor = new DocumentMonitor(desk, opened, LocalDocumentPath(opened.name), false);
    if (!CUtility().FileExists(monitor->path_)) {
        // Nothing can come back from it: the slot is freed rather than blocking every later open.
        Prompts::Information(monitor->path_ + QStringLiteral(" could not be ReSynched"));
        desk.State().OpenDocumentName.clear();
        PendingUploads::Released(opened.name);
        monitor->finished_ = true;
        monitor->deleteLater();
        return nullptr;
    }
    monitor->poll_.start();
    return monitor;
}

DocumentMonitor* DocumentMonitor::Resume(DeskContext& desk, const PendingRecord& record) {
    WindowState& state = desk.State();
    state.OpenDocumentName = record.report;
    state.DocumentChecksum = record.openedChecksum;
    state.EsignedOpened = record.esignedOpened;
    state.ViewOnly = false;
    auto* monitor = new DocumentMonitor(desk, {record.report, record.esignOwner, record.esignedOpened},
                                        record.LivePath(), true);
    monitor->poll_.start();
    return monitor;
}

DocumentMonitor* DocumentMonitor::Find(QObject* window) {
    for (DocumentMonitor* m : window->findChildren<DocumentMonitor*>(Qt::FindDirectChildrenOnly)) {
        if (!m->finished_) {
            return m;
        }
    }
    return nullptr;
}

void DocumentMonitor::KeepForNextStart() {
    if (finished_) {
        return;
    }
    poll_.stop();
    finished_ = true;
    PendingUploads::KeepHeldAtClose(opened_.name, path_);
}

void DocumentMonitor::Poll() {
    const bool held = WordHoldsFile(path_);
    if (!taken_) {
        // The word processor starts in the background: wait until it holds the file, within reason,
        // unless it has already been and gone (the file changed).
        if (held) {
            taken_ = true;
            return;
        }
        if (FileChecksum(path_) != openedChecksum_) {
            taken_ = true;
        } else if (sinceStart_.elapsed() < kTakeTimeoutMs) {
            return;
        } else {
            WriteLog(QStringLiteral("DocumentMonitoring: the word processor never took ") + path_);
        }
    } else if (held) {
        return;
    }
    poll_.stop();
    if (!TakeIntoOwnFolder()) {
        Finish(); // the record stays: the next start settles it from the earlier folder
        return;
    }
    Evaluate();
}

bool DocumentMonitor::TakeIntoOwnFolder() {
    const QString own = LocalDocumentPath(opened_.name);
    if (path_ == own) {
        return true;
    }
    // Watched again from an earlier desk's folder: the uploads send this desk's copy.
    if (!CopyFileAtomically(path_, own)) {
        WriteLog(QStringLiteral("DocumentMonitoring: could not take ") + path_ + QStringLiteral(" over"));
        return false;
    }
    LocalCopies::Remember(own);
    path_ = own;
    return true;
}

void DocumentMonitor::Evaluate() {
    WindowState& state = desk_.State();
    desk_.ShowBusy(DeskContext::Busy::Picture256, true);
    const std::uint32_t checksum = FileChecksum(path_);
    LockUnLockWaterMark(0, path_);

    if (checksum == openedChecksum_ || state.ViewOnly) {
        PendingUploads::Released(opened_.name);
        Finish();
        return;
    }

    // The list may have been re-queried or sorted while the document was open: the opened
    // report's own row decides, or what was known of it when it was opened.
    WriteLog(QStringLiteral("DocumentMonitoring: Selected the Item Pos"));
    const int row = RowOfReport(desk_, opened_.name);
    const QString owner = row >= 0 ? desk_.EsignOwner(row) : opened_.esignOwner;
    WriteLog(QStringLiteral("DocumentMonitoring: pos != NULL "));
    const bool isOwner = SameText(Session().LoggedUserId(), owner);
    if (!isOwner) {
        WriteLog(QStringLiteral("DocumentMonitoring: This is not the esign owner "));
        Resync();
        return;
    }

    if (!opened_.esignedOpened) {
        const int answer = Prompts::Get().Show(
            {QStringLiteral("Do you want to E-Sign this document - ") + opened_.name + QLatin1Char('?'),
             QStringLiteral("Molve"), Prompts::Icon::Question, Prompts::Yes | Prompts::No});
        if (answer == Prompts::Yes) {
            WriteLog(QStringLiteral("DocumentMonitoring: User pressed YES to esign"));
            OweUnlessSent(EsignDocuments(desk_).EsignFiles({opened_.name}));
            QTimer::singleShot(Delays::Get().afterMonitorEsign, this, &DocumentMonitor::Finish);
            return;
        }
        WriteLog(QStringLiteral("DocumentMonitoring: User pressed NO to esign"));
        Resync();
        return;
    }

    WriteLog(QStringLiteral("DocumentMonitoring : Response is "));
    state.DocumentChecksum = checksum;
    WriteLog(QStringLiteral("DocumentMonitoring: Update successful"));
    Prompts::Information(QStringLiteral("Document updated."));
    OweUnlessSent(EsignDocuments(desk_).EsignWatchedFile({opened_.name}));
    QTimer::singleShot(Delays::Get().afterMonitorEsign, this, &DocumentMonitor::Finish);
}

void DocumentMonitor::Resync() {
    desk_.State().PendingStatusWord = QStringLiteral("edit");
    StartStatusUpdateWorker([names = QStringList{opened_.name}] { return names; }, QStringLiteral("edit"))
        .detach();
    WriteLog(QStringLiteral("DocumentMonitoring: Document modified "));
    const QString response = CFileDownloads().UploadFile(opened_.name, QString());
    if (response.contains(QLatin1Char('~'))) {
        PendingUploads::Confirmed(opened_.name);
        Prompts::Information(QStringLiteral("Document updated."));
    } else {
        WriteLog(QStringLiteral("DocumentMonitoring: Document failed to resync. Response is : ") + response);
        PendingUploads::RecordOwed(opened_.name, PendingRecord::Form::Resync, QString(), 0);
    }
    Finish();
}

void DocumentMonitor::OweUnlessSent(const QStringList& confirmed) {
    const auto record = PendingStore::Load(opened_.name);
    if (confirmed.isEmpty() && !(record && record->state == PendingRecord::State::Owed)) {
        PendingUploads::RecordOwed(opened_.name, PendingRecord::Form::Resync, QString(), 0);
    }
}

void DocumentMonitor::Finish() {
    WindowState& state = desk_.State();
    state.OpenDocumentName.clear();
    desk_.ShowBusy(DeskContext::Busy::Picture269, false);
    desk_.ShowBusy(DeskContext::Busy::Picture256, false);
    finished_ = true;
    emit Finished(opened_.name);
    deleteLater();
}
