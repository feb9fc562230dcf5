#include "documents/esign/EsignDocuments.h"

#include "documents/common/FlowSupport.h"
#include "documents/common/OpenDocumentGuard.h"
#include "documents/core/DocumentPaths.h"
#include "documents/core/SigningCore.h"
#include "documents/core/WordHoldsFile.h"
#include "documents/pending/PendingUploads.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/FileChecksum.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/AccessDenied.h"
#include "reportlist/core/ReportQuery.h"
#include "transport/CFileDownloads.h"
#include "transport/ServerTime.h"
#include "transport/scripts/ServerAnswer.h"

void EsignDocuments::OnPopEsign() {
    WindowState& state = desk_.State();
    if (ReportQuery::IsPendingCode(state.ReportTypeCode)) {
        Prompts::Information(QStringLiteral("Click on Play to play voice files"));
        return;
    }
    const QList<int> rows = desk_.SelectedRows();
    if (rows.isEmpty()) {
        Prompts::Information(QStringLiteral("Select a document to e-Sign."));
        return;
    }
    QStringList names;
    for (const int row : rows) {
        if (!names.isEmpty()) {
            Prompts::Information(QStringLiteral("Select only one file to esign."));
            return;
        }
        if (!SameText(Session().LoggedUserId(), desk_.EsignOwner(row))) {
            Prompts::Information(AccessDeniedMessage(QStringLiteral("\"Esign\"")));
            return;
        }
        const QString name = desk_.Filename(row);
        WriteLog(QStringLiteral("OnPopEsign: File, ") + name + QStringLiteral(", selected for E-Sign"));
        if (!name.isEmpty()) {
            names.append(name);
        }
    }
    if (RefuseWhileDocumentOpen(desk_)) {
        return;
    }

    for (const QString& name : names) {
        PendingUploads::TakeOwedCopy(name);
    }
    const QStringList present =
        FetchDocumentsOrSay(desk_, names, QStringLiteral("OnPopEsign"), QStringLiteral("OnPopEsign:  File, "),
                            QStringLiteral("e-Signed"));
    WriteLog(QStringLiteral("OnPopEsign: Files taken up for E-Signing"));
    EsignFiles(present);
}

QStringList EsignDocuments::EsignFiles(const QStringList& names) {
    return Sign(names, Mode::Command);
}

QStringList EsignDocuments::ResignAfterDemographics(const QStringList& names) {
    return Sign(names, Mode::DemographicsResign);
}

QStringList EsignDocuments::EsignWatchedFile(const QStringList& names) {
    return Sign(names, Mode::WatchedFile);
}

QStringList EsignDocuments::Sign(const QStringList& names, Mode mode) {
    const bool watchedFile = mode == Mode::WatchedFile;
    const bool demographicsResign = mode == Mode::DemographicsResign;
    WindowState& state = desk_.State();
    QStringList signedNames;
    bool lastGotStatement = false;
    for (const QString& name : names) {
        const QString path = LocalDocumentPath(name);
        const std::uint32_t before = FileChecksum(path);
        QString timeText;
        GetServerTime(timeText);
        Signing::Request request;
        request.signatureText =
            Signing::SignatureTextFor(Session().SignatureLine(), Session().LoggedUserId());
        request.dateText = Signing::StatementDateText(timeText);
        request.watchedFile = watchedFile;
        request.knownSigned = ContainsText(state.EsignedDocuments, name);
        request.demographicsResign = demographicsResign;
        request.signaturePatterns = state.SignaturePatterns;

        if (WordHoldsFile(path)) {
            // Another program has it open: signing would write under it.
            WriteLog(QStringLiteral("OnPopEsign: File, ") + path +
                     QStringLiteral(" is held by another program"));
            Prompts::Information(path + QStringLiteral(" is open. Please close the document and try again."));
            lastGotStatement = false;
            continue;
        }
        // While the file is being rewritten no other action may take it up; afterwards the slot
        // is as it was (the monitor that called keeps it until it is done).
        const QString slot = state.OpenDocumentName;
        if (!watchedFile) {
            state.OpenDocumentName = name;
        }
        const Signing::Result result = Signing::SignDocumentFile(path, request);
        if (watchedFile) {
            state.DocumentChecksum = result.checksum;
        } else {
            state.OpenDocumentName = slot;
        }
        lastGotStatement = result.statementWritten;
        if (!result.statementWritten) {
            if (!result.saved) {
                WriteLog(QStringLiteral("OnPopEsign: File, ") + path +
                         QStringLiteral(" could not be signed"));
            }
            continue;
        }
        TellMovedText(name, result.movedText);

        const QString response = CFileDownloads().UploadFile(name);
        if (ServerAnswer::AnswerAccepted(response)) {
            WriteLog(QStringLiteral("OnPopEsign: Update successful"));
            if (mode == Mode::Command) {
                Prompts::Information(QStringLiteral("Document E-Signed successfully."));
            }
            if (!ContainsText(state.EsignedDocuments, name)) {
                state.EsignedDocuments.append(name);
            }
            signedNames.append(name);
            PendingUploads::Confirmed(name);
        } else {
            if (!watchedFile) {
                WriteLog(QStringLiteral("Response from Server for esign is :") + response);
            }
            // The signed copy must outlive TempFolder until the server has it.
            PendingUploads::RecordOwed(name, PendingRecord::Form::Esign, QString(), before);
        }
    }
    if (lastGotStatement) {
        desk_.ShowBusy(DeskContext::Busy::SignPrintPicture, true);
        desk_.SetStatusForSelected(DeskContext::StatusColumn::Esigned, signedNames, QStringLiteral("O"));
        desk_.ShowBusy(DeskContext::Busy::SignPrintPicture, false);
    }
    if (watchedFile) {
        desk_.ShowBusy(DeskContext::Busy::DocumentPicture, false);
    }
    return signedNames;
}
