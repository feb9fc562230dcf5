#include "dialogs/history/DocumentHistory.h"

#include "dialogs/history/CDlgDocumentHistory.h"
#include "host/core/ActivityLog.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/AccessDenied.h"
#include "reportlist/core/AccessRights.h"
#include "reportlist/core/ReportQuery.h"
#include "transport/gui/CDlgPleaseWait.h"
#include "transport/scripts/ServerScripts.h"

void DocumentHistory::Run() {
    if (ReportQuery::IsPendingCode(desk_.State().ReportTypeCode)) {
        Prompts::Information(QStringLiteral("Click on Play to play voice files"));
        return;
    }
    const QList<int> rows = desk_.SelectedRows();
    if (rows.isEmpty()) {
        Prompts::Information(QStringLiteral("Select a document to view previous version."));
        return;
    }
    // A named row may only be the last one selected; rows without a name do not count.
    for (qsizetype i = 0; i + 1 < rows.size(); ++i) {
        if (!desk_.Filename(rows[i]).isEmpty()) {
            Prompts::Information(QStringLiteral("Select only one file to view document history."));
            return;
        }
    }
    const int row = rows.last();
    const QString name = desk_.Filename(row);
    if (name.isEmpty()) {
        return;
    }
    if (!AccessRights::MaySeeHistory(desk_.AccessFlags(row))) {
        Prompts::Information(
            QStringLiteral(
                "ACCESS DENIED: Your user account is not configured to see the \"Document History\" for "
                "this document. ") +
            SupportContactSentence());
        return;
    }

    const QString url =
        VersionListRequest{Session().QueryPhysicianId(), name, Session().QueryLocationId()}.Address();
    WriteLog(QStringLiteral("URL for downloading version list, ") + url);
    const QString versionList = CDlgPleaseWait::DownloadList(url, desk_.DialogParent());
    CDlgDocumentHistory dialog(desk_.DialogParent());
    dialog.SetVersionListPath(versionList);
    dialog.exec();
}
