#include "dialogs/audittrail/AuditTrail.h"

#include "host/core/ActivityLog.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "host/core/Shell.h"

QString AuditTrail::Address(const QString& serverUrl, const QString& loginId, const QString& fileName) {
    return serverUrl + QStringLiteral("view_audittrail.php") + QStringLiteral("?loginid=") + loginId +
           QStringLiteral("&filename=") + fileName + QStringLiteral("&fromdate=&todate=&admin=0");
}

void AuditTrail::Run() {
    const QList<int> rows = desk_.SelectedRows();
    if (rows.isEmpty()) {
        Prompts::Information(QStringLiteral("Select file to view Audit Trail."));
        return;
    }
    // A named row may only be the last one selected; rows without a name do not count.
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString name = desk_.Filename(rows[i]);
        if (name.isEmpty()) {
            continue;
        }
        if (i + 1 < rows.size()) {
            Prompts::Information(QStringLiteral("Select only one file to view audit trail."));
            return;
        }
        WriteLog(QStringLiteral("OnPopviewaudittrail: File, ") + name +
                 QStringLiteral(", selected for E-Sign"));
    }
    const QString name = desk_.Filename(rows.last()).trimmed();
    // Whether a browser came up is not known here, and nothing is reported either way.
    Shell::Get().Open(Address(Session().ServerURL(), Session().LoggedUserId(), name));
}
