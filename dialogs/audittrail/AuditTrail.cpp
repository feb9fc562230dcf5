#include "dialogs/audittrail/AuditTrail.h"

#include "host/core/ActivityLog.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "host/core/Shell.h"
#include "transport/scripts/ServerScripts.h"

QString AuditTrail::Address(const QString& serverUrl, const QString& loginId, const QString& fileName) {
    return AuditTrailRequest{loginId, fileName}.Address(serverUrl);
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
    // Whether a browser came up is not known; only a desktop that says it has none is reported.
    const QString address = Address(Session().ServerURL(), Session().LoggedUserId(), name);
    Shell::Get().OpenWatched(address, [address] {
        WriteLog(QStringLiteral("OnPopviewaudittrail: No program opened ") + address);
        Prompts::Error(NoBrowserText(address));
    });
}

QString AuditTrail::NoBrowserText(const QString& address) {
    return QStringLiteral("No program is set up to open web pages.\nThe audit trail's address, to open in a "
                          "web browser by hand:\n") +
           address;
}
