#include "documents/print/PrintDocuments.h"

#include "documents/common/FlowSupport.h"
#include "documents/common/OpenDocumentGuard.h"
#include "documents/core/DocumentPaths.h"
#include "documents/core/OfficeProgram.h"
#include "documents/core/WordAutomation.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/Prompts.h"
#include "reportlist/core/AccessDenied.h"
#include "reportlist/core/AccessRights.h"
#include "reportlist/core/ReportQuery.h"
#include "transport/StatusUpdate.h"

void PrintDocuments::Run() {
    if (ReportQuery::IsPendingCode(desk_.State().ReportTypeCode)) {
        Prompts::Information(QStringLiteral("Click on Play to play voice files."));
        return;
    }
    if (RefuseWhileDocumentOpen(desk_)) {
        return;
    }
    const QList<int> rows = desk_.SelectedRows();
    if (rows.isEmpty()) {
        Prompts::Information(QStringLiteral("Select a document to print."));
        return;
    }
    // One row without print permission cancels the whole command.
    QStringList names;
    for (const int row : rows) {
        if (!AccessRights::MayPrint(desk_.AccessFlags(row))) {
            Prompts::Information(AccessDeniedMessage(QStringLiteral("\"Print\"")));
            return;
        }
        const QString name = desk_.Filename(row);
        WriteLog(QStringLiteral("OnPopPrint: File, ") + name + QStringLiteral(", selected for printing"));
        if (!name.isEmpty()) {
            names.append(name);
        }
    }

    const QStringList present =
        FetchDocumentsOrSay(desk_, names, QStringLiteral("OnPopPrint"), QStringLiteral("OnPopPrint: File, "),
                            QStringLiteral("printed"));

    WriteLog(QStringLiteral("OnPopPrint: Files taken up for printing"));
    const QStringList printed = PrintList(present);
    desk_.SetStatusForSelected(DeskContext::StatusColumn::Printed, printed, QStringLiteral("O"));
    if (!printed.isEmpty()) {
        // Printing shows nothing of its own: the status line says what went where.
        desk_.ShowStatus(QStringLiteral("Sent to the printer ") + OfficeProgram::DefaultPrinter() +
                         QStringLiteral(": ") + printed.join(QStringLiteral(", ")));
    }
}

QStringList PrintDocuments::PrintList(const QStringList& names) {
    QStringList printed;
    for (const QString& name : names) {
        const WordAutomation::Outcome outcome = WordAutomation().Print(LocalDocumentPath(name));
        if (outcome == WordAutomation::Outcome::OfficeMissing ||
            outcome == WordAutomation::Outcome::NoPrinter) {
            // The user has been told; the other documents would fail the same way.
            break;
        }
        if (outcome != WordAutomation::Outcome::Done) {
            // Nothing reached the printer: the server is not told it was printed.
            WriteLog(QStringLiteral("Document, ") + name +
                     QStringLiteral(" could not be printed successfully"));
            continue;
        }
        desk_.ShowBusy(DeskContext::Busy::SignPrintPicture, true);
        if (UpdateStatus(name, QStringLiteral("print")) != 0) {
            WriteLog(QStringLiteral("Document, ") + name + QStringLiteral(" printed successfully"));
        } else {
            WriteLog(QStringLiteral("Document, ") + name +
                     QStringLiteral(" could not be printed successfully"));
        }
        desk_.ShowBusy(DeskContext::Busy::SignPrintPicture, false);
        printed.append(name);
    }
    return printed;
}
