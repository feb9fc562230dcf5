#include "documents/pending/PendingUploads.h"

#include "documents/common/FlowSupport.h"
#include "documents/core/DocumentPaths.h"
#include "documents/core/OfficeLockLiveness.h"
#include "documents/core/OfficeProgram.h"
#include "documents/core/SigningCore.h"
#include "documents/core/WaterMark.h"
#include "documents/core/WordHoldsFile.h"
#include "documents/monitor/DocumentMonitor.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/CertificateNotice.h"
#include "host/core/DeskFolder.h"
#include "host/core/FileChecksum.h"
#include "host/core/PrivateModes.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "transport/CFileDownloads.h"
#include "transport/LocalCopies.h"
#include "transport/ServerTime.h"
#include "transport/scripts/ServerAnswer.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QSet>

namespace {

// Why the last request of this thread failed, when the server's certificate was the reason.
QString CertificateReason() {
    return CertificateNotice::LastRequestRefused()
               ? QStringLiteral(" (the report server's certificate could not be verified)")
               : QString();
}

const QString kLog = QStringLiteral("PendingUploads: ");

// Reports whose owed edit this run put back in TempFolder to work on.
QSet<QString>& TakenOwed() {
    static QSet<QString> taken;
    return taken;
}

PendingRecord NewRecord(const QString& report) {
    PendingRecord r;
    r.report = report;
    r.user = Session().LoggedUserId();
    r.server = Session().ServerURL();
    r.physicianId = Session().QueryPhysicianId();
    r.locationId = Session().QueryLocationId();
    r.created = QDateTime::currentDateTime().toString(Qt::ISODate);
    r.folder = DeskFolder::Name();
    return r;
}

// Copies the pending document to where the uploads read it (TempFolder + name + ".doc").
bool RestoreToTemp(const QString& report) {
    CUtility::CreateFolderPath(CUtility::TempFolder());
    QFile in(PendingStore::DocumentPath(report));
    QSaveFile out(LocalDocumentPath(report));
    bool ok = in.open(QIODevice::ReadOnly) && PrivateModes::OpenForWriting(out);
    while (ok && !in.atEnd()) {
        const QByteArray block = in.read(64 * 1024);
        ok = !block.isEmpty() && out.write(block) == block.size();
    }
    ok = ok && out.commit();
    if (!ok) {
        out.cancelWriting();
        return false;
    }
    LocalCopies::Remember(LocalDocumentPath(report)); // the owed copy: this desk wrote it
    return true;
}

// The uploads read the query's provider and location from the session: for a report owed from
// an earlier run, send the ones it was edited under.
class QueryIdsFor final {
public:
    explicit QueryIdsFor(const PendingRecord& r)
        : physician_(Session().QueryPhysicianId()), location_(Session().QueryLocationId()) {
        Session().SetQueryPhysicianId(r.physicianId);
        Session().SetQueryLocationId(r.locationId);
    }
    ~QueryIdsFor() {
        Session().SetQueryPhysicianId(physician_);
        Session().SetQueryLocationId(location_);
    }
    QueryIdsFor(const QueryIdsFor&) = delete;
    QueryIdsFor& operator=(const QueryIdsFor&) = delete;

private:
    QString physician_;
    QString location_;
};

} // namespace

void PendingUploads::RecordWatching(const QString& report, std::uint32_t baseChecksum,
                                    std::uint32_t openedChecksum, const QString& esignOwner,
                                    bool esignedOpened, const QString& handedPath, bool editCopy) {
    if (const auto existing = PendingStore::Load(report);
        existing && existing->state == PendingRecord::State::Owed) {
        // An earlier edit is still owed: its record stays as it is.
        WriteLog(kLog + QStringLiteral("an earlier edit of ") + report + QStringLiteral(" is still owed"));
        return;
    }
    PendingRecord r = NewRecord(report);
    r.baseChecksum = baseChecksum;
    r.openedChecksum = openedChecksum;
    r.esignOwner = esignOwner;
    r.esignedOpened = esignedOpened;
    r.editCopy = editCopy;
    if (PendingStore::KeepDocument(report, handedPath) && PendingStore::Save(r)) {
        WriteLog(kLog + QStringLiteral("watching ") + report);
    }
}

bool PendingUploads::TakeOwedCopy(const QString& report) {
    const auto r = PendingStore::Load(report);
    if (!r || r->state != PendingRecord::State::Owed || !PendingStore::HasDocument(report) ||
        !r->SameSession(Session().LoggedUserId(), Session().ServerURL())) {
        return false;
    }
    if (TakenOwed().contains(report) && LocalCopies::Reusable(LocalDocumentPath(report))) {
        return true; // already here, and possibly worked on since
    }
    if (!RestoreToTemp(report)) {
        WriteLog(kLog + report + QStringLiteral(" could not be put back for sending"));
        return false;
    }
    WriteLog(kLog + report + QStringLiteral(" is worked on from its owed edit"));
    if (!TakenOwed().contains(report)) {
        Prompts::Information(report + QStringLiteral(" has an edit that has not reached the server yet; the "
                                                     "edited copy is used."));
    }
    TakenOwed().insert(report);
    return true;
}

void PendingUploads::RecordOwed(const QString& report, PendingRecord::Form form, const QString& demographics,
                                std::uint32_t baseChecksum) {
    const auto existing = PendingStore::Load(report);
    PendingRecord r = existing.value_or(NewRecord(report));
    if (!existing) {
        r.baseChecksum = baseChecksum;
    }
    r.state = PendingRecord::State::Owed;
    r.form = form;
    r.demographics = demographics;
    const bool kept = PendingStore::KeepDocument(report, LocalDocumentPath(report)) && PendingStore::Save(r);
    WriteLog(kLog + report +
             (kept ? QStringLiteral(" kept, owed ") : QStringLiteral(" could not be kept, owed ")) +
             (form == PendingRecord::Form::Esign ? QStringLiteral("esign") : QStringLiteral("resync")));
    if (kept) {
        Prompts::Information(
            QStringLiteral("The edited report ") + report + QStringLiteral(" has not reached the server") +
            CertificateReason() +
            QStringLiteral(". It is kept and will be offered again when the desk next starts."));
    }
}

void PendingUploads::Confirmed(const QString& report) {
    const auto r = PendingStore::Load(report);
    if (r && r->state == PendingRecord::State::Owed && !TakenOwed().contains(report)) {
        WriteLog(kLog + report +
                 QStringLiteral(" confirmed by the server without its owed edit; the edit stays owed"));
        return;
    }
    if (r || PendingStore::HasDocument(report)) {
        PendingStore::Remove(report);
        TakenOwed().remove(report);
        WriteLog(kLog + report + QStringLiteral(" confirmed by the server, record removed"));
    }
}

void PendingUploads::Released(const QString& report) {
    const auto r = PendingStore::Load(report);
    if (r && r->state == PendingRecord::State::Watching) {
        PendingStore::Remove(report);
        WriteLog(kLog + report + QStringLiteral(" released, nothing owed"));
    }
}

void PendingUploads::KeepHeldAtClose(const QString& report, const QString& path) {
    const auto r = PendingStore::Load(report);
    if (!r || r->state != PendingRecord::State::Watching) {
        return; // nothing is watched for it: a copy would lie in the pending folder with no record
    }
    const bool kept = PendingStore::KeepDocument(report, path);
    WriteLog(kLog + report +
             (kept ? QStringLiteral(" still open in the word processor at close, kept")
                   : QStringLiteral(" still open in the word processor at close, could not be kept")));
}

QString PendingUploads::OfferText(const QStringList& reports) {
    const bool one = reports.size() == 1;
    return QString::number(reports.size()) +
           (one ? QStringLiteral(" edited report has not reached the server yet: ")
                : QStringLiteral(" edited reports have not reached the server yet: ")) +
           reports.join(QStringLiteral(", ")) +
           (one ? QStringLiteral(". Send it now?") : QStringLiteral(". Send them now?"));
}

bool PendingUploads::Settle(PendingRecord record, bool monitorRunning) {
    if (!record.folder.isEmpty() && record.folder != DeskFolder::Name() &&
        DeskFolder::IsRunning(record.folder)) {
        // The desk that opened it still watches it.
        WriteLog(kLog + record.report + QStringLiteral(" is open in another running desk; left to it"));
        return false;
    }
    const QString live = record.LivePath();
    if (const QString lock = OfficeLockFilePath(live); OfficeLockLiveness::IsStale(lock)) {
        // LibreOffice was killed with the report open: nobody holds it any more.
        QFile::remove(lock);
        WriteLog(kLog + record.report + QStringLiteral(" was left by a LibreOffice that is gone"));
    }
    if (CUtility::FileExists(live) && WordHoldsFile(live)) {
        if (monitorRunning) {
            WriteLog(kLog + record.report +
                     QStringLiteral(" still open in the word processor; left for later"));
            return false;
        }
        WriteLog(kLog + record.report +
                 QStringLiteral(" still open in the word processor; watching it again"));
        DocumentMonitor::Resume(desk_, record);
        return true;
    }
    // The live copy is the newest when it survived (the word processor may have saved after the
    // window closed); else the copy kept at close.
    QString source;
    if (CUtility::FileExists(live) && FileChecksum(live) != record.openedChecksum) {
        source = live;
    } else if (PendingStore::HasDocument(record.report) &&
               FileChecksum(PendingStore::DocumentPath(record.report)) != record.openedChecksum) {
        source = PendingStore::DocumentPath(record.report);
    }
    if (source.isEmpty()) {
        PendingStore::Remove(record.report);
        WriteLog(kLog + record.report + QStringLiteral(" came back unchanged, nothing owed"));
        return false;
    }
    if (record.editCopy) {
        // The protected copy goes back to RTF as the document to send.
        if (!OfficeProgram::ConvertToRtfOver(source, PendingStore::DocumentPath(record.report),
                                             QStringLiteral("fodt"))) {
            WriteLog(kLog + record.report + QStringLiteral(" could not be brought back from its edit copy"));
            return false;
        }
        record.editCopy = false;
    } else if (source == live && !PendingStore::KeepDocument(record.report, live)) {
        return false;
    }
    LockUnLockWaterMark(WaterMark::Unlock, PendingStore::DocumentPath(record.report));
    record.state = PendingRecord::State::Owed;
    // An edit of a report its owner signed goes up re-signed, as the monitor would have sent it.
    const bool resign =
        record.esignedOpened && record.esignOwner.compare(record.user, Qt::CaseInsensitive) == 0;
    record.form = resign ? PendingRecord::Form::Resign : PendingRecord::Form::Resync;
    PendingStore::Save(record);
    WriteLog(kLog + record.report + QStringLiteral(" was changed after the desk let go of it, owed ") +
             (resign ? QStringLiteral("resign") : QStringLiteral("resync")));
    return false;
}

void PendingUploads::OfferAtStart() {
    const QString user = Session().LoggedUserId();
    const QString server = Session().ServerURL();
    bool monitorRunning = !desk_.State().OpenDocumentName.isEmpty();
    for (const PendingRecord& r : PendingStore::All()) {
        if (r.SameSession(user, server) && r.state == PendingRecord::State::Watching) {
            monitorRunning = Settle(r, monitorRunning) || monitorRunning;
        }
    }
    QList<PendingRecord> owed;
    QStringList names;
    for (const PendingRecord& r : PendingStore::All()) {
        if (r.SameSession(user, server) && r.state == PendingRecord::State::Owed) {
            if (!PendingStore::HasDocument(r.report)) {
                WriteLog(kLog + r.report +
                         QStringLiteral(" is owed but its document is gone; record removed"));
                PendingStore::Remove(r.report);
                continue;
            }
            owed.append(r);
            names.append(r.report);
        }
    }
    if (owed.isEmpty()) {
        return;
    }
    WriteLog(kLog + QStringLiteral("owed at start: ") + names.join(QStringLiteral(", ")));
    const int answer = Prompts::Get().Show(
        {OfferText(names), QStringLiteral("Molve"), Prompts::Icon::Question, Prompts::Yes | Prompts::No});
    if (answer != Prompts::Yes) {
        WriteLog(kLog + QStringLiteral("user chose to send later"));
        return;
    }
    QStringList notSent;
    QString why;
    QStringList sent;
    for (const PendingRecord& r : owed) {
        if (Send(r)) {
            sent.append(r.report);
        } else {
            notSent.append(r.report);
            why = why.isEmpty() ? CertificateReason() : why;
        }
    }
    if (!sent.isEmpty()) {
        // Told in the status line only: nothing to dismiss for what went well.
        desk_.ShowStatus(QStringLiteral("Edits sent to the server: ") + sent.join(QStringLiteral(", ")));
    }
    if (!notSent.isEmpty()) {
        Prompts::Information(
            notSent.join(QStringLiteral(", ")) + QStringLiteral(" could not be sent now") + why +
            QStringLiteral("; the desk keeps the edits and offers them again at the next start."));
    }
}

bool PendingUploads::Send(const PendingRecord& r) {
    // A report whose server copy changed since it was taken for editing is not replaced blindly.
    desk_.DownloadDocuments({r.report});
    const QString live = LocalDocumentPath(r.report);
    if (LocalCopies::Reusable(live)) {
        const std::uint32_t server = FileChecksum(live);
        if (server != r.baseChecksum) {
            WriteLog(kLog + r.report + QStringLiteral(" changed on the server since it was edited here"));
            const int answer = Prompts::Get().Show(
                {QStringLiteral("The server's copy of ") + r.report +
                     QStringLiteral(
                         " has changed since it was edited here. Replace it with the edited copy?"),
                 QStringLiteral("Molve"), Prompts::Icon::Question, Prompts::Yes | Prompts::No});
            if (answer != Prompts::Yes) {
                WriteLog(kLog + r.report +
                         QStringLiteral(" kept; the user did not replace the server's copy"));
                return false;
            }
        }
    } else {
        WriteLog(kLog + r.report + QStringLiteral(" server copy could not be fetched for comparison"));
    }
    if (!RestoreToTemp(r.report)) {
        WriteLog(kLog + r.report + QStringLiteral(" could not be put back for sending"));
        return false;
    }
    if (r.form == PendingRecord::Form::Resign && !Resign(r.report)) {
        return false;
    }
    QString response;
    {
        const QueryIdsFor ids(r);
        const bool esign = r.form != PendingRecord::Form::Resync;
        WriteLog(kLog + QStringLiteral("sending ") + r.report +
                 (esign ? QStringLiteral(" (esign)") : QStringLiteral(" (resync)")));
        response = esign ? CFileDownloads().UploadFile(r.report)
                         : CFileDownloads().UploadFile(r.report, r.demographics);
    }
    if (!ServerAnswer::AnswerAccepted(response)) {
        WriteLog(kLog + r.report + QStringLiteral(" not confirmed, response is : ") + response);
        return false;
    }
    PendingStore::Remove(r.report);
    WriteLog(kLog + r.report + QStringLiteral(" confirmed by the server, record removed"));
    TakenOwed().remove(r.report);
    if (r.form != PendingRecord::Form::Resync && !desk_.State().EsignedDocuments.contains(r.report)) {
        desk_.State().EsignedDocuments.append(r.report);
    }
    return true;
}

bool PendingUploads::Resign(const QString& report) {
    QString timeText;
    GetServerTime(timeText);
    Signing::Request request;
    request.signatureText = Signing::SignatureTextFor(Session().SignatureLine(), Session().LoggedUserId());
    request.dateText = Signing::StatementDateText(timeText);
    request.watchedFile = true;
    request.knownSigned = true; // its owner had e-signed it when it was opened
    request.signaturePatterns = desk_.State().SignaturePatterns;
    const Signing::Result result = Signing::SignDocumentFile(LocalDocumentPath(report), request);
    if (!result.statementWritten) {
        WriteLog(kLog + report + QStringLiteral(" could not be re-signed"));
        return false;
    }
    WriteLog(kLog + report + QStringLiteral(" re-signed with the revision statement"));
    TellMovedText(report, result.movedText);
    return true;
}

void PendingUploads::RemoveLeftoverFolders() {
    // A report an earlier desk handed to the word processor may still be open there: its
    // folder stays until its record is settled.
    QStringList keep;
    for (const PendingRecord& r : PendingStore::All()) {
        if (r.state == PendingRecord::State::Watching && !r.folder.isEmpty()) {
            keep.append(r.folder);
        }
    }
    DeskFolder::RemoveLeftovers(keep);
}
