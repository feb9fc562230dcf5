#include "documents/monitor/DocumentMonitor.h"

#include "documents/common/FlowSupport.h"
#include "documents/core/DocumentPaths.h"
#include "documents/core/OfficeLockLiveness.h"
#include "documents/core/OfficeProgram.h"
#include "documents/core/ProtectedEditCopy.h"
#include "documents/core/SafeSave.h"
#include "documents/core/WaterMark.h"
#include "documents/core/WordHoldsFile.h"
#include "documents/esign/EsignDocuments.h"
#include "documents/pending/PendingUploads.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/FileChecksum.h"
#include "host/core/NameGate.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "transport/CFileDownloads.h"
#include "transport/LocalCopies.h"
#include "transport/StatusUpdate.h"
#include "transport/scripts/ServerAnswer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <algorithm>

namespace {

// What LibreOffice makes of the report when the user saves it as ODF or as Word: NAME.odt or
// NAME.docx beside NAME.doc.
QString Twin(const QString& reportPath, const char* suffix) {
    return reportPath.chopped(4) + QLatin1String(suffix);
}

// The report beside the file handed over: NAME.doc for its protected copy NAME.fodt.
QString ReportBeside(const QString& handed) {
    return handed.endsWith(QStringLiteral(".fodt")) ? handed.chopped(5) + QStringLiteral(".doc") : handed;
}

// What LibreOffice may hold or write while the report is open: the file handed over and the
// report's ODF and Word twins.
QStringList WatchedFiles(const QString& handed, const QString& reportPath) {
    return {handed, Twin(reportPath, ".odt"), Twin(reportPath, ".docx")};
}

constexpr int kMaxFilesLookedAt = 10000;

// Said once per run: every later report would be watched the same way.
void SayPollingAlone(const QString& folder, int everyMs) {
    static bool said = false;
    if (!said) {
        said = true;
        WriteLog(QStringLiteral("DocumentMonitoring: no file notification for ") + folder +
                 QStringLiteral("; LibreOffice is looked for every %1 ms").arg(everyMs));
    }
}

} // namespace

DocumentMonitor::DocumentMonitor(DeskContext& desk, const Opened& opened, const QString& path,
                                 std::uint32_t openedChecksum, bool taken)
    : QObject(desk.DialogParent()), desk_(desk), opened_(opened), path_(path),
      reportPath_(ReportBeside(path)), openedChecksum_(openedChecksum),
      openedAt_(QDateTime::currentDateTime().addSecs(-1)), taken_(taken) {
    setObjectName(QStringLiteral("DocumentMonitor"));
    connect(&poll_, &QTimer::timeout, this, &DocumentMonitor::Poll);
    liveness_.setInterval(kLivenessPeriodMs);
    connect(&liveness_, &QTimer::timeout, this, &DocumentMonitor::CheckLiveness);
    sinceStart_.start();
}

std::unique_ptr<TempFolderWatch> DocumentMonitor::WatchBeforeStart(const QString& handed) {
    if (Delays::MonitorMode() == Delays::Monitoring::PollingAlone) {
        return nullptr;
    }
    return std::make_unique<TempFolderWatch>(WatchedFiles(handed, ReportBeside(handed)));
}

DocumentMonitor* DocumentMonitor::Start(DeskContext& desk, const Opened& opened, std::uint32_t openedChecksum,
                                        std::unique_ptr<TempFolderWatch> watch) {
    const QString path = opened.editCopy.isEmpty() ? LocalDocumentPath(opened.name) : opened.editCopy;
    auto* monitor = new DocumentMonitor(desk, opened, path, openedChecksum, false);
    if (!CUtility::FileExists(monitor->path_)) {
        // Nothing can come back from it: the slot is freed rather than blocking every later open.
        Prompts::Information(LocalDocumentPath(opened.name) + QStringLiteral(" could not be ReSynched"));
        desk.State().OpenDocumentName.clear();
        PendingUploads::Released(opened.name);
        monitor->finished_ = true;
        monitor->deleteLater();
        return nullptr;
    }
    monitor->Begin(std::move(watch));
    return monitor;
}

DocumentMonitor* DocumentMonitor::Resume(DeskContext& desk, const PendingRecord& record) {
    WindowState& state = desk.State();
    state.OpenDocumentName = record.report;
    state.DocumentChecksum = record.openedChecksum;
    state.EsignedOpened = record.esignedOpened;
    const QString live = record.LivePath();
    auto* monitor = new DocumentMonitor(
        desk, {record.report, record.esignOwner, record.esignedOpened, record.editCopy ? live : QString()},
        live, record.openedChecksum, true);
    monitor->Begin(nullptr);
    return monitor;
}

void DocumentMonitor::Begin(std::unique_ptr<TempFolderWatch> watch) {
    const Delays& delays = Delays::Get();
    if (Delays::MonitorMode() == Delays::Monitoring::Notified) {
        if (!watch) {
            watch = std::make_unique<TempFolderWatch>(WatchedFiles(path_, reportPath_));
        }
        if (watch->Notifying()) {
            TempFolderWatch* raw = watch.release();
            raw->setParent(this);
            watch_ = raw;
            // Queued: the monitor may ask the user, which it must not do while events are read.
            connect(
                raw, &TempFolderWatch::LockAppeared, this, [this] { taken_ = true; }, Qt::QueuedConnection);
            connect(raw, &TempFolderWatch::LockRemoved, this, &DocumentMonitor::Poll, Qt::QueuedConnection);
            connect(raw, &TempFolderWatch::DocumentWritten, this, &DocumentMonitor::Poll,
                    Qt::QueuedConnection);
        } else {
            SayPollingAlone(QFileInfo(path_).absolutePath(), delays.monitorPoll);
        }
    }
    // With notification the poll is only a safety net, for what sends no event.
    poll_.setInterval(watch_ == nullptr ? delays.monitorPoll
                                        : std::max(delays.monitorPoll, delays.monitorNotifiedPoll));
    poll_.start();
    liveness_.start();
}

void DocumentMonitor::StopWatching() {
    poll_.stop();
    liveness_.stop();
    if (watch_ != nullptr) {
        watch_->deleteLater();
        watch_ = nullptr;
    }
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
    StopWatching();
    finished_ = true;
    if (evaluating_) {
        return; // the edit was already handled; only the pause after it was left
    }
    PendingUploads::KeepHeldAtClose(opened_.name, path_);
    Prompts::Information(
        opened_.name + QStringLiteral(" is still open in LibreOffice. Its edit is kept: it will be sent when "
                                      "LibreOffice closes it and the desk next starts."));
}

bool DocumentMonitor::Held() const {
    const QStringList files = WatchedFiles(path_, reportPath_);
    return std::any_of(files.begin(), files.end(), [](const QString& file) { return WordHoldsFile(file); });
}

void DocumentMonitor::CheckLiveness() {
    bool gone = false;
    for (const QString& file : WatchedFiles(path_, reportPath_)) {
        const QString lock = OfficeLockFilePath(file);
        if (OfficeLockLiveness::IsStale(lock)) {
            WriteLog(QStringLiteral("DocumentMonitoring: the LibreOffice that held ") + file +
                     QStringLiteral(" is gone; its lock file is removed"));
            QFile::remove(lock);
            gone = true;
        }
    }
    if (gone) {
        taken_ = true; // it held the file once
        Poll();
    }
}

void DocumentMonitor::KeepLatestSave() {
    const QDateTime saved = QFileInfo(path_).lastModified();
    if (saved == lastSave_) {
        return;
    }
    lastSave_ = saved;
    // Only a report still being watched: an owed edit's document is not replaced under it.
    if (const auto record = PendingStore::Load(opened_.name);
        record && record->state == PendingRecord::State::Watching) {
        PendingStore::KeepDocument(opened_.name, path_);
    }
}

void DocumentMonitor::Poll() {
    if (finished_ || evaluating_) {
        return;
    }
    const bool held = Held();
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
        KeepLatestSave();
        return;
    }
    StopWatching();
    if (!TakeIntoOwnFolder()) {
        Finish(); // the record stays: the next start settles it from the earlier folder
        return;
    }
    Evaluate();
}

bool DocumentMonitor::TakeIntoOwnFolder() {
    const QString own = NameGate::PathInside(CUtility::TempFolder(), QFileInfo(path_).fileName());
    if (path_ == own) {
        return true;
    }
    // Watched again from an earlier desk's folder: the uploads send this desk's copy.
    if (!CopyFileAtomically(path_, own)) {
        WriteLog(QStringLiteral("DocumentMonitoring: could not take ") + path_ + QStringLiteral(" over"));
        return false;
    }
    if (path_ != reportPath_) {
        CopyFileAtomically(reportPath_, LocalDocumentPath(opened_.name));
    }
    LocalCopies::Remember(LocalDocumentPath(opened_.name));
    path_ = own;
    reportPath_ = LocalDocumentPath(opened_.name);
    if (!opened_.editCopy.isEmpty()) {
        opened_.editCopy = own;
    }
    return true;
}

DocumentMonitor::Edit DocumentMonitor::BringBackEdit() {
    if (!opened_.editCopy.isEmpty()) {
        if (FileChecksum(path_) == openedChecksum_) {
            QFile::remove(path_);
            return Edit::Unchanged;
        }
        return ProtectedEditCopy::Return(path_, reportPath_) ? Edit::Changed : Edit::Failed;
    }
    for (const char* suffix : {".odt", ".docx"}) {
        const QString twin = Twin(reportPath_, suffix);
        const QFileInfo info(twin);
        if (!info.isFile() || info.lastModified() < openedAt_) {
            continue;
        }
        // Saved as ODF or Word beside the report: that is the edit.
        if (OfficeProgram::ConvertToRtfOver(twin, reportPath_)) {
            WriteLog(QStringLiteral("DocumentMonitoring: the edit was saved as ") + twin +
                     QStringLiteral("; it is taken back as the report"));
            QFile::remove(twin);
            LocalCopies::Remember(reportPath_);
        }
        break;
    }
    return Edit::AsSaved;
}

void DocumentMonitor::TellWhereEditWent() {
    const QString prefix = opened_.name + QLatin1Char('.');
    for (const QString& folder : {QFileInfo(reportPath_).absolutePath(), QDir::homePath()}) {
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden, QDir::Time);
        for (const QFileInfo& file : files.mid(0, kMaxFilesLookedAt)) {
            if (file.lastModified() < openedAt_) {
                break; // newest first: the rest are older
            }
            if (file.fileName().startsWith(prefix) && file.absoluteFilePath() != reportPath_ &&
                file.absoluteFilePath() != path_) {
                WriteLog(QStringLiteral("DocumentMonitoring: ") + opened_.name +
                         QStringLiteral(" came back unchanged; LibreOffice saved ") +
                         file.absoluteFilePath());
                Prompts::Information(opened_.name +
                                     QStringLiteral(" came back unchanged, but LibreOffice saved ") +
                                     file.absoluteFilePath() +
                                     QStringLiteral(". That file is not sent to the server: open the report "
                                                    "again, make the edit and save it in its own format."));
                return;
            }
        }
    }
}

void DocumentMonitor::Evaluate() {
    evaluating_ = true;
    desk_.ShowBusy(DeskContext::Busy::DocumentPicture, true);
    const Edit edit = BringBackEdit();
    if (edit == Edit::Failed) {
        // The protected copy could not become the report again: its record keeps it for the
        // next start.
        Prompts::Information(QStringLiteral("The edited report ") + opened_.name +
                             QStringLiteral(" has not reached the server. It is kept and will be offered "
                                            "again when the desk next starts."));
        Finish();
        return;
    }
    const std::uint32_t checksum = FileChecksum(reportPath_);
    LockUnLockWaterMark(WaterMark::Unlock, reportPath_);

    if (edit == Edit::Unchanged || (edit == Edit::AsSaved && checksum == openedChecksum_)) {
        TellWhereEditWent();
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
            OweUnlessSent(EsignDocuments(desk_).EsignFiles({opened_.name}), PendingRecord::Form::Resync);
            QTimer::singleShot(Delays::Get().afterMonitorEsign, this, &DocumentMonitor::Finish);
            return;
        }
        WriteLog(QStringLiteral("DocumentMonitoring: User pressed NO to esign"));
        Resync();
        return;
    }

    WriteLog(QStringLiteral("DocumentMonitoring : Response is "));
    desk_.State().DocumentChecksum = checksum;
    WriteLog(QStringLiteral("DocumentMonitoring: Update successful"));
    Prompts::Information(QStringLiteral("Document updated."));
    // Whatever stops the re-sign, the edit of a signed report never goes up under the old
    // statement: what is owed is a re-sign.
    OweUnlessSent(EsignDocuments(desk_).EsignWatchedFile({opened_.name}), PendingRecord::Form::Resign);
    QTimer::singleShot(Delays::Get().afterMonitorEsign, this, &DocumentMonitor::Finish);
}

void DocumentMonitor::Resync() {
    desk_.State().PendingStatusWord = QStringLiteral("edit");
    StartStatusUpdateWorker([names = QStringList{opened_.name}] { return names; }, QStringLiteral("edit"))
        .detach();
    WriteLog(QStringLiteral("DocumentMonitoring: Document modified "));
    const QString response = CFileDownloads().UploadFile(opened_.name, QString());
    if (ServerAnswer::AnswerAccepted(response)) {
        PendingUploads::Confirmed(opened_.name);
        Prompts::Information(QStringLiteral("Document updated."));
    } else {
        WriteLog(QStringLiteral("DocumentMonitoring: Document failed to resync. Response is : ") + response);
        PendingUploads::RecordOwed(opened_.name, PendingRecord::Form::Resync, QString(), 0);
    }
    Finish();
}

void DocumentMonitor::OweUnlessSent(const QStringList& confirmed, PendingRecord::Form form) {
    const auto record = PendingStore::Load(opened_.name);
    if (confirmed.isEmpty() && !(record && record->state == PendingRecord::State::Owed)) {
        PendingUploads::RecordOwed(opened_.name, form, QString(), 0);
    }
}

void DocumentMonitor::Finish() {
    WindowState& state = desk_.State();
    // Only its own slot: another report may hold it by now.
    if (SameText(state.OpenDocumentName, opened_.name)) {
        state.OpenDocumentName.clear();
    }
    StopWatching();
    desk_.ShowBusy(DeskContext::Busy::SignPrintPicture, false);
    desk_.ShowBusy(DeskContext::Busy::DocumentPicture, false);
    finished_ = true;
    emit Finished(opened_.name);
    deleteLater();
}
